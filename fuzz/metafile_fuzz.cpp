// The metafile player: any bytes played into drawing steps, as the attachment pane and as
// an OLE presentation would, every step checked for the shape the back ends rely on, and
// the picture written as SVG.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "viewer/render/metafile/metafile_pane.h"
#include "viewer/render/metafile/metafile_player.h"
#include "viewer/render/metafile/svg_writer.h"

namespace {

using namespace viewer::render::metafile;

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void CheckPicture(const Picture& picture)
{
    Check(picture.steps.size() <= kMaxSteps);
    for (const Step& step : picture.steps) {
        Check(step.clip >= -1 && step.clip < static_cast<std::int32_t>(picture.clips.size()));
        if (const auto* shape = std::get_if<ShapeStep>(&step.what)) {
            std::size_t points = 0;
            for (PathOp op : shape->path.ops) {
                points += op == PathOp::Cubic ? 3 : op == PathOp::Close ? 0 : 1;
            }
            Check(points == shape->path.points.size());
            Check(shape->stroke || shape->fill);
        } else if (const auto* image = std::get_if<ImageStep>(&step.what)) {
            Check(image->image && image->image->pixels.size() ==
                                      std::size_t{image->image->width} * image->image->height);
        } else if (const auto* text = std::get_if<TextStep>(&step.what)) {
            Check(text->offsets.empty() || !text->text.empty());
        }
    }
    const std::string svg = WriteSvg(picture);
    Check(svg.size() > 0 && svg.find("</svg>") != std::string::npos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    Picture picture;
    if (PlayMetafile(bytes, picture) >= 0) {
        CheckPicture(picture);
    } else {
        Check(picture.steps.empty());
    }
    std::size_t n = 0;
    Picture rendering;
    if (LoadAttachmentMetafile(bytes, rendering, n) >= 0) {
        Check(n > 0 && n <= kMaxAttachmentMetafileBytes && n <= size);
        const PixelRect bounds = PictureBoundsInPixels(rendering, 96, 96);
        Check(bounds.left <= 65535 && bounds.right >= -65535);
    }
    return 0;
}
