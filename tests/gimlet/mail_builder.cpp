#include "tests/gimlet/mail_builder.h"

#include <cstdio>

namespace gimlet_test {

Bytes SampleTnef(std::size_t size)
{
    Bytes bytes{0x78, 0x9F, 0x3E, 0x22, 0x12, 0x34};
    for (std::size_t i = bytes.size(); i < size; ++i) {
        bytes.push_back(static_cast<std::uint8_t>((i * 7 + i / 256) & 0xFF));
    }
    bytes.resize(size);
    return bytes;
}

std::string Base64(const Bytes& data, const std::string& eol)
{
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t lineLength = 0;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::uint32_t b0 = data[i];
        const std::uint32_t b1 = i + 1 < data.size() ? data[i + 1] : 0;
        const std::uint32_t b2 = i + 2 < data.size() ? data[i + 2] : 0;
        const std::uint32_t group = (b0 << 16) | (b1 << 8) | b2;
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += i + 1 < data.size() ? kAlphabet[(group >> 6) & 63] : '=';
        out += i + 2 < data.size() ? kAlphabet[group & 63] : '=';
        lineLength += 4;
        if (lineLength == 76) {
            out += eol;
            lineLength = 0;
        }
    }
    if (lineLength > 0) {
        out += eol;
    }
    return out;
}

std::string QuotedPrintable(const Bytes& data, const std::string& eol)
{
    std::string out;
    std::size_t lineLength = 0;
    for (const std::uint8_t byte : data) {
        char piece[4];
        if (byte >= 33 && byte <= 126 && byte != '=') {
            piece[0] = static_cast<char>(byte);
            piece[1] = '\0';
        } else {
            std::snprintf(piece, sizeof(piece), "=%02X", byte);
        }
        const std::string text(piece);
        if (lineLength + text.size() > 72) {
            out += "=" + eol;
            lineLength = 0;
        }
        out += text;
        lineLength += text.size();
    }
    return out + eol;
}

std::string Uuencode(const Bytes& data, const std::string& name, const std::string& eol)
{
    auto encodeChar = [](std::uint32_t six) { return six == 0 ? '`' : static_cast<char>(six + 0x20); };
    std::string out = "begin 644 " + name + eol;
    for (std::size_t line = 0; line < data.size(); line += 45) {
        const std::size_t count = data.size() - line < 45 ? data.size() - line : 45;
        out += encodeChar(static_cast<std::uint32_t>(count));
        for (std::size_t i = 0; i < count; i += 3) {
            const std::uint32_t b0 = data[line + i];
            const std::uint32_t b1 = i + 1 < count ? data[line + i + 1] : 0;
            const std::uint32_t b2 = i + 2 < count ? data[line + i + 2] : 0;
            out += encodeChar(b0 >> 2);
            out += encodeChar(((b0 << 4) | (b1 >> 4)) & 63);
            out += encodeChar(((b1 << 2) | (b2 >> 6)) & 63);
            out += encodeChar(b2 & 63);
        }
        out += eol;
    }
    return out + "`" + eol + "end" + eol;
}

std::string Text(const Bytes& data) { return std::string(data.begin(), data.end()); }

Part TnefPart(const Bytes& tnef, const std::string& type, const std::string& name)
{
    return Part{"Content-Type: " + type + "; name=\"" + name + "\"\n"
                "Content-Transfer-Encoding: base64\n"
                "Content-Disposition: attachment; filename=\"" + name + "\"",
                Base64(tnef)};
}

Part TextPart(const std::string& text)
{
    return Part{"Content-Type: text/plain; charset=us-ascii", text};
}

std::string MultipartMail(const std::vector<Part>& parts, const std::string& eol)
{
    auto lines = [&eol](const std::string& text) {
        std::string out;
        for (const char c : text) {
            if (c == '\n') {
                out += eol;
            } else {
                out += c;
            }
        }
        return out;
    };
    const std::string boundary = "----=_Boundary_0042";
    std::string mail = lines("From: Sender <sender@example.org>\n"
                             "To: Receiver <receiver@example.org>\n"
                             "Subject: Test\n"
                             "MIME-Version: 1.0\n"
                             "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\n"
                             "\n"
                             "This is a multi-part message in MIME format.\n");
    for (const Part& part : parts) {
        mail += lines("--" + boundary + "\n" + part.headers + "\n\n");
        mail += part.body;
    }
    mail += lines("--" + boundary + "--\n");
    return mail;
}

Part AttachedMessage(const std::string& mail)
{
    return Part{"Content-Type: message/rfc822\nContent-Disposition: attachment", mail};
}

} // namespace gimlet_test
