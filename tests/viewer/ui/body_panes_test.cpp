// The rich-text and HTML panes offscreen: the body shown, other elements leaving it alone,
// Copy, the successor that takes the loaded body over without a new file, messages 527 and
// 531, the stored bytes written as they are, every resource a hostile body asks for, and
// what a click on each kind of link does.
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QTextDocument>
#include <gtest/gtest.h>

#include "platform/memory_stream.h"
#include "tests/support/test_files.h"
#include "tests/support/tnef_builder.h"
#include "viewer/doc/app/app_context.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/document/message_sink.h"
#include "viewer/doc/tree/tree_builder.h"
#include "viewer/ui/commands.h"
#include "viewer/ui/envelon_view.h"
#include "viewer/ui/html_view.h"
#include "viewer/ui/rtf_view.h"

namespace viewer::ui {
namespace {

using namespace format;
using namespace testing_support;
using namespace viewer::doc::document;
using namespace viewer::doc::model;

class BodyPanes : public ::testing::Test {
protected:
    // The rich-text pane reads its body through the file stream server.
    void SetUp() override { viewer::doc::app::RegisterStreamServer(); }
    void Open(const PropertyList& properties)
    {
        m_doc.AttachStream(
            platform::CreateMemoryStream(TnefBuilder().Header().MessageProperties(properties).Bytes()),
            "/in/winmail.dat");
        m_doc.SetMessageSink(&m_sink);
        m_tree.Build(m_doc, nullptr);
    }
    ElementRef* Body() const { return m_tree.Index().FindMailBody().element; }
    PaneContext Context() { return {&m_doc, nullptr}; }
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> texts;
        for (const auto& message : m_sink.Messages()) {
            texts.push_back(message.text);
        }
        return texts;
    }

    CEnvelonDoc m_doc;
    viewer::doc::tree::DocumentTree m_tree;
    RecordingMessageSink m_sink;
};

TEST_F(BodyPanes, RichTextPaneShowsTheBodyAndHandsItsStreamOn)
{
    Open(PropertyList().Binary(PR_RTF_COMPRESSED,
                               UncompressedRtf("{\\rtf1 Hello {\\b bold}\\par second\\par}")));
    const auto before = TempFolderEntries();
    auto first = std::make_unique<CRTFView>(Context(), nullptr);
    first->OnUpdate(nullptr, Body());
    EXPECT_TRUE(first->toPlainText().startsWith(QStringLiteral("Hello bold\nsecond")));
    EXPECT_TRUE(first->HasBodyStream());
    // The stream's file lost its name as the stream opened it: nothing to leave behind.
    EXPECT_EQ(TempFolderEntries(), before);

    HeaderElement header;
    first->OnUpdate(nullptr, &header);
    EXPECT_EQ(first->GetElement(), &header);
    EXPECT_TRUE(first->toPlainText().startsWith(QStringLiteral("Hello bold")));

    EXPECT_FALSE(first->CanHandle(ID_EDIT_COPY));
    first->selectAll();
    ASSERT_TRUE(first->CanHandle(ID_EDIT_COPY));
    EXPECT_TRUE(first->OnCommand(ID_EDIT_COPY));
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith(QStringLiteral("Hello bold")));

    // The successor reads the stream it took over; the document has nothing left to give.
    CEnvelonView details(Context(), nullptr);
    auto second = std::make_unique<CRTFView>(Context(), nullptr);
    EXPECT_FALSE(second->TakeOver(&details));
    ASSERT_TRUE(second->TakeOver(first.get()));
    EXPECT_FALSE(first->HasBodyStream());
    m_doc.ReleaseContents();
    second->OnUpdate(nullptr, Body());
    EXPECT_TRUE(second->toPlainText().startsWith(QStringLiteral("Hello bold")));
    EXPECT_TRUE(m_sink.Messages().empty());

    // The next body has to come from the document, which fails: 527, the text stays.
    second->OnUpdate(nullptr, Body());
    EXPECT_EQ(Messages(), std::vector<std::string>{
                              "Failed on openning rich text body data. (0X8000FFFF)"});
    EXPECT_FALSE(second->HasBodyStream());
    EXPECT_TRUE(second->toPlainText().startsWith(QStringLiteral("Hello bold")));
}

QByteArray PngBytes()
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TEST_F(BodyPanes, HtmlPaneShowsTheStoredBytesCleanedAndReachesNothingElse)
{
    const std::u16string html =
        u"<html><body background='http://w.example/bg.gif'>"
        u"<p onclick='steal()'>Gr\u00FC\u00DFe <b>fett</b></p><script>steal()</script>"
        u"<img src='http://t.example/p.gif'><img src='file:///dev/zero'><img src='rel.png'>"
        u"<img src='data:image/png;base64," +
        QString::fromLatin1(PngBytes().toBase64()).toStdU16String() + u"'></body></html>";
    Open(PropertyList().Unicode(PR_BODY_HTML_W, html));
    const auto before = TempFolderEntries();
    auto first = std::make_unique<CMyHTMView>(Context(), nullptr);
    std::vector<std::pair<QString, bool>> requests;
    first->SetResourceObserver([&](int, const QUrl& name, bool served) {
        const bool data = name.scheme() == QStringLiteral("data");
        requests.emplace_back(name.scheme() + QLatin1Char(':') + (data ? QString() : name.fileName()),
                              served);
    });
    first->OnUpdate(nullptr, Body());
    first->resize(400, 300);
    (void)first->grab(); // lays out and paints, so every image is asked for

    EXPECT_TRUE(first->toPlainText().contains(QStringLiteral("Gr\u00FC\u00DFe fett")));
    EXPECT_FALSE(first->toPlainText().contains(QStringLiteral("steal")));
    // The value's bytes as stored: UTF-16 with its terminator, no byte order mark.
    ByteVector stored = Utf16Of(html);
    stored.insert(stored.end(), {0, 0});
    EXPECT_EQ(ReadFile(first->FilePath()), stored);

    const QString file = QUrl::fromLocalFile(QString::fromStdString(first->FilePath())).fileName();
    std::map<QString, bool> seen(requests.begin(), requests.end());
    EXPECT_EQ(seen[QStringLiteral("file:") + file], true);
    EXPECT_EQ(seen[QStringLiteral("data:")], true);
    EXPECT_EQ(seen.count(QStringLiteral("http:p.gif")), 1u);
    EXPECT_EQ(seen.count(QStringLiteral("file:zero")), 1u);
    EXPECT_EQ(seen.count(QStringLiteral("file:rel.png")), 1u);
    for (const auto& [name, served] : seen) {
        EXPECT_TRUE(name == QStringLiteral("file:") + file || name == QStringLiteral("data:") ||
                    !served)
            << name.toStdString();
    }
    // What the clean-up keeps away from the engine is refused all the same.
    for (const auto& [type, address] : std::vector<std::pair<int, const char*>>{
             {QTextDocument::StyleSheetResource, "http://x.example/a.css"},
             {QTextDocument::StyleSheetResource, "import.css"},
             {QTextDocument::ImageResource, "https://x.example/bg.png"},
             {QTextDocument::HtmlResource, "file:///etc/passwd"}}) {
        // Refused with an empty answer, never a null one, which Qt would fill itself.
        const QVariant answer = first->loadResource(type, QUrl(QString::fromLatin1(address)));
        EXPECT_TRUE(answer.isValid() && answer.toByteArray().isEmpty()) << address;
    }

    // Links: an app: address is cancelled without a word; a script is refused with a note;
    // a web address is shown and, unconfirmed, stays closed.
    first->FollowLink(QUrl(QStringLiteral("app:ID_APP_EXIT")));
    EXPECT_TRUE(m_sink.Messages().empty());
    first->FollowLink(QUrl(QStringLiteral("javascript:steal()")));
    first->FollowLink(QUrl(QStringLiteral("https://example.com/a?b=\u202E")));
    ASSERT_EQ(m_sink.Messages().size(), 2u);
    EXPECT_EQ(m_sink.Messages()[0].icon, MessageIcon::Information);
    EXPECT_NE(m_sink.Messages()[1].text.find("https://example.com/a?b=%E2%80%AE"),
              std::string::npos);
    EXPECT_EQ(m_sink.Messages()[1].buttons, MessageButtons::YesNo);
    m_sink.Clear();

    // The successor shows the same file without writing another; going away removes it.
    auto second = std::make_unique<CMyHTMView>(Context(), nullptr);
    ASSERT_TRUE(second->TakeOver(first.get()));
    EXPECT_TRUE(first->FilePath().empty());
    const std::string path = second->FilePath();
    const auto shown = TempFolderEntries();
    EXPECT_EQ(shown.size(), before.size() + 1);
    second->OnUpdate(nullptr, Body());
    EXPECT_EQ(TempFolderEntries(), shown);
    EXPECT_TRUE(second->toPlainText().contains(QStringLiteral("fett")));
    second.reset();
    first.reset();
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(TempFolderEntries(), before);

    m_doc.ReleaseContents();
    CMyHTMView failing(Context(), nullptr);
    failing.OnUpdate(nullptr, Body());
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"Failed on openning HTML body data. (0X8000FFFF)"});
    EXPECT_EQ(TempFolderEntries(), before);
}

} // namespace
} // namespace viewer::ui
