// The desktop viewer as a person meets it, offscreen: start-up with and without files, the
// menus and title, the TNEF Tree toggle, enabling by selection, and the Tools commands'
// messages and files. The decisions behind them are tested without a display elsewhere.
#include "viewer/ui/envelon_app.h"

#include <optional>

#include <QBuffer>
#include <QCoreApplication>
#include <QDropEvent>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QTextDocument>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>

#include "platform/com.h"
#include "platform/guid.h"
#include "platform/registry.h"
#include "tests/support/test_files.h"
#include "tests/support/tnef_builder.h"
#include "tests/viewer/render/ole/ole_fixtures.h"
#include "tests/viewer/ui/qt_environment.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element.h"
#include "viewer/render/ole/object_handover.h"
#include "viewer/ui/child_frame.h"
#include "viewer/ui/commands.h"
#include "viewer/ui/html_view.h"
#include "viewer/ui/left_view.h"
#include "viewer/ui/main_frame.h"
#include "viewer/ui/ole_view.h"
#include "viewer/ui/tree_model.h"

namespace viewer::ui {
namespace {

using namespace viewer::doc::document;
using namespace viewer::doc::frame;
using namespace viewer::doc::model;
using namespace testing_support;

// The first bytes of an x86-64 ELF executable: what the desktop would run.
const ByteVector kElf = {0x7F, 'E', 'L', 'F', 2, 1, 1,    0, 0, 0, 0, 0,
                         0,    0,   0,   0,   2, 0, 0x3E, 0, 1, 0, 0, 0};

PropertyList AttachmentProperties(const std::string& name, const ByteVector& data)
{
    return PropertyList()
        .Long(PR_ATTACH_METHOD, ATTACH_BY_VALUE)
        .String8(PR_ATTACH_LONG_FILENAME, name)
        .Binary(PR_ATTACH_DATA_BIN, data);
}

// A message whose subject would be markup, with a text attachment and a program behind a
// text name. `subjectSum` stores another checksum for the subject record.
std::string WriteMessage(const std::string& name, std::optional<std::uint16_t> subjectSum = {})
{
    const std::string subject = "<img src=x>";
    TnefBuilder message;
    message.Header()
        .Attribute(LVL_MESSAGE, attSubject, BytesOf(subject + '\0'), subjectSum)
        .MessageProperties(PropertyList().String8(PR_SUBJECT, subject))
        .StartAttachment()
        .AttachmentProperties(AttachmentProperties("notes.txt", BytesOf("plain text\n")))
        .StartAttachment()
        .AttachmentProperties(AttachmentProperties("report.txt", kElf));
    const std::string path = TempDir() + name;
    WriteFile(path, message.Bytes());
    return path;
}

// Answers the file dialogs with set paths and keeps what they were asked.
class FakeChooser final : public FileChooser {
public:
    std::string OpenFileName(QWidget*, const std::string&) override { return {}; }
    SaveChoice SaveFileName(QWidget*, const SaveDialogPlan& plan) override
    {
        plans.push_back(plan);
        return {savePath, saveFilter};
    }
    std::string savePath;
    std::size_t saveFilter = 0;
    std::vector<SaveDialogPlan> plans;
};

class Viewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_app = std::make_unique<CEnvelonApp>();
        m_app->SetMessageSink(&m_sink);
        m_app->SetFileChooser(&m_chooser);
        m_app->SetDesktopOpener([this](const QUrl& url) {
            m_handedOver.push_back(url.isLocalFile() ? url.toLocalFile().toStdString()
                                                     : url.toString().toStdString());
            return true;
        });
        QObject::connect(
            m_app.get(), &CEnvelonApp::StartUpFinished, m_app.get(),
            [this](bool running, int exitCode) { m_outcome = running ? -1 : exitCode; });
    }

    void TearDown() override
    {
        m_app.reset();
        ui_testing::FlushDeletions();
    }

    // Starts and waits for start-up to end: -1 while the program runs, else its exit code.
    int Start(const QStringList& arguments)
    {
        m_app->Start(arguments);
        EXPECT_TRUE(ui_testing::SpinUntil([this] { return m_outcome.has_value(); }));
        return m_outcome.value_or(-2);
    }

    CMainFrame& Frame() { return m_app->MainFrame(); }
    CChildFrame* Child() { return Frame().ActiveChild(); }

    QStringList MenuTitles()
    {
        QStringList titles;
        for (QAction* action : Frame().menuBar()->actions()) {
            titles << action->text();
        }
        return titles;
    }

    // Selects the node with this caption among the root and its children.
    void Select(const QString& caption)
    {
        CLeftView* tree = Child()->Tree();
        const TreeModel* model = tree->Model();
        const QModelIndex root = model->index(0, 0);
        for (int row = 0; row < model->rowCount(root); ++row) {
            const QModelIndex index = model->index(row, 0, root);
            if (model->data(index, Qt::DisplayRole).toString() == caption) {
                tree->setCurrentIndex(index);
                return;
            }
        }
        ADD_FAILURE() << "no node " << caption.toStdString();
    }

    bool Enabled(std::uint32_t command)
    {
        Frame().UpdateCommandStates();
        return Frame().Action(command)->isEnabled();
    }

    std::unique_ptr<CEnvelonApp> m_app;
    RecordingMessageSink m_sink;
    FakeChooser m_chooser;
    std::vector<std::string> m_handedOver;
    std::optional<int> m_outcome;
};

TEST_F(Viewer, WithoutArgumentsShowsMenu128AndNoDocument)
{
    EXPECT_EQ(Start({}), -1);
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_TRUE(Frame().MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(MenuTitles(), (QStringList{"&File", "&View", "&Help"}));
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("Corvane Envelon"));
    EXPECT_FALSE(Enabled(ID_VIEW_HEX));
    EXPECT_TRUE(m_sink.Messages().empty());
}

TEST_F(Viewer, AFileOpensMaximisedWithMenu129AndNothingFromItIsMarkup)
{
    const std::string path = WriteMessage("<i>bold&amp; [*].tnef");
    EXPECT_EQ(Start({QString::fromStdString(path)}), -1);
    ASSERT_EQ(Frame().MdiArea()->subWindowList().size(), 1);
    EXPECT_TRUE(Child()->isMaximized());
    EXPECT_EQ(MenuTitles(), (QStringList{"&File", "&Edit", "&View", "&Tools", "&Window", "&Help"}));
    // What the window system is given: the name as it is, "[*]" included.
    ASSERT_TRUE(Frame().windowHandle());
    EXPECT_EQ(Frame().windowHandle()->title(),
              QStringLiteral("Corvane Envelon - <i>bold&amp; [*].tnef"));
    const TreeModel* model = Child()->Tree()->Model();
    const QModelIndex group = model->index(1, 0, model->index(0, 0));
    EXPECT_EQ(model->data(group, Qt::DisplayRole).toString(), QStringLiteral("<img src=x>"));
    EXPECT_EQ(m_app->RecentFiles().Entries().front(), path);
}

TEST_F(Viewer, NamedFilesThatAllFailEndWithStatusOneAfterTheirMessages)
{
    const QString missing = QString::fromStdString(TempDir() + "missing.tnef");
    EXPECT_EQ(Start({missing, QStringLiteral("--print"), missing}), EXIT_FAILURE);
    ASSERT_EQ(m_sink.Messages().size(), 2u);
    EXPECT_EQ(m_sink.Messages()[0].text, "Failed to open document.");
    EXPECT_EQ(m_sink.Messages()[0].icon, MessageIcon::Error);
}

TEST_F(Viewer, OneFileThatOpensKeepsTheProgramRunning)
{
    const QString missing = QString::fromStdString(TempDir() + "missing.tnef");
    EXPECT_EQ(Start({missing, QString::fromStdString(WriteMessage("good.tnef"))}), -1);
    EXPECT_EQ(Frame().MdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(m_sink.Messages().size(), 1u);
}

TEST_F(Viewer, TreeToggleKeepsTheElementAndTheViewKind)
{
    ASSERT_EQ(Start({QString::fromStdString(WriteMessage("toggle.tnef"))}), -1);
    Select("notes.txt");
    ElementRef* element = Child()->CurrentRightView()->GetElement();
    ASSERT_TRUE(element);
    ASSERT_TRUE(Enabled(ID_VIEW_HEX));
    Frame().OnCommand(ID_VIEW_HEX);
    EXPECT_EQ(Child()->CurrentRightView()->GetViewKind(), VIEW_HEX);
    EXPECT_TRUE(Frame().Action(ID_VIEW_HEX)->isChecked());

    Frame().OnCommand(ID_VIEW_TREE);
    EXPECT_FALSE(Child()->TreeShown());
    EXPECT_FALSE(Frame().Action(ID_VIEW_TREE)->isChecked());
    EXPECT_EQ(Child()->CurrentRightView()->GetViewKind(), VIEW_HEX);
    EXPECT_EQ(Child()->CurrentRightView()->GetElement(), element);

    Frame().OnCommand(ID_VIEW_TREE);
    ui_testing::FlushDeletions();
    EXPECT_TRUE(Child()->TreeShown());
    EXPECT_EQ(Child()->CurrentRightView()->GetViewKind(), VIEW_HEX);
    EXPECT_EQ(Child()->CurrentRightView()->GetElement(), element);
    EXPECT_TRUE(Frame().Action(ID_VIEW_TREE)->isChecked());
}

TEST_F(Viewer, CommandsFollowTheSelection)
{
    ASSERT_EQ(Start({QString::fromStdString(WriteMessage("enable.tnef"))}), -1);
    Select("notes.txt");
    EXPECT_TRUE(Enabled(ID_TOOLS_OPEN_ATTACHMENT));
    EXPECT_TRUE(Enabled(ID_TOOLS_SAVE_DATA));
    EXPECT_FALSE(Enabled(ID_TOOLS_CHECKSUM));
    EXPECT_FALSE(Enabled(ID_TOOLS_SAVE_BODY)); // no body in this message
    Select("Header");
    EXPECT_FALSE(Enabled(ID_TOOLS_OPEN_ATTACHMENT));
    EXPECT_FALSE(Enabled(ID_VIEW_HEX));
    EXPECT_TRUE(Frame().Action(ID_VIEW_DETAILS)->isChecked());
    // Copy is the details pane's, and only with rows selected.
    EXPECT_FALSE(Enabled(ID_EDIT_COPY));
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE));
}

TEST_F(Viewer, ChecksumOutcomesReachTheMessages)
{
    const std::string key = "SOFTWARE\\corvane.example\\Corvane Envelon\\1.00.000";
    const auto rawView = [&key](std::uint32_t on) {
        ASSERT_EQ(
            platform::RegistryWriteNumber(platform::RegistryRoot::LocalMachine, key, "RawView", on),
            platform::S_OK);
    };
    rawView(1);
    const std::string good = WriteMessage("sums.tnef");
    const std::string bad = WriteMessage("badsum.tnef", 0x1234);
    ASSERT_EQ(Start({QString::fromStdString(good), QString::fromStdString(bad)}), -1);
    rawView(0); // the documents are open; the tests after this one read normal view
    for (CChildFrame* frame : {qobject_cast<CChildFrame*>(Frame().MdiArea()->subWindowList()[0]),
                               qobject_cast<CChildFrame*>(Frame().MdiArea()->subWindowList()[1])}) {
        Frame().MdiArea()->setActiveSubWindow(frame);
        // Raw view: the subject record node sits under the message group.
        CLeftView* tree = Child()->Tree();
        const TreeModel* model = tree->Model();
        tree->setCurrentIndex(model->index(0, 0, model->index(1, 0, model->index(0, 0))));
        ASSERT_TRUE(Enabled(ID_TOOLS_CHECKSUM));
        Frame().OnCommand(ID_TOOLS_CHECKSUM);
    }
    ASSERT_EQ(m_sink.Messages().size(), 2u);
    const unsigned sum = ChecksumOf(BytesOf(std::string("<img src=x>") + '\0'));
    EXPECT_EQ(m_sink.Messages()[0].text, "Checksum OK. Computed value: " + std::to_string(sum));
    EXPECT_EQ(m_sink.Messages()[0].icon, MessageIcon::Information);
    EXPECT_EQ(m_sink.Messages()[1].text, "Checksum failed. Computed value: " + std::to_string(sum));
    EXPECT_EQ(m_sink.Messages()[1].icon, MessageIcon::Error);
}

TEST_F(Viewer, SaveDataWritesTheBytesAndAFailedSaveSaysSo)
{
    ASSERT_EQ(Start({QString::fromStdString(WriteMessage("save.tnef"))}), -1);
    Select("notes.txt");
    m_chooser.savePath = TempDir() + "saved.txt";
    Frame().OnCommand(ID_TOOLS_SAVE_DATA);
    ASSERT_EQ(m_chooser.plans.size(), 1u);
    EXPECT_EQ(m_chooser.plans[0].fileName, "notes.txt");
    EXPECT_EQ(ReadFile(m_chooser.savePath), BytesOf("plain text\n"));
    EXPECT_TRUE(m_sink.Messages().empty());

    m_chooser.savePath = TempDir() + "no/such/folder/saved.txt";
    Frame().OnCommand(ID_TOOLS_SAVE_DATA);
    ASSERT_EQ(m_sink.Messages().size(), 1u);
    EXPECT_EQ(m_sink.Messages()[0].text, "Failed on saving data to disk. (0X80070002)");
    EXPECT_EQ(m_sink.Messages()[0].icon, MessageIcon::Error);
}

TEST_F(Viewer, ExportFollowsTheClassOfTheDocumentOrOfTheEmbeddedMessageShown)
{
    // A note that forwards a contact.
    const ByteVector contact =
        TnefBuilder()
            .Header()
            .MessageProperties(PropertyList()
                                   .String8(PR_MESSAGE_CLASS, "IPM.Contact")
                                   .String8(PR_DISPLAY_NAME, "Jane Public"))
            .Bytes();
    const auto iidBytes = platform::GuidToBytes(platform::IID_IMessage);
    const GuidBytes iid(iidBytes.begin(), iidBytes.end());
    TnefBuilder note;
    note.Header()
        .MessageProperties(PropertyList()
                               .String8(PR_MESSAGE_CLASS, "IPM.Note")
                               .String8(PR_SUBJECT, "FW: Jane"))
        .StartAttachment()
        .AttachmentProperties(PropertyList()
                                  .Long(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG)
                                  .Object(PR_ATTACH_DATA_OBJ, iid, contact));
    const std::string path = TempDir() + "forward.tnef";
    WriteFile(path, note.Bytes());
    ASSERT_EQ(Start({QString::fromStdString(path)}), -1);
    EXPECT_FALSE(Enabled(ID_FILE_EXPORT_ICALENDAR));
    EXPECT_FALSE(Enabled(ID_FILE_EXPORT_VCARD));

    Select("Mail Attachment");
    EXPECT_FALSE(Enabled(ID_FILE_EXPORT_ICALENDAR));
    ASSERT_TRUE(Enabled(ID_FILE_EXPORT_VCARD));
    m_chooser.savePath = TempDir() + "jane.vcf";
    Frame().OnCommand(ID_FILE_EXPORT_VCARD);
    ASSERT_EQ(m_chooser.plans.size(), 1u);
    EXPECT_EQ(m_chooser.plans[0].fileName, "Jane Public.vcf");
    const ByteVector card = ReadFile(m_chooser.savePath);
    EXPECT_NE(std::string(card.begin(), card.end()).find("\r\nFN:Jane Public\r\n"),
              std::string::npos);
    EXPECT_TRUE(m_sink.Messages().empty());
}

TEST_F(Viewer, OpenAttachmentHandsTextToTheDesktopButNeverAProgram)
{
    ASSERT_EQ(Start({QString::fromStdString(WriteMessage("open.tnef"))}), -1);
    Select("notes.txt");
    Frame().OnCommand(ID_TOOLS_OPEN_ATTACHMENT);
    ASSERT_EQ(m_handedOver.size(), 1u);
    EXPECT_EQ(ReadFile(m_handedOver[0]), BytesOf("plain text\n"));
    ::unlink(m_handedOver[0].c_str());

    m_sink.Clear();
    Select("report.txt");
    Frame().OnCommand(ID_TOOLS_OPEN_ATTACHMENT);
    EXPECT_EQ(m_handedOver.size(), 1u);
    ASSERT_EQ(m_sink.Messages().size(), 2u); // the warning, then the refusal
    EXPECT_EQ(m_sink.Messages()[1].buttons, MessageButtons::YesNo);
    EXPECT_EQ(m_sink.Messages()[1].text.rfind("This attachment is a program", 0), 0u);
    EXPECT_TRUE(m_chooser.plans.empty()); // the answer was not Yes
}

TEST_F(Viewer, HtmlBodyShowsImagesOfItsOwnAttachmentsAndOpensLinksOnlyWhenConfirmed)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage(5, 4, QImage::Format_RGB32).save(&buffer, "PNG");
    TnefBuilder message;
    message.Header()
        .MessageProperties(PropertyList().String8(
            PR_BODY_HTML_A, "<p><a href='https://example.com/x'>link</a><img src='cid:logo@x'></p>"))
        .StartAttachment()
        .AttachmentProperties(AttachmentProperties("logo.png", ByteVector(png.begin(), png.end()))
                                  .String8(PR_ATTACH_CONTENT_ID, "<logo@x>"));
    const std::string path = TempDir() + "html.tnef";
    WriteFile(path, message.Bytes());
    ASSERT_EQ(Start({QString::fromStdString(path)}), -1);
    auto* pane = dynamic_cast<CMyHTMView*>(Child()->CurrentRightView());
    ASSERT_TRUE(pane);
    EXPECT_EQ(pane->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("cid:logo@x")))
                  .value<QImage>()
                  .size(),
              QSize(5, 4));
    EXPECT_TRUE(pane->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("cid:other")))
                    .value<QImage>()
                    .isNull());

    // The pane asks through its document's sink.
    RecordingMessageSink yes(MessageAnswer::Yes);
    Child()->Document().SetMessageSink(&yes);
    pane->FollowLink(QUrl(QStringLiteral("https://example.com/x")));
    Child()->Document().SetMessageSink(&m_sink);
    EXPECT_EQ(m_handedOver, std::vector<std::string>{"https://example.com/x"});
    EXPECT_EQ(yes.Messages().size(), 1u);

    // Save Mail Body to Disk: the second entry writes the text a person sees.
    m_chooser.savePath = TempDir() + "body.txt";
    m_chooser.saveFilter = 1;
    Frame().OnCommand(ID_TOOLS_SAVE_BODY);
    EXPECT_EQ(ReadFile(m_chooser.savePath), BytesOf("link\n"));
}

// A message with two packaged files as OLE objects: a text and a program behind an
// innocent label.
std::string WriteObjects(const std::string& name)
{
    TnefBuilder message;
    message.Header().MessageAttribute(attSubject, "objects");
    for (const auto& [label, content] :
         {std::pair{"notes.txt", BytesOf("packaged text\n")}, std::pair{"notes.exe", kElf}}) {
        StorageTree object;
        object.clsid = viewer::render::ole::CLSID_Package;
        object.streams["\001Ole10Native"] = PackageStream(label, "C:\\T\\X", content);
        const std::string file = TempDir() + label + ".ole";
        EXPECT_TRUE(WriteStorageFile(file, object));
        const auto iid = platform::GuidToBytes(platform::IID_IStorage);
        message.StartAttachment().AttachmentProperties(
            PropertyList()
                .Long(PR_ATTACH_METHOD, ATTACH_OLE)
                .Object(PR_ATTACH_DATA_OBJ, ByteVector(iid.begin(), iid.end()), ReadFile(file)));
    }
    const std::string path = TempDir() + name;
    WriteFile(path, message.Bytes());
    return path;
}

TEST_F(Viewer, AnObjectIsHandedOverUnderItsOwnNameFromItsActivePaneButNeverAProgram)
{
    ASSERT_EQ(Start({QString::fromStdString(WriteObjects("objects.tnef"))}), -1);
    CLeftView* tree = Child()->Tree();
    const QModelIndex root = tree->Model()->index(0, 0);
    for (int row : {2, 3}) {
        tree->setCurrentIndex(tree->Model()->index(row, 0, root));
        Child()->Activate(tree);
        auto* pane = dynamic_cast<COLEView*>(Child()->CurrentRightView());
        ASSERT_NE(pane, nullptr);
        ASSERT_NE(pane->Item(), nullptr);
        EXPECT_FALSE(Enabled(ID_TOOLS_OPEN_ATTACHMENT)) << "the tree is the active view";
        Child()->Activate(pane);
        EXPECT_TRUE(Enabled(ID_TOOLS_OPEN_ATTACHMENT));
        Frame().OnCommand(ID_TOOLS_OPEN_ATTACHMENT);
    }
    ASSERT_EQ(m_handedOver.size(), 1u);
    const std::string& path = m_handedOver[0];
    EXPECT_EQ(path.substr(path.rfind('/')), "/notes.txt");
    EXPECT_EQ(ReadFile(path), BytesOf("packaged text\n"));
    viewer::render::ole::RemoveContentFile(path);
    ASSERT_EQ(m_sink.Messages().size(), 3u); // two questions, the refusal
    EXPECT_EQ(m_sink.Messages()[2].text.rfind("This attachment is a program", 0), 0u);
}

TEST_F(Viewer, DroppedFilesOpen)
{
    ASSERT_EQ(Start({}), -1);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(WriteMessage("one.tnef"))),
                  QUrl::fromLocalFile(QString::fromStdString(WriteMessage("two.tnef")))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Frame(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Frame(), &drop);
    EXPECT_TRUE(
        ui_testing::SpinUntil([this] { return Frame().MdiArea()->subWindowList().size() == 2; }));
    EXPECT_EQ(MenuTitles().size(), 6);
}

} // namespace
} // namespace viewer::ui
