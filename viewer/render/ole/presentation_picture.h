// A presentation's data made drawable: one Picture for either kind of data, so that the
// Qt back end and the SVG writer draw OLE objects as they draw attachment renderings.
#pragma once

#include <cstdint>
#include <span>

#include "viewer/render/metafile/picture.h"
#include "viewer/render/ole/ole_streams.h"

namespace viewer::render::ole {

// Metafile bits (CF_METAFILEPICT, no placeable header) go through the player; a DIB
// becomes one bitmap that fills a picture of its own pixels. E_NOTIMPL for other formats;
// a metafile whose header cannot be read, or a damaged DIB, is E_FAIL.
[[nodiscard]] StatusCode DecodePresentation(const Presentation& presentation,
                                            std::span<const std::uint8_t> data,
                                            metafile::Picture& picture);

} // namespace viewer::render::ole
