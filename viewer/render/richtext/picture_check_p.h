// Whether a picture's bytes can hold what it declares.
#pragma once

#include "viewer/render/richtext/rich_document.h"

namespace viewer::render::richtext {

// PNG and JPEG: the signature and, for PNG, a header with a size. Metafiles: their header.
// Device-independent bitmaps: header, palette and every row of pixels present.
// Device-dependent bitmaps: \wbmwidthbytes wide enough for \picw pixels, and every row
// present. Macintosh pictures and unknown formats are never usable.
[[nodiscard]] bool CheckPicture(const Picture& picture);

// Where the pixels of a usable device-independent bitmap begin: after its header, palette
// and colour masks.
[[nodiscard]] std::size_t DibBitsOffset(const Picture& picture);

// The pixel size a PNG or device-independent bitmap declares in its own header; false when
// it has none.
[[nodiscard]] bool PixelSize(const Picture& picture, std::int64_t& width, std::int64_t& height);

} // namespace viewer::render::richtext
