#include "platform/text.h"

#include <cerrno>
#include <iconv.h>

#include <cwctype>
#include <vector>

#include "format/little_endian.h"
#include "platform/format.h"
#include "platform/text_safety.h"

namespace platform {

void AppendEscapedMarkup(std::string& out, std::string_view text)
{
    for (const char c : text) {
        switch (c) {
        case '&':
            out.append("&amp;");
            break;
        case '<':
            out.append("&lt;");
            break;
        case '>':
            out.append("&gt;");
            break;
        case '"':
            out.append("&quot;");
            break;
        default:
            out.push_back(c);
            break;
        }
    }
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

namespace {

std::string Utf16ToUtf8Impl(std::u16string_view text, bool escapedBytes)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            const char32_t c = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            AppendUtf8(out, c);
            ++i;
        } else if (escapedBytes && unit >= 0xDC80 && unit <= 0xDCFF) {
            out.push_back(static_cast<char>(unit - 0xDC00));
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

} // namespace

std::string Utf16ToUtf8(std::u16string_view text) { return Utf16ToUtf8Impl(text, false); }

std::string Utf16ToUtf8Lossless(std::u16string_view text) { return Utf16ToUtf8Impl(text, true); }

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t length = Utf8SequenceAt(text, i, &c);
        if (length == 0) {
            out.push_back(static_cast<char16_t>(0xDC00 + static_cast<std::uint8_t>(text[i])));
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
        i += length;
    }
    return out;
}

std::u32string Utf8ToCodePoints(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        out.push_back(NextUtf8Char(text, i));
    }
    return out;
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::u16string Utf16FromLittleEndian(const std::uint8_t* bytes, std::size_t count)
{
    std::u16string out(count / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(format::LoadLe16(bytes + 2 * i));
    }
    return out;
}

char32_t Windows1252Char(std::uint8_t byte)
{
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    if (byte >= 0x80 && byte < 0xA0) {
        return kHigh[byte - 0x80];
    }
    return byte;
}

namespace {

// The iconv name of a Windows code page identifier.
std::string IconvName(std::uint32_t codePage)
{
    switch (codePage) {
    case 65001:
        return "UTF-8";
    case 20127:
        return "ASCII";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    case 950:
        return "CP950";
    case 54936:
        return "GB18030";
    case 50220:
    case 50221:
    case 50222:
        return "ISO-2022-JP";
    case 51932:
        return "EUC-JP";
    case 51949:
        return "EUC-KR";
    case 874:
        return "CP874";
    default:
        break;
    }
    if ((codePage >= 1250 && codePage <= 1258) || codePage == 437 || codePage == 850 ||
        codePage == 852 || codePage == 866) {
        return Format("CP%u", codePage);
    }
    if (codePage >= 28591 && codePage <= 28605) {
        return Format("ISO-8859-%u", codePage - 28590);
    }
    return "CP1252";
}

// RAII owner of an iconv descriptor.
class Converter {
public:
    Converter(const std::string& to, const std::string& from)
        : m_handle(iconv_open(to.c_str(), from.c_str()))
    {
    }
    ~Converter()
    {
        if (Valid()) {
            iconv_close(m_handle);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_handle; }

private:
    iconv_t m_handle;
};

} // namespace

std::string DecodeCodePage(std::string_view bytes, std::uint32_t codePage)
{
    // Messages that name UTF-8 often carry 8-bit properties written in the sender's
    // Windows code page all the same: text that is not UTF-8 is read as Windows-1252.
    if (codePage == 65001 && !IsValidUtf8(bytes)) {
        codePage = kDefaultCodePage;
    }
    std::string out;
    Converter converter("UTF-8", IconvName(codePage));
    if (!converter.Valid()) {
        for (char byte : bytes) {
            AppendUtf8(out, Windows1252Char(static_cast<std::uint8_t>(byte)));
        }
        return out;
    }
    // Windows-1252 leaves five bytes undefined; iconv refuses them. Convert in runs and
    // replace each byte iconv cannot take by U+FFFD.
    std::vector<char> buffer(4 * bytes.size() + 16);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result = iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
        if (result == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL (a sequence cut at the end): skip one byte.
            AppendUtf8(out, 0xFFFD);
            ++in;
            --inLeft;
            iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

std::string EncodeCodePage(std::u16string_view text, std::uint32_t codePage)
{
    std::string out;
    Converter converter(IconvName(codePage), "UTF-16LE");
    std::vector<char> buffer(8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        // One character at a time (a surrogate pair together), '?' when it does not fit.
        std::size_t units = 1;
        if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() &&
            text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            units = 2;
        }
        char source[4];
        for (std::size_t k = 0; k < units; ++k) {
            source[2 * k] = static_cast<char>(text[i + k] & 0xFF);
            source[2 * k + 1] = static_cast<char>(text[i + k] >> 8);
        }
        bool converted = false;
        if (converter.Valid()) {
            char* in = source;
            std::size_t inLeft = 2 * units;
            char* outPtr = buffer.data();
            std::size_t outLeft = buffer.size();
            if (iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft) !=
                static_cast<std::size_t>(-1)) {
                out.append(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
                converted = true;
            }
            iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
        }
        if (!converted) {
            out.push_back('?');
        }
        i += units - 1;
    }
    return out;
}

} // namespace platform
