#include "viewer/render/ole/presentation_picture.h"

#include <memory>

#include "viewer/render/bitmap/dib.h"
#include "viewer/render/metafile/metafile_player.h"

namespace viewer::render::ole {

StatusCode DecodePresentation(const Presentation& presentation, std::span<const std::uint8_t> data,
                              metafile::Picture& picture)
{
    if (presentation.clipboardFormat == CF_METAFILEPICT) {
        return metafile::PlayMetafile(data, picture);
    }
    if (presentation.clipboardFormat != CF_DIB) {
        return platform::E_NOTIMPL;
    }
    auto image = std::make_shared<bitmap::Image>();
    if (const StatusCode status = bitmap::DecodeDib(data, *image); platform::Failed(status)) {
        return status;
    }
    metafile::Picture out;
    out.bounds = {0, 0, double(image->width), double(image->height)};
    const metafile::RectD target = out.bounds;
    out.steps.push_back({metafile::ImageStep{target, std::move(image)}, -1});
    picture = std::move(out);
    return platform::S_OK;
}

} // namespace viewer::render::ole
