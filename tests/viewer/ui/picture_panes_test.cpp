// The picture back end and the panes built on it, offscreen: a metafile's steps drawn into an
// image, the attachment-rendering pane's refusals and placement, the OLE-object pane's
// double-click and question, the date form and bitmap resources.
#include "viewer/ui/picture_painter.h"

#include <QCalendarWidget>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QTimeEdit>
#include <gtest/gtest.h>

#include "format/little_endian.h"
#include "platform/memory_stream.h"
#include "tests/support/test_files.h"
#include "tests/viewer/render/ole/ole_fixtures.h"
#include "tests/viewer/render/picture_builders.h"
#include "viewer/doc/app/app_context.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/document/message_sink.h"
#include "viewer/doc/model/element.h"
#include "viewer/render/metafile/metafile_pane.h"
#include "viewer/render/metafile/metafile_player.h"
#include "viewer/render/metafile/wmf_records.h"
#include "viewer/ui/meta_view.h"
#include "viewer/ui/ole_view.h"
#include "viewer/ui/time_form.h"
#include "viewer/ui/wzd_bitmap.h"

namespace viewer::ui {
namespace {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using namespace viewer::render::metafile;
using namespace viewer::render::metafile::wmf;
using testing_support::DibBuilder;
using testing_support::WmfBuilder;
using testing_support::WmfParams;

Picture Play(const std::vector<std::uint8_t>& bytes)
{
    Picture picture;
    EXPECT_EQ(PlayMetafile(bytes, picture), platform::S_OK);
    return picture;
}

QColor At(const QImage& image, int x, int y)
{
    return QColor::fromRgba(image.pixel(x, y));
}

TEST(PicturePainter, DrawsShapesClipsBitmapsAndTextScaledOntoTheTarget)
{
    // A 100 x 70 picture: a red square, a blue rectangle clipped to the right half, a green and
    // yellow bitmap stretched to 20 x 6, and black text below; drawn at twice its size.
    std::vector<std::uint8_t> face(32, 0);
    face[0] = 'A';
    const auto dib = DibBuilder(2, 1, 24).Bits({0, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0}).Bytes();
    const Picture picture =
        Play(WmfBuilder()
                 .Pair(META_SETWINDOWEXT, 100, 70)
                 .Record(META_CREATEBRUSHINDIRECT, WmfParams{BS_SOLID}.Colour(0xFF0000).W(0))
                 .Record(META_SELECTOBJECT, {0})
                 .Record(META_CREATEPENINDIRECT, WmfParams{PS_NULL, 0, 0}.Colour(0))
                 .Record(META_SELECTOBJECT, {1})
                 .Box(META_RECTANGLE, 10, 10, 40, 40)
                 .Record(META_SAVEDC)
                 .Box(META_INTERSECTCLIPRECT, 50, 0, 100, 70)
                 .Record(META_CREATEBRUSHINDIRECT, WmfParams{BS_SOLID}.Colour(0x0000FF).W(0))
                 .Record(META_SELECTOBJECT, {2})
                 .Box(META_RECTANGLE, 40, 10, 90, 40)
                 .Record(META_RESTOREDC, {-1})
                 .Record(META_STRETCHDIB, WmfParams()
                                              .D(SRCCOPY)
                                              .W(DIB_RGB_COLORS)
                                              .W(1)
                                              .W(2)
                                              .W(0)
                                              .W(0)
                                              .W(6)
                                              .W(20)
                                              .W(42)
                                              .W(60)
                                              .Raw(dib))
                 .Record(META_CREATEFONTINDIRECT,
                         WmfParams{-16, 0, 0, 0, 700}.Raw({0, 0, 0, 0, 0, 0, 0, 0}).Raw(face))
                 .Record(META_SELECTOBJECT, {3})
                 .Record(META_TEXTOUT, WmfParams{4}.Text("WWWW").W(50).W(5))
                 .Bytes());

    const QImage image = RenderPicture(picture, QSize(200, 140));
    EXPECT_EQ(At(image, 5, 5).alpha(), 0);
    EXPECT_EQ(At(image, 50, 50), QColor(Qt::red));
    EXPECT_EQ(At(image, 90, 50).alpha(), 0) << "left of the clip rectangle";
    EXPECT_EQ(At(image, 150, 50), QColor(Qt::blue));
    EXPECT_EQ(At(image, 125, 90), QColor(Qt::green));
    EXPECT_EQ(At(image, 155, 90), QColor(Qt::yellow));
    int inked = 0;
    for (int y = 100; y < 140; ++y) {
        for (int x = 10; x < 120; ++x) {
            inked += At(image, x, y).alpha() > 0 && At(image, x, y).value() < 96;
        }
    }
    EXPECT_GT(inked, 100) << "the text's glyphs";
}

// ---- Panes over a document of hand-placed elements --------------------------------------

// A metafile of exactly `bytes` bytes (even, at least 30): a window of 100 x 50 and an escape
// that fills the rest.
std::vector<std::uint8_t> MetafileOfSize(std::size_t bytes, int width = 100, int height = 50)
{
    return WmfBuilder()
        .Pair(META_SETWINDOWEXT, width, height)
        .Record(META_ESCAPE, WmfParams().Raw(std::vector<std::uint8_t>(bytes - 18 - 10 - 6 - 6)))
        .Bytes();
}

class PaneDocument : public ::testing::Test {
protected:
    void SetUp() override
    {
        viewer::doc::app::RegisterStreamServer();
        m_document.SetMessageSink(&m_sink);
    }

    // The document's stream holds `data` as the data of the next element made.
    std::uint64_t Place(const std::vector<std::uint8_t>& prefix,
                        const std::vector<std::uint8_t>& data)
    {
        const std::uint64_t at = m_bytes.size();
        m_bytes.insert(m_bytes.end(), prefix.begin(), prefix.end());
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
        m_document.AttachStream(platform::CreateMemoryStream(m_bytes), "panes.tnef");
        return at;
    }

    AttributeElement& Rendering(const std::vector<std::uint8_t>& metafile)
    {
        auto element = std::make_unique<AttributeElement>(ELEM_METAFILE);
        element->m_identifier = format::attAttachMetaFile;
        element->m_position =
            Place(std::vector<std::uint8_t>(format::kAttributeDataOffset), metafile);
        element->m_length = static_cast<std::uint32_t>(metafile.size());
        m_elements.push_back(std::move(element));
        return static_cast<AttributeElement&>(*m_elements.back());
    }

    ValueElement& Object(const std::vector<std::uint8_t>& compoundFile)
    {
        auto element = std::make_unique<ValueElement>(ELEM_OLE_OBJECT);
        std::vector<std::uint8_t> head(4 + 16);
        format::StoreLe32(head.data(), static_cast<std::uint32_t>(compoundFile.size() + 16));
        element->m_layout = format::kLayoutObject;
        element->m_size = static_cast<std::uint32_t>(compoundFile.size() + 16);
        element->m_position = Place(head, compoundFile);
        m_elements.push_back(std::move(element));
        return static_cast<ValueElement&>(*m_elements.back());
    }

    PaneContext Context() { return PaneContext{&m_document, nullptr}; }

    RecordingMessageSink m_sink{MessageAnswer::Cancel};
    CEnvelonDoc m_document;
    std::vector<std::uint8_t> m_bytes;
    std::vector<std::unique_ptr<ElementRef>> m_elements;
};

struct SizeCase {
    const char* name;
    std::vector<std::uint8_t> metafile;
    bool shown;
};

class RenderingSize : public PaneDocument, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(RenderingSize, AboveSixteenKibibytesOrEmptyIsRefusedWithMessage521)
{
    const auto before = testing_support::TempFolderEntries();
    CMetaView pane(Context(), nullptr);
    pane.OnUpdate(nullptr, &Rendering(GetParam().metafile));
    if (GetParam().shown) {
        EXPECT_NE(pane.CurrentPicture(), nullptr);
        EXPECT_TRUE(m_sink.Messages().empty());
        return;
    }
    EXPECT_EQ(pane.CurrentPicture(), nullptr);
    EXPECT_EQ(pane.FilePath(), "");
    EXPECT_EQ(testing_support::TempFolderEntries(), before);
    ASSERT_EQ(m_sink.Messages().size(), 1u);
    EXPECT_EQ(m_sink.Messages()[0].text, "Failed on opening metafile data. (0X80004005)");
    EXPECT_EQ(m_sink.Messages()[0].icon, MessageIcon::Error);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RenderingSize,
                         ::testing::Values(SizeCase{"NoBits", WmfBuilder().MtSizeWords(0).Bytes(),
                                                    false},
                                           SizeCase{"AtTheLimit", MetafileOfSize(16384), true},
                                           SizeCase{"OneWordAbove", MetafileOfSize(16386), false}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(PaneDocument, ASecondRenderingIsShownInTheFirstOnesPlace)
{
    const auto first = MetafileOfSize(2000, 100, 50);
    AttributeElement& one = Rendering(first);
    AttributeElement& two = Rendering(MetafileOfSize(40, 300, 200));
    CMetaView pane(Context(), nullptr);
    pane.resize(640, 480);

    pane.OnUpdate(nullptr, &one);
    ASSERT_NE(pane.Control(), nullptr);
    const PixelRect bounds =
        PictureBoundsInPixels(*pane.CurrentPicture(), pane.logicalDpiX(), pane.logicalDpiY());
    const QRect place(bounds.left, bounds.top, bounds.right - bounds.left,
                      bounds.bottom - bounds.top);
    EXPECT_EQ(pane.Control()->geometry(), place);
    // The element holds the metafile's bits now; its record still says how long it is.
    EXPECT_EQ(one.Capacity(), first.size());
    EXPECT_EQ(one.m_length, first.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), one.Buffer()));

    pane.OnUpdate(nullptr, &two);
    EXPECT_EQ(pane.CurrentPicture()->bounds, (RectD{0, 0, 300, 200}));
    EXPECT_EQ(pane.Control()->geometry(), place);
    EXPECT_TRUE(m_sink.Messages().empty());
}

TEST_F(PaneDocument, ObjectOpensOnlyInsideItsExtentAndOnlyAfterTheQuestion)
{
    // A metafile presentation of 2 x 1 cm: 76 x 38 pixels at 96 dpi.
    testing_support::StorageTree tree;
    tree.streams["\002OlePres000"] = testing_support::PresentationStream(
        viewer::render::ole::CF_METAFILEPICT, viewer::render::ole::DVASPECT_CONTENT, 2000, 1000,
        MetafileOfSize(40));
    const std::string file = testing_support::Scratch() + "object.ole";
    ASSERT_TRUE(testing_support::WriteStorageFile(file, tree));
    COLEView pane(Context(), nullptr);
    pane.resize(400, 300);
    pane.show();
    pane.OnUpdate(nullptr, &Object(testing_support::ReadFile(file)));
    ASSERT_NE(pane.Item(), nullptr);
    PixelRect extent;
    ASSERT_EQ(pane.Item()->GetObjectExtent(pane.logicalDpiX(), pane.logicalDpiY(), &extent),
              platform::S_OK);

    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {},
                       QPoint(extent.right + 1, extent.bottom / 2));
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {},
                       QPoint(extent.right / 2, extent.bottom + 1));
    EXPECT_TRUE(m_sink.Messages().empty());

    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {},
                       QPoint(extent.right / 2, extent.bottom / 2));
    ASSERT_EQ(m_sink.Messages().size(), 1u) << "question 517 declined, nothing more";
    EXPECT_EQ(m_sink.Messages()[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(m_sink.Messages()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(pane.Item()->State(), viewer::render::ole::CEmbeddedItem::kLoaded);
}

TEST(DatePane, ShowsTheDateReadOnlyAndAnImpossibleOneAsAnEmptyForm)
{
    const auto record = [](std::vector<std::uint16_t> fields) {
        auto element = std::make_unique<AttributeElement>(ELEM_DATE);
        element->m_length = 14;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            format::StoreLe16(element->Buffer() + 2 * i, fields[i]);
        }
        return element;
    };
    const auto leapDay = record({2024, 2, 29, 12, 34, 56, 4});
    const auto month13 = record({2024, 13, 1, 0, 0, 0, 0});
    CTimeForm form(PaneContext{}, nullptr);

    form.OnUpdate(nullptr, leapDay.get());
    EXPECT_FALSE(form.Calendar()->isHidden());
    EXPECT_EQ(form.Calendar()->selectedDate(), QDate(2024, 2, 29));
    EXPECT_EQ(form.TimeField()->time(), QTime(12, 34, 56));
    EXPECT_TRUE(form.IsoLine()->text().startsWith(QStringLiteral("2024-02-29T12:34:56")));
    EXPECT_TRUE(form.Calendar()->isEnabled());
    EXPECT_TRUE(form.TimeField()->isReadOnly());
    form.Calendar()->setSelectedDate(QDate(2024, 3, 1));
    EXPECT_EQ(form.Calendar()->selectedDate(), QDate(2024, 2, 29));

    form.OnUpdate(nullptr, month13.get());
    EXPECT_TRUE(form.Calendar()->isHidden());
    EXPECT_TRUE(form.TimeField()->isHidden());
    EXPECT_EQ(form.IsoLine()->text(), QString());
}

TEST(BitmapResource, FourBitBitmapShowsItsSixteenColoursAndTheSplashIsTrueColour)
{
    std::vector<std::uint32_t> colours;
    for (std::uint32_t i = 0; i < 16; ++i) {
        colours.push_back((i * 0x10u) << 16 | (0xF0u - i * 0x10u) << 8 | (i * 7u));
    }
    const std::string path = testing_support::Scratch() + "sixteen.bmp";
    testing_support::WriteFile(path, DibBuilder(16, 1, 4)
                                         .Colours(colours)
                                         .Bits({0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF})
                                         .BmpFile());
    CWzdBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadFromFile(QString::fromStdString(path)));
    ASSERT_EQ(bitmap.Palette().size(), 16);
    EXPECT_EQ(bitmap.Image().colorCount(), 16);
    for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(bitmap.Image().pixel(x, 0), 0xFF000000u | colours[std::size_t(x)]) << x;
    }

    CWzdBitmap splash;
    ASSERT_TRUE(splash.LoadFromResource(150));
    EXPECT_EQ(splash.Width(), 466);
    EXPECT_EQ(splash.Height(), 62);
    EXPECT_TRUE(splash.Palette().isEmpty());
}

} // namespace
} // namespace viewer::ui
