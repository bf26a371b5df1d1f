// The rules of the attachment-rendering pane that do not need a window: how many bytes of
// a metafile it takes, which rectangle its picture control gets and where a picture sits
// in it. The Qt pane calls these and only draws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/status.h"
#include "viewer/render/metafile/picture.h"

namespace viewer::render::metafile {

// Attachment renderings are small pictures of an icon and a name; larger ones are refused.
inline constexpr std::size_t kMaxAttachmentMetafileBytes = 16384;

// The size n of a rendering's metafile bits: the standard header's mtSize words times 2,
// after a placeable header when there is one, bounded by the bytes present. E_FAIL when
// the headers cannot be read or n is 0 or above kMaxAttachmentMetafileBytes.
[[nodiscard]] platform::StatusCode AttachmentMetafileSize(std::span<const std::uint8_t> data,
                                                          std::size_t& n);

// The size rule, then the picture played from those n bytes (and the placeable header).
[[nodiscard]] platform::StatusCode LoadAttachmentMetafile(std::span<const std::uint8_t> data,
                                                          Picture& picture, std::size_t& n);

// The picture's bounds in pixels at the screen's resolution, each edge as stored.
PixelRect PictureBoundsInPixels(const Picture& picture, int dpiX, int dpiY);

// The picture control's rectangle: a control that exists keeps its own (a later picture
// is shown in the first one's place); a new one takes the picture's bounds, or the pane's
// client rectangle when there is no picture or it has no extent.
PixelRect PictureControlRect(const std::optional<PixelRect>& existing, const Picture* picture,
                             const PixelRect& client, int dpiX, int dpiY);

// Where a picture of `width` by `height` is drawn inside `area`: scaled to fit with its
// proportions kept, centred. Empty when either has no extent.
RectD FitCentred(double width, double height, const PixelRect& area);

} // namespace viewer::render::metafile
