// The hex and text panes, offscreen: a 4 GiB row file (sparse, handed over ready) scrolls to
// its last row by key and by thumb, with the keys doing nothing more at either end; what
// assistive technology reads is the rows drawn; a pane that takes over another's file shows
// its rows without loading again; a drag selects whole rows that Copy takes as text.
#include "viewer/ui/row_pane.h"

#include <fcntl.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/memory_stream.h"
#include "tests/support/test_files.h"
#include "viewer/doc/app/app_context.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/ui/commands.h"
#include "viewer/ui/envelon_view.h"
#include "viewer/ui/hex_view.h"
#include "viewer/ui/text_view.h"

namespace viewer::ui {
namespace {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using namespace viewer::doc::panes;

// A file of `size` bytes, all holes but `tail` written at `tailAt`, open and already unlinked.
platform::UniqueFd SparseFile(std::uint64_t size, std::uint64_t tailAt, const std::string& tail)
{
    const std::string path = testing_support::TempDir() + "rows";
    platform::UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    EXPECT_TRUE(fd.Valid());
    ::unlink(path.c_str());
    EXPECT_EQ(::ftruncate(fd.Get(), static_cast<off_t>(size)), 0);
    EXPECT_EQ(::pwrite(fd.Get(), tail.data(), tail.size(), static_cast<off_t>(tailAt)),
              static_cast<ssize_t>(tail.size()));
    return fd;
}

std::unique_ptr<RowPane> MakePane(bool hex, const PaneContext& context = {})
{
    std::unique_ptr<RowPane> pane;
    if (hex) {
        pane = std::make_unique<CHexView>(context, nullptr);
    } else {
        pane = std::make_unique<CTextView>(context, nullptr);
    }
    pane->resize(420, 300);
    pane->show();
    return pane;
}

// The text assistive technology reads, a line a row in view.
QStringList AccessibleLines(RowPane& pane)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&pane);
    QAccessibleTextInterface* text = accessible ? accessible->textInterface() : nullptr;
    if (!text) {
        ADD_FAILURE() << "no accessible text";
        return {};
    }
    return text->text(0, text->characterCount()).split(QLatin1Char('\n'));
}

struct LargeFile {
    const char* name;
    bool hex;
};

void PrintTo(const LargeFile& file, std::ostream* out)
{
    *out << file.name;
}

class FourGibibytes : public ::testing::TestWithParam<LargeFile> {};

TEST_P(FourGibibytes, ScrollsToTheLastRowExactlyByKeyAndByThumb)
{
    constexpr std::uint64_t kSize = std::uint64_t{1} << 32;
    const bool hex = GetParam().hex;
    const std::uint64_t rowBytes = hex ? kHexRowBytes : kTextRowBytes;
    const std::uint64_t rows = (kSize + rowBytes - 1) / rowBytes;
    const std::string tail = hex ? "0123456789ABCDEF" : "the end";
    auto pane = MakePane(hex);
    pane->ShowRowFile(SparseFile(kSize, (rows - 1) * rowBytes, tail));
    ASSERT_EQ(pane->RowCount(), rows);
    QScrollBar* bar = pane->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);

    QTest::keyClick(pane.get(), Qt::Key_End);
    static_cast<void>(pane->grab());
    ASSERT_TRUE(pane->PaintedRows());
    EXPECT_EQ(pane->PaintedRows()->last, rows - 1);
    EXPECT_EQ(pane->RowsInView()->last, rows - 1);
    // Whole, not cut by the pane's bottom edge.
    EXPECT_LE(pane->CharacterRect(rows - 1, 0).bottom(), pane->viewport()->height() - 1);
    EXPECT_EQ(bar->value(), bar->maximum());
    const std::string last =
        hex ? FormatHexRow(static_cast<std::uint32_t>(rows - 1),
                           reinterpret_cast<const std::uint8_t*>(tail.data()), tail.size())
            : tail;
    EXPECT_EQ(AccessibleLines(*pane).back().toStdString(), last);
    EXPECT_EQ(AccessibleLines(*pane).size(),
              static_cast<qsizetype>(pane->RowsInView()->last - pane->RowsInView()->first + 1));

    // At the end, the keys that go further do nothing.
    const PanePoint end = pane->Position();
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_End}) {
        QTest::keyClick(pane.get(), key);
        EXPECT_EQ(pane->Position(), end) << key;
    }
    QTest::keyClick(pane.get(), Qt::Key_Home);
    EXPECT_EQ(pane->Position(), (PanePoint{0, 0}));
    EXPECT_EQ(bar->value(), 0);
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_PageUp, Qt::Key_Left}) {
        QTest::keyClick(pane.get(), key);
        EXPECT_EQ(pane->Position(), (PanePoint{0, 0})) << key;
    }
    // The 82 characters are wider than the pane: Right moves one character.
    QTest::keyClick(pane.get(), Qt::Key_Right);
    EXPECT_GT(pane->Position().x, 0);

    // The thumb: halfway shows the middle, the bottom shows the last row.
    bar->setValue(bar->maximum() / 2);
    const std::uint64_t shown = pane->viewport()->height() / pane->RowHeight() + 1;
    EXPECT_LE(pane->RowsInView()->first, rows / 2);
    EXPECT_GE(pane->RowsInView()->first + shown, rows / 2);
    bar->setValue(bar->maximum());
    EXPECT_EQ(pane->Position().y, end.y);
    EXPECT_EQ(pane->RowsInView()->last, rows - 1);
}

INSTANTIATE_TEST_SUITE_P(RowPanes, FourGibibytes,
                         ::testing::Values(LargeFile{"Hex", true}, LargeFile{"Text", false}),
                         [](const ::testing::TestParamInfo<LargeFile>& file) {
                             return std::string(file.param.name);
                         });

TEST(RowPanes, TakeOverShowsTheSameRowsWithoutLoadingAgain)
{
    viewer::doc::app::RegisterStreamServer();
    const std::vector<std::uint8_t> stream = {0x78, 0x9F, 0x3E, 0x22, 0x3C, 0x5A};
    CEnvelonDoc document;
    RecordingMessageSink sink;
    document.SetMessageSink(&sink);
    document.AttachStream(platform::CreateMemoryStream(stream), "header.tnef");
    HeaderElement header;
    const std::vector<std::string> rows = {FormatHexRow(0, stream.data(), stream.size())};

    auto first = MakePane(true, PaneContext{&document, nullptr});
    first->OnUpdate(nullptr, &header);
    ASSERT_EQ(first->RowTexts(0, 10), rows);
    // From here every load fails and says so.
    document.ReleaseContents();

    CEnvelonView details(PaneContext{}, nullptr);
    auto text = MakePane(false, PaneContext{&document, nullptr});
    EXPECT_FALSE(text->TakeOver(first.get()));
    EXPECT_FALSE(first->TakeOver(&details));

    auto second = MakePane(true, PaneContext{&document, nullptr});
    ASSERT_TRUE(second->TakeOver(first.get()));
    EXPECT_EQ(first->RowCount(), 0u);
    second->OnUpdate(nullptr, &header);
    first.reset();
    EXPECT_EQ(second->RowTexts(0, 10), rows);
    EXPECT_EQ(AccessibleLines(*second), QStringList{QString::fromStdString(rows[0])});
    EXPECT_TRUE(sink.Messages().empty());

    // Without a file taken over, the next update loads and fails; after taking over no file,
    // it shows nothing and says nothing.
    auto third = MakePane(true, PaneContext{&document, nullptr});
    third->OnUpdate(nullptr, &header);
    EXPECT_EQ(third->RowCount(), 0u);
    ASSERT_EQ(sink.Messages().size(), 1u);
    EXPECT_EQ(sink.Messages()[0].text, "Failed on opening raw TNEF data. (0X8000FFFF)");
    auto fourth = MakePane(true, PaneContext{&document, nullptr});
    ASSERT_TRUE(fourth->TakeOver(third.get()));
    fourth->OnUpdate(nullptr, &header);
    EXPECT_EQ(fourth->RowCount(), 0u);
    EXPECT_EQ(sink.Messages().size(), 1u);
}

TEST(RowPanes, DragSelectsWholeRowsThatCopyTakesAsText)
{
    auto pane = MakePane(false);
    const std::string text = std::string(80, 'a') + std::string(80, 'b') + "c";
    platform::UniqueFd file = SparseFile(text.size(), 0, text);
    pane->ShowRowFile(std::move(file));
    EXPECT_FALSE(pane->CanHandle(ID_EDIT_COPY));

    QWidget* viewport = pane->viewport();
    const int rowHeight = pane->RowHeight();
    const auto send = [viewport, rowHeight](QEvent::Type type, int row, Qt::MouseButtons buttons) {
        const QPointF at(30, 2 + row * rowHeight + rowHeight / 2);
        QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    };
    send(QEvent::MouseButtonPress, 2, Qt::LeftButton);
    send(QEvent::MouseMove, 1, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, 1, Qt::NoButton);
    ASSERT_TRUE(pane->CanHandle(ID_EDIT_COPY));
    EXPECT_FALSE(pane->CanHandle(ID_EDIT_PASTE));
    ASSERT_TRUE(pane->OnCommand(ID_EDIT_COPY));
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), std::string(80, 'b') + "\nc");
}

} // namespace
} // namespace viewer::ui
