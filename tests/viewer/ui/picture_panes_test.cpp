// The picture back end and the panes built on it, offscreen: a metafile's steps drawn into an
// image, the attachment-rendering pane's refusals and placement, the OLE-object pane's
// double-click and question, the date form and bitmap resources.
#include "viewer/ui/picture_painter.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

#include "tests/viewer/render/picture_builders.h"
#include "viewer/render/metafile/metafile_player.h"
#include "viewer/render/metafile/wmf_records.h"

namespace viewer::ui {
namespace {

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

} // namespace
} // namespace viewer::ui
