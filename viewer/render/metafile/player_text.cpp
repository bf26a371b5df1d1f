// TextOut and ExtTextOut: text decoded with the selected font's character set.
#include <cmath>
#include <numbers>

#include "platform/text.h"
#include "viewer/render/metafile/player_p.h"

namespace viewer::render::metafile {

using namespace wmf;

namespace {

// A positive font height is the character cell's; the em is about nine tenths of it for
// the faces mail clients use.
constexpr double kEmPerCellHeight = 0.9;
// Height 0 asks for the default font: 12 points on a 96-dpi screen.
constexpr double kDefaultEm = 16;
// Where no spacing array tells, a character is taken as this fraction of the em wide.
constexpr double kAverageAdvance = 0.55;

// The Windows code page of a LOGFONT character set.
std::uint32_t CodePageOfCharset(std::uint8_t charset)
{
    switch (charset) {
    case 128:
        return 932; // SHIFTJIS_CHARSET
    case 129:
        return 949; // HANGUL_CHARSET
    case 134:
        return 936; // GB2312_CHARSET
    case 136:
        return 950; // CHINESEBIG5_CHARSET
    case 161:
        return 1253; // GREEK_CHARSET
    case 162:
        return 1254; // TURKISH_CHARSET
    case 163:
        return 1258; // VIETNAMESE_CHARSET
    case 177:
        return 1255; // HEBREW_CHARSET
    case 178:
        return 1256; // ARABIC_CHARSET
    case 186:
        return 1257; // BALTIC_CHARSET
    case 204:
        return 1251; // RUSSIAN_CHARSET
    case 222:
        return 874; // THAI_CHARSET
    case 238:
        return 1250; // EASTEUROPE_CHARSET
    case 255:
        return 437; // OEM_CHARSET
    default:
        return platform::kDefaultCodePage; // ANSI, DEFAULT, SYMBOL and the rest
    }
}

std::size_t CodePoints(const std::string& utf8)
{
    std::size_t count = 0;
    for (char c : utf8) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return count;
}

} // namespace

bool Player::TextRecord(std::uint16_t function, const Params& params)
{
    if (function == META_TEXTOUT) {
        // StringLength, the string padded to a word, YStart, XStart.
        if (params.Words() < 1) {
            return false;
        }
        const std::size_t count = params.U16(0);
        const std::size_t stringWords = (count + 1) / 2;
        if (params.Words() < 3 + stringWords) {
            return false;
        }
        AddText(params.S16(2 + stringWords), params.S16(1 + stringWords),
                params.From(2).first(count), {}, 0, std::nullopt);
        return true;
    }
    // Y, X, StringLength, fwOpts, a rectangle when clipped or opaque (left, top, right,
    // bottom), the string padded to a word, then optionally one spacing value per byte
    // (two with ETO_PDY).
    if (params.Words() < 4) {
        return false;
    }
    const std::size_t count = params.U16(2);
    const std::uint16_t options = params.U16(3);
    std::size_t offset = 8;
    std::optional<RectD> rect;
    if (options & (ETO_OPAQUE | ETO_CLIPPED)) {
        if (params.Words() < 8) {
            return false;
        }
        const Mapping m = m_state.CurrentMapping();
        rect = RectFromCorners(m.Map(params.S16(4), params.S16(5)),
                               m.Map(params.S16(6), params.S16(7)));
        offset = 16;
    }
    if (count > params.Bytes() - offset) {
        return false;
    }
    const auto text = params.From(offset).first(count);
    offset += count + count % 2;
    std::vector<std::int16_t> dx;
    const std::size_t stride = options & ETO_PDY ? 2 : 1;
    if (offset <= params.Bytes() && (params.Bytes() - offset) / 2 / stride >= count) {
        dx.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            dx.push_back(params.S16(offset / 2 + i * stride));
        }
    }
    AddText(params.S16(1), params.S16(0), text, dx, options, rect);
    return true;
}

void Player::AddText(double x, double y, std::span<const std::uint8_t> bytes,
                     std::span<const std::int16_t> dx, std::uint16_t options,
                     const std::optional<RectD>& rect)
{
    const Mapping m = m_state.CurrentMapping();
    if ((options & ETO_OPAQUE) && rect) {
        FillRect(*rect, Fill{m_state.bkColour, Fill::Hatch::None, std::nullopt});
    }
    const bool updateCp = m_state.textAlign & TA_UPDATECP;
    if (updateCp) {
        x = m_state.position.x;
        y = m_state.position.y;
    }
    // Glyph indices need the font file itself; such text is left out.
    if (bytes.empty() || (options & ETO_GLYPH_INDEX)) {
        return;
    }
    const FontSpec& spec = m_state.font;
    const std::uint32_t codePage = CodePageOfCharset(spec.charset);
    const double em = spec.height < 0   ? -double(spec.height)
                      : spec.height > 0 ? spec.height * kEmPerCellHeight
                                        : kDefaultEm;

    TextStep t;
    t.origin = m.Map(x, y);
    t.text = platform::DecodeCodePage(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), codePage);
    t.font.face = platform::DecodeCodePage(spec.face, codePage);
    t.font.size = em * std::fabs(m.sy);
    t.font.weight = spec.weight > 0 ? spec.weight : 400;
    t.font.italic = spec.italic;
    t.font.underline = spec.underline;
    t.font.strikeOut = spec.strikeOut;
    t.font.angle = spec.escapement / 10.0;
    t.colour = m_state.textColour;
    if (m_state.bkMode == OPAQUE) {
        t.background = m_state.bkColour;
    }
    const std::uint16_t horizontal = m_state.textAlign & TA_CENTER;
    t.anchor = horizontal == TA_CENTER  ? TextStep::Anchor::Middle
               : horizontal == TA_RIGHT ? TextStep::Anchor::End
                                        : TextStep::Anchor::Start;
    const std::uint16_t vertical = m_state.textAlign & TA_BASELINE;
    t.baseline = vertical == TA_BASELINE ? TextStep::Baseline::Alphabetic
                 : vertical == TA_BOTTOM ? TextStep::Baseline::Bottom
                                         : TextStep::Baseline::Top;
    if ((options & ETO_CLIPPED) && rect) {
        t.clip = rect;
    }

    // The spacing array places each character; one character per byte is needed to match
    // them up (double-byte text keeps the font's own spacing).
    double logicalWidth = 0;
    const double scale = std::fabs(m.sx);
    if (!dx.empty() && CodePoints(t.text) == bytes.size()) {
        t.offsets.reserve(dx.size());
        for (std::int16_t advance : dx) {
            t.offsets.push_back(logicalWidth * scale);
            logicalWidth += advance;
        }
        // With every position known, the text starts where its anchor puts it.
        const double shift = t.anchor == TextStep::Anchor::End      ? logicalWidth * scale
                             : t.anchor == TextStep::Anchor::Middle ? logicalWidth * scale / 2
                                                                    : 0;
        const double radians = t.font.angle * std::numbers::pi / 180;
        t.origin = {t.origin.x - shift * std::cos(radians), t.origin.y + shift * std::sin(radians)};
        t.anchor = TextStep::Anchor::Start;
    } else {
        logicalWidth = double(CodePoints(t.text)) * em * kAverageAdvance;
    }
    if (updateCp) {
        m_state.position.x = x + logicalWidth;
    }

    const double width = logicalWidth * scale;
    const double left = t.anchor == TextStep::Anchor::End      ? t.origin.x - width
                        : t.anchor == TextStep::Anchor::Middle ? t.origin.x - width / 2
                                                               : t.origin.x;
    const RectD extent{left, t.origin.y - t.font.size, left + width, t.origin.y + t.font.size};
    Emit(std::move(t), extent);
}

} // namespace viewer::render::metafile
