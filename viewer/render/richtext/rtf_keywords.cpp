#include "viewer/render/richtext/rtf_keywords_p.h"

#include <algorithm>
#include <array>

namespace viewer::render::richtext {

namespace {

struct Entry {
    std::string_view name;
    Kw kw;
    bool destination;
    char32_t character = 0;
};

constexpr bool D = true;  // a destination
constexpr bool W = false; // a word

// Sorted by name (checked once, below). Destinations that are left out of the body are
// listed as SkipDestination; those that are \* destinations need no entry at all, since an
// unknown \* destination is skipped anyway.
constexpr Entry kEntries[] = {
    {"aftncn", Kw::SkipDestination, D},
    {"aftnsep", Kw::SkipDestination, D},
    {"aftnsepc", Kw::SkipDestination, D},
    {"annotation", Kw::SkipDestination, D},
    {"ansi", Kw::Ansi, W},
    {"ansicpg", Kw::Ansicpg, W},
    {"atnauthor", Kw::SkipDestination, D},
    {"atndate", Kw::SkipDestination, D},
    {"atnid", Kw::SkipDestination, D},
    {"atnref", Kw::SkipDestination, D},
    {"author", Kw::SkipDestination, D},
    {"b", Kw::B, W},
    {"background", Kw::Background, D},
    {"bkmkend", Kw::SkipDestination, D},
    {"bkmkstart", Kw::Bkmkstart, D},
    {"blue", Kw::Blue, W},
    {"brdrb", Kw::OtherBorder, W},
    {"brdrbar", Kw::OtherBorder, W},
    {"brdrbtw", Kw::OtherBorder, W},
    {"brdrcf", Kw::Brdrcf, W},
    {"brdrdash", Kw::Brdrdash, W},
    {"brdrdashd", Kw::Brdrdash, W},
    {"brdrdashdd", Kw::Brdrdot, W},
    {"brdrdashsm", Kw::Brdrdash, W},
    {"brdrdb", Kw::Brdrdb, W},
    {"brdrdot", Kw::Brdrdot, W},
    {"brdremboss", Kw::Brdrs, W},
    {"brdrengrave", Kw::Brdrs, W},
    {"brdrhair", Kw::Brdrs, W},
    {"brdrinset", Kw::Brdrs, W},
    {"brdrl", Kw::OtherBorder, W},
    {"brdrnil", Kw::Brdrnone, W},
    {"brdrnone", Kw::Brdrnone, W},
    {"brdroutset", Kw::Brdrs, W},
    {"brdrr", Kw::OtherBorder, W},
    {"brdrs", Kw::Brdrs, W},
    {"brdrsh", Kw::Brdrs, W},
    {"brdrt", Kw::OtherBorder, W},
    {"brdrth", Kw::Brdrs, W},
    {"brdrtriple", Kw::Brdrdb, W},
    {"brdrw", Kw::Brdrw, W},
    {"brdrwavy", Kw::Brdrs, W},
    {"bullet", Kw::Character, W, 0x2022},
    {"buptim", Kw::SkipDestination, D},
    {"caps", Kw::Caps, W},
    {"category", Kw::SkipDestination, D},
    {"cb", Kw::Cb, W},
    {"cell", Kw::Cell, W},
    {"cellx", Kw::Cellx, W},
    {"cf", Kw::Cf, W},
    {"chcbpat", Kw::Chcbpat, W},
    {"clbrdrb", Kw::Clbrdrb, W},
    {"clbrdrl", Kw::Clbrdrl, W},
    {"clbrdrr", Kw::Clbrdrr, W},
    {"clbrdrt", Kw::Clbrdrt, W},
    {"clcbpat", Kw::Clcbpat, W},
    {"clmgf", Kw::Clmgf, W},
    {"clmrg", Kw::Clmrg, W},
    {"clvertalb", Kw::Clvertalb, W},
    {"clvertalc", Kw::Clvertalc, W},
    {"clvertalt", Kw::Clvertalt, W},
    {"clvmgf", Kw::Clvmgf, W},
    {"clvmrg", Kw::Clvmrg, W},
    {"colortbl", Kw::Colortbl, D},
    {"column", Kw::Column, W},
    {"comment", Kw::SkipDestination, D},
    {"company", Kw::SkipDestination, D},
    {"cpg", Kw::Cpg, W},
    {"creatim", Kw::SkipDestination, D},
    {"deff", Kw::Deff, W},
    {"dibitmap", Kw::Dibitmap, W},
    {"do", Kw::SkipDestination, D},
    {"doccomm", Kw::SkipDestination, D},
    {"emdash", Kw::Character, W, 0x2014},
    {"emfblip", Kw::Emfblip, W},
    {"emspace", Kw::Character, W, 0x2003},
    {"endash", Kw::Character, W, 0x2013},
    {"enspace", Kw::Character, W, 0x2002},
    {"f", Kw::F, W},
    {"fbidi", Kw::Fbidi, W},
    {"fcharset", Kw::Fcharset, W},
    {"fdecor", Kw::Fdecor, W},
    {"fi", Kw::Fi, W},
    {"field", Kw::Field, D},
    {"filetbl", Kw::SkipDestination, D},
    {"fldinst", Kw::Fldinst, D},
    {"fldrslt", Kw::Fldrslt, D},
    {"fmodern", Kw::Fmodern, W},
    {"fnil", Kw::Fnil, W},
    {"fonttbl", Kw::Fonttbl, D},
    {"footer", Kw::SkipDestination, D},
    {"footerf", Kw::SkipDestination, D},
    {"footerl", Kw::SkipDestination, D},
    {"footerr", Kw::SkipDestination, D},
    {"footnote", Kw::SkipDestination, D},
    {"fprq", Kw::Fprq, W},
    {"froman", Kw::Froman, W},
    {"fromhtml", Kw::Fromhtml, W},
    {"fromtext", Kw::Fromtext, W},
    {"fs", Kw::Fs, W},
    {"fscript", Kw::Fscript, W},
    {"fswiss", Kw::Fswiss, W},
    {"ftech", Kw::Ftech, W},
    {"ftncn", Kw::SkipDestination, D},
    {"ftnsep", Kw::SkipDestination, D},
    {"ftnsepc", Kw::SkipDestination, D},
    {"green", Kw::Green, W},
    {"header", Kw::SkipDestination, D},
    {"headerf", Kw::SkipDestination, D},
    {"headerl", Kw::SkipDestination, D},
    {"headerr", Kw::SkipDestination, D},
    {"highlight", Kw::Highlight, W},
    {"hlinkbase", Kw::SkipDestination, D},
    {"i", Kw::I, W},
    {"ilvl", Kw::Ilvl, W},
    {"info", Kw::SkipDestination, D},
    {"intbl", Kw::Intbl, W},
    {"itap", Kw::Itap, W},
    {"jpegblip", Kw::Jpegblip, W},
    {"keywords", Kw::SkipDestination, D},
    {"ldblquote", Kw::Character, W, 0x201C},
    {"li", Kw::Li, W},
    {"lin", Kw::Li, W},
    {"line", Kw::Line, W},
    {"listoverridetable", Kw::SkipDestination, D},
    {"listtable", Kw::SkipDestination, D},
    {"listtext", Kw::Listtext, D},
    {"lquote", Kw::Character, W, 0x2018},
    {"ls", Kw::Ls, W},
    {"ltrmark", Kw::Character, W, 0x200E},
    {"ltrpar", Kw::Ltrpar, W},
    {"mac", Kw::Mac, W},
    {"macpict", Kw::Macpict, W},
    {"manager", Kw::SkipDestination, D},
    {"nestcell", Kw::Nestcell, W},
    {"nestrow", Kw::Nestrow, W},
    {"nesttableprops", Kw::Nesttableprops, D},
    {"nonesttables", Kw::SkipDestination, D},
    {"nonshppict", Kw::SkipDestination, D},
    {"nosupersub", Kw::Nosupersub, W},
    {"object", Kw::Object, D},
    {"operator", Kw::SkipDestination, D},
    {"page", Kw::Page, W},
    {"par", Kw::Par, W},
    {"pard", Kw::Pard, W},
    {"pc", Kw::Pc, W},
    {"pca", Kw::Pca, W},
    {"piccropb", Kw::Piccropb, W},
    {"piccropl", Kw::Piccropl, W},
    {"piccropr", Kw::Piccropr, W},
    {"piccropt", Kw::Piccropt, W},
    {"pich", Kw::Pich, W},
    {"pichgoal", Kw::Pichgoal, W},
    {"picscalex", Kw::Picscalex, W},
    {"picscaley", Kw::Picscaley, W},
    {"pict", Kw::Pict, D},
    {"picw", Kw::Picw, W},
    {"picwgoal", Kw::Picwgoal, W},
    {"plain", Kw::Plain, W},
    {"pn", Kw::SkipDestination, D},
    {"pngblip", Kw::Pngblip, W},
    {"pntext", Kw::Pntext, D},
    {"pntxta", Kw::SkipDestination, D},
    {"pntxtb", Kw::SkipDestination, D},
    {"printim", Kw::SkipDestination, D},
    {"qc", Kw::Qc, W},
    {"qd", Kw::Qd, W},
    {"qj", Kw::Qj, W},
    {"ql", Kw::Ql, W},
    {"qmspace", Kw::Character, W, 0x2005},
    {"qr", Kw::Qr, W},
    {"rdblquote", Kw::Character, W, 0x201D},
    {"red", Kw::Red, W},
    {"result", Kw::Result, D},
    {"revtbl", Kw::SkipDestination, D},
    {"revtim", Kw::SkipDestination, D},
    {"ri", Kw::Ri, W},
    {"rin", Kw::Ri, W},
    {"row", Kw::Row, W},
    {"rquote", Kw::Character, W, 0x2019},
    {"rtf", Kw::Rtf, W},
    {"rtlmark", Kw::Character, W, 0x200F},
    {"rtlpar", Kw::Rtlpar, W},
    {"rxe", Kw::SkipDestination, D},
    {"sa", Kw::Sa, W},
    {"sb", Kw::Sb, W},
    {"scaps", Kw::Scaps, W},
    {"sect", Kw::Sect, W},
    {"shp", Kw::Shp, D},
    {"shpinst", Kw::Shpinst, D},
    {"shppict", Kw::Shppict, D},
    {"shprslt", Kw::Shprslt, D},
    {"sl", Kw::Sl, W},
    {"slmult", Kw::Slmult, W},
    {"sn", Kw::Sn, D},
    {"strike", Kw::Strike, W},
    {"striked", Kw::Striked, W},
    {"stylesheet", Kw::SkipDestination, D},
    {"sub", Kw::Sub, W},
    {"subject", Kw::SkipDestination, D},
    {"super", Kw::Super, W},
    {"sv", Kw::Sv, D},
    {"tab", Kw::Tab, W},
    {"tc", Kw::SkipDestination, D},
    {"template", Kw::SkipDestination, D},
    {"title", Kw::SkipDestination, D},
    {"trleft", Kw::Trleft, W},
    {"trowd", Kw::Trowd, W},
    {"trqc", Kw::Trqc, W},
    {"trql", Kw::Trql, W},
    {"trqr", Kw::Trqr, W},
    {"txe", Kw::SkipDestination, D},
    {"u", Kw::U, W},
    {"uc", Kw::Uc, W},
    {"ud", Kw::Ud, D},
    {"ul", Kw::Ul, W},
    {"uld", Kw::Uld, W},
    {"uldash", Kw::Uldash, W},
    {"uldashd", Kw::Uldash, W},
    {"uldashdd", Kw::Uldash, W},
    {"uldb", Kw::Uldb, W},
    {"ulhwave", Kw::Ulwave, W},
    {"ulldash", Kw::Uldash, W},
    {"ulnone", Kw::Ulnone, W},
    {"ulth", Kw::Ulth, W},
    {"ulthd", Kw::Uld, W},
    {"ulthdash", Kw::Uldash, W},
    {"ulw", Kw::Ulw, W},
    {"ulwave", Kw::Ulwave, W},
    {"upr", Kw::Upr, D},
    {"v", Kw::V, W},
    {"wbitmap", Kw::Wbitmap, W},
    {"wbmbitspixel", Kw::Wbmbitspixel, W},
    {"wbmplanes", Kw::Wbmplanes, W},
    {"wbmwidthbytes", Kw::Wbmwidthbytes, W},
    {"wmetafile", Kw::Wmetafile, W},
    {"xe", Kw::SkipDestination, D},
    {"zwbo", Kw::Character, W, 0x200B},
    {"zwj", Kw::Character, W, 0x200D},
    {"zwnj", Kw::Character, W, 0x200C},
};

constexpr bool IsSorted()
{
    for (std::size_t i = 1; i < std::size(kEntries); ++i) {
        if (!(kEntries[i - 1].name < kEntries[i].name)) {
            return false;
        }
    }
    return true;
}
static_assert(IsSorted(), "keyword table must be sorted by name for the binary search");

// Where the names of each first letter begin in the table, so that a search compares only
// a handful of names: the reader looks up every control word of a body.
struct LetterIndex {
    std::array<std::uint16_t, 27> start{};
};

constexpr LetterIndex MakeLetterIndex()
{
    LetterIndex index;
    std::size_t entry = 0;
    for (int letter = 0; letter < 26; ++letter) {
        index.start[letter] = static_cast<std::uint16_t>(entry);
        while (entry < std::size(kEntries) && kEntries[entry].name[0] == 'a' + letter) {
            ++entry;
        }
    }
    index.start[26] = static_cast<std::uint16_t>(entry);
    return index;
}
constexpr LetterIndex kLetters = MakeLetterIndex();
static_assert(kLetters.start[26] == std::size(kEntries), "every name begins with a-z");

} // namespace

Keyword LookUpKeyword(std::string_view name)
{
    if (name.empty() || name[0] < 'a' || name[0] > 'z') {
        return {};
    }
    const int letter = name[0] - 'a';
    const auto* begin = std::begin(kEntries) + kLetters.start[letter];
    const auto* end = std::begin(kEntries) + kLetters.start[letter + 1];
    const auto* it = std::lower_bound(begin, end, name, [](const Entry& e, std::string_view n) {
        return e.name < n;
    });
    if (it == end || it->name != name) {
        return {};
    }
    return {it->kw, it->destination, it->character};
}

char32_t SymbolCharacter(char symbol)
{
    switch (symbol) {
    case '~':
        return 0x00A0;
    case '_':
        return 0x2011;
    default:
        return 0; // \- (optional hyphen), \| and \: (index and formula marks) show nothing
    }
}

} // namespace viewer::render::richtext
