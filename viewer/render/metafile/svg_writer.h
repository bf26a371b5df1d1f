// SVG documents of played pictures, for pallion-cli and for anyone without the desktop:
// shapes as paths, text as text, bitmaps as embedded PNG images.
#pragma once

#include <string>

#include "viewer/render/metafile/picture.h"

namespace viewer::render::metafile {

struct SvgSize {
    double width = 0; // pixels; 0 with height 0: the picture's natural size
    double height = 0;
};

// The whole document. The picture's bounds fill the given size (or its natural size at
// 96 dpi); text is written as text that any SVG reader lays out in the named face.
std::string WriteSvg(const Picture& picture, SvgSize size = {});

} // namespace viewer::render::metafile
