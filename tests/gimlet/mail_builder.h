// Test-side builders for MIME mails: transfer encoders written independently of the
// library's decoders, and sample TNEF bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gimlet_test {

using Bytes = std::vector<std::uint8_t>;

// Bytes that start with the TNEF signature 78 9F 3E 22 and then run through every byte
// value, CR and LF among them, so a decoder that mangles any of them shows.
Bytes SampleTnef(std::size_t size = 1000);

// Base64 in lines of 76 characters, each ended by eol.
std::string Base64(const Bytes& data, const std::string& eol = "\n");
// Quoted-printable: every byte that is not a safe printable is written =XX, soft line
// breaks keep lines under 76 characters.
std::string QuotedPrintable(const Bytes& data, const std::string& eol = "\n");
// A uuencoded block "begin 644 <name>" ... "`" "end", 45 bytes a line.
std::string Uuencode(const Bytes& data, const std::string& name, const std::string& eol = "\n");

std::string Text(const Bytes& data);

// One MIME part: its header lines (without the blank line) and its encoded body.
struct Part {
    std::string headers;
    std::string body;
};

Part TnefPart(const Bytes& tnef, const std::string& type = "application/ms-tnef",
              const std::string& name = "winmail.dat");
Part TextPart(const std::string& text);

// A multipart/mixed message with the given parts. Lines end with eol; the parts' own
// text must use the same line ends.
std::string MultipartMail(const std::vector<Part>& parts, const std::string& eol = "\n");
// A message/rfc822 part carrying a whole message.
Part AttachedMessage(const std::string& mail);

} // namespace gimlet_test
