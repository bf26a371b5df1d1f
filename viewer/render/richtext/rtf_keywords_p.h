// The control words the reader acts on, looked up by name.
#pragma once

#include <cstdint>
#include <string_view>

namespace viewer::render::richtext {

enum class Kw : std::uint16_t {
    Unknown,
    // header
    Rtf, Ansi, Mac, Pc, Pca, Ansicpg, Deff, Fromhtml, Fromtext, Uc,
    // destinations read
    Fonttbl, Colortbl, Field, Fldinst, Fldrslt, Pict, Shppict, Object, Result, Upr, Ud,
    Bkmkstart, Listtext, Pntext, Nesttableprops, Shp, Shprslt,
    // destinations left out of the body
    SkipDestination,
    // fonts and colours
    Fnil, Froman, Fswiss, Fmodern, Fscript, Fdecor, Ftech, Fbidi, Fcharset, Fprq, Cpg,
    Red, Green, Blue,
    // characters
    Plain, B, I, Ul, Uld, Uldash, Uldb, Ulth, Ulw, Ulwave, Ulnone, Strike, Striked, F, Fs,
    Cf, Cb, Chcbpat, Highlight, Super, Sub, Nosupersub, Caps, Scaps, V,
    // paragraphs
    Par, Pard, Ql, Qr, Qc, Qj, Qd, Li, Ri, Fi, Sb, Sa, Sl, Slmult, Line, Tab, Page, Sect,
    Column, Intbl, Itap, Ls, Ilvl, Rtlpar, Ltrpar,
    // tables
    Trowd, Trleft, Trql, Trqc, Trqr, Cellx, Clmgf, Clmrg, Clvmgf, Clvmrg, Clcbpat, Clvertalt,
    Clvertalc, Clvertalb, Clbrdrt, Clbrdrl, Clbrdrb, Clbrdrr, OtherBorder, Brdrnone, Brdrs,
    Brdrdb, Brdrdot, Brdrdash, Brdrw, Brdrcf, Cell, Row, Nestcell, Nestrow,
    // pictures
    Pngblip, Jpegblip, Emfblip, Wmetafile, Dibitmap, Wbitmap, Macpict, Picw, Pich, Picwgoal,
    Pichgoal, Picscalex, Picscaley, Piccropl, Piccropr, Piccropt, Piccropb, Wbmbitspixel,
    Wbmplanes, Wbmwidthbytes,
    // characters by name
    U, Emdash, Endash, Bullet, Lquote, Rquote, Ldblquote, Rdblquote, Emspace, Enspace,
    Qmspace, Zwj, Zwnj, Zwbo, Ltrmark, Rtlmark,
};

struct Keyword {
    Kw kw = Kw::Unknown;
    // A destination: after \* it is honoured rather than skipped.
    bool destination = false;
};

[[nodiscard]] Keyword LookUpKeyword(std::string_view name);

} // namespace viewer::render::richtext
