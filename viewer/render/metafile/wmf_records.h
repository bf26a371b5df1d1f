// Record functions and constants of Windows metafiles ([MS-WMF] 2.1), as the player reads
// them and as tests write them.
#pragma once

#include <cstdint>

namespace viewer::render::metafile::wmf {

inline constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;

enum Function : std::uint16_t {
    META_EOF = 0x0000,
    META_SAVEDC = 0x001E,
    META_CREATEPALETTE = 0x00F7,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETROP2 = 0x0104,
    META_SETPOLYFILLMODE = 0x0106,
    META_SETSTRETCHBLTMODE = 0x0107,
    META_RESTOREDC = 0x0127,
    META_SELECTCLIPREGION = 0x012C,
    META_SELECTOBJECT = 0x012D,
    META_SETTEXTALIGN = 0x012E,
    META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_DELETEOBJECT = 0x01F0,
    META_CREATEPATTERNBRUSH = 0x01F9,
    META_SETBKCOLOR = 0x0201,
    META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_SETVIEWPORTORG = 0x020D,
    META_SETVIEWPORTEXT = 0x020E,
    META_OFFSETWINDOWORG = 0x020F,
    META_OFFSETVIEWPORTORG = 0x0211,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_OFFSETCLIPRGN = 0x0220,
    META_SELECTPALETTE = 0x0234,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_SCALEWINDOWEXT = 0x0410,
    META_SCALEVIEWPORTEXT = 0x0412,
    META_EXCLUDECLIPRECT = 0x0415,
    META_INTERSECTCLIPRECT = 0x0416,
    META_ELLIPSE = 0x0418,
    META_RECTANGLE = 0x041B,
    META_TEXTOUT = 0x0521,
    META_POLYPOLYGON = 0x0538,
    META_ROUNDRECT = 0x061C,
    META_PATBLT = 0x061D,
    META_ESCAPE = 0x0626,
    META_CREATEREGION = 0x06FF,
    META_ARC = 0x0817,
    META_PIE = 0x081A,
    META_CHORD = 0x0830,
    META_DIBBITBLT = 0x0940,
    META_EXTTEXTOUT = 0x0A32,
    META_DIBSTRETCHBLT = 0x0B41,
    META_STRETCHDIB = 0x0F43,
};

enum MapMode : std::uint16_t {
    MM_TEXT = 1,
    MM_LOMETRIC = 2,
    MM_HIMETRIC = 3,
    MM_LOENGLISH = 4,
    MM_HIENGLISH = 5,
    MM_TWIPS = 6,
    MM_ISOTROPIC = 7,
    MM_ANISOTROPIC = 8,
};

// Raster operations of the bitmap records.
inline constexpr std::uint32_t BLACKNESS = 0x00000042;
inline constexpr std::uint32_t NOTSRCCOPY = 0x00330008;
inline constexpr std::uint32_t SRCINVERT = 0x00660046;
inline constexpr std::uint32_t SRCAND = 0x008800C6;
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;
inline constexpr std::uint32_t SRCPAINT = 0x00EE0086;
inline constexpr std::uint32_t PATCOPY = 0x00F00021;
inline constexpr std::uint32_t WHITENESS = 0x00FF0062;

// Binary raster operations of SetROP2 that change what is drawn.
inline constexpr std::uint16_t R2_BLACK = 1;
inline constexpr std::uint16_t R2_NOP = 11;
inline constexpr std::uint16_t R2_COPYPEN = 13;
inline constexpr std::uint16_t R2_WHITE = 16;

inline constexpr std::uint16_t HALFTONE = 4; // SetStretchBltMode

inline constexpr std::uint16_t TRANSPARENT = 1;
inline constexpr std::uint16_t OPAQUE = 2;

inline constexpr std::uint16_t ALTERNATE = 1;
inline constexpr std::uint16_t WINDING = 2;

inline constexpr std::uint16_t TA_UPDATECP = 0x0001;
inline constexpr std::uint16_t TA_RIGHT = 0x0002;
inline constexpr std::uint16_t TA_CENTER = 0x0006;
inline constexpr std::uint16_t TA_BOTTOM = 0x0008;
inline constexpr std::uint16_t TA_BASELINE = 0x0018;

inline constexpr std::uint16_t ETO_OPAQUE = 0x0002;
inline constexpr std::uint16_t ETO_CLIPPED = 0x0004;
inline constexpr std::uint16_t ETO_GLYPH_INDEX = 0x0010;
inline constexpr std::uint16_t ETO_PDY = 0x2000;

inline constexpr std::uint16_t PS_NULL = 5;
inline constexpr std::uint16_t BS_SOLID = 0;
inline constexpr std::uint16_t BS_NULL = 1;
inline constexpr std::uint16_t BS_HATCHED = 2;
inline constexpr std::uint16_t BS_PATTERN = 3;

inline constexpr std::uint16_t DIB_RGB_COLORS = 0;
inline constexpr std::uint16_t DIB_PAL_COLORS = 1;

} // namespace viewer::render::metafile::wmf
