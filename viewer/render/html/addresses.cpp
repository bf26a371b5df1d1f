#include "viewer/render/html/addresses.h"

#include <algorithm>
#include <array>

#include "platform/text.h"

namespace viewer::render::html {

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// An address as URL parsers read it: without the spaces and control characters around it,
// and without tabs and line ends anywhere ("java\tscript:" is "javascript:").
std::string Normalised(std::string_view address)
{
    while (!address.empty() && static_cast<unsigned char>(address.front()) <= 0x20) {
        address.remove_prefix(1);
    }
    while (!address.empty() && static_cast<unsigned char>(address.back()) <= 0x20) {
        address.remove_suffix(1);
    }
    std::string out;
    out.reserve(address.size());
    for (const char c : address) {
        if (c != '\t' && c != '\n' && c != '\r') {
            out.push_back(c);
        }
    }
    return out;
}

// The scheme in lower case, or empty when the address has none (a relative address).
std::string SchemeOf(std::string_view address)
{
    const std::size_t colon = address.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return {};
    }
    std::string scheme;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = Lower(address[i]);
        const bool letter = c >= 'a' && c <= 'z';
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!letter && !(i > 0 && other)) {
            return {};
        }
        scheme.push_back(c);
    }
    return scheme;
}

// "%41" is 'A'; a '%' not followed by two hexadecimal digits stays as it is.
std::string PercentDecoded(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && text.size() - i > 2) {
            const int high = platform::HexDigitValue(text[i + 1]);
            const int low = platform::HexDigitValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high << 4 | low));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

constexpr std::array<std::string_view, 6> kImageTypes = {"image/png", "image/jpeg", "image/jpg",
                                                          "image/gif", "image/bmp", "image/x-ms-bmp"};

// The media type of a data: address in lower case ("image/png"), and where its header ends.
struct DataHeader {
    std::string mediaType;
    bool base64 = false;
    std::size_t dataStart = 0;
};

std::optional<DataHeader> ReadDataHeader(std::string_view address)
{
    if (SchemeOf(address) != "data") {
        return std::nullopt;
    }
    const std::size_t comma = address.find(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    DataHeader header;
    header.dataStart = comma + 1;
    const std::string_view parameters = address.substr(5, comma - 5);
    const std::size_t semicolon = parameters.find(';');
    for (const char c : parameters.substr(0, semicolon)) {
        if (c != ' ') {
            header.mediaType.push_back(Lower(c));
        }
    }
    if (semicolon != std::string_view::npos) {
        std::string rest;
        for (const char c : parameters.substr(semicolon)) {
            rest.push_back(Lower(c));
        }
        header.base64 = rest.size() >= 7 && rest.compare(rest.size() - 7, 7, ";base64") == 0;
    }
    if (std::find(kImageTypes.begin(), kImageTypes.end(), header.mediaType) == kImageTypes.end()) {
        return std::nullopt;
    }
    return header;
}

int Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+' || c == '-') {
        return 62;
    }
    if (c == '/' || c == '_') {
        return 63;
    }
    return -1;
}

std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text, std::size_t maxBytes)
{
    // Every four characters give at most three bytes: a payload that cannot fit is
    // refused before anything is allocated for it.
    if (text.size() / 4 > maxBytes / 3 + 1) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 4 * 3 + 3);
    std::uint32_t bits = 0;
    int count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '=') {
            break;
        }
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            continue;
        }
        if (c == '%' && text.size() - i > 2 && text[i + 1] == '2' && Lower(text[i + 2]) == '0') {
            i += 2; // an encoded space
            continue;
        }
        const int value = Base64Value(c);
        if (value < 0) {
            return std::nullopt;
        }
        bits = bits << 6 | static_cast<std::uint32_t>(value);
        if (++count == 4) {
            out.push_back(static_cast<std::uint8_t>(bits >> 16));
            out.push_back(static_cast<std::uint8_t>(bits >> 8));
            out.push_back(static_cast<std::uint8_t>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 1) {
        return std::nullopt;
    }
    if (count >= 2) {
        out.push_back(static_cast<std::uint8_t>(bits >> (count == 2 ? 4 : 10)));
    }
    if (count == 3) {
        out.push_back(static_cast<std::uint8_t>(bits >> 2));
    }
    if (out.size() > maxBytes) {
        return std::nullopt;
    }
    return out;
}

} // namespace

ResourceDecision DecideResource(std::string_view address, ResourceKind kind,
                                std::string_view bodyAddress)
{
    const std::string normalised = Normalised(address);
    if (kind == ResourceKind::Document) {
        if (!bodyAddress.empty() && normalised == bodyAddress) {
            return {ResourceSource::BodyFile, {}};
        }
        return {};
    }
    if (kind != ResourceKind::Image) {
        return {};
    }
    const std::string scheme = SchemeOf(normalised);
    if (scheme == "cid") {
        std::string id = PercentDecoded(std::string_view(normalised).substr(4));
        if (!id.empty() && id.front() == '<' && id.back() == '>' && id.size() >= 2) {
            id = id.substr(1, id.size() - 2);
        }
        if (id.empty()) {
            return {};
        }
        return {ResourceSource::ContentId, std::move(id)};
    }
    if (scheme == "data" && ReadDataHeader(normalised)) {
        return {ResourceSource::DataImage, {}};
    }
    return {};
}

std::optional<std::vector<std::uint8_t>> DecodeDataImage(std::string_view address,
                                                         std::size_t maxBytes)
{
    const std::string normalised = Normalised(address);
    const std::optional<DataHeader> header = ReadDataHeader(normalised);
    if (!header) {
        return std::nullopt;
    }
    const std::string_view payload = std::string_view(normalised).substr(header->dataStart);
    if (header->base64) {
        return DecodeBase64(payload, maxBytes);
    }
    const std::string bytes = PercentDecoded(payload);
    if (bytes.size() > maxBytes) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

LinkAction DecideLink(std::string_view target, std::string_view bodyAddress)
{
    const std::string normalised = Normalised(target);
    if (normalised.size() > 1 && normalised.front() == '#') {
        return LinkAction::Bookmark;
    }
    if (!bodyAddress.empty() && normalised.size() > bodyAddress.size() + 1 &&
        normalised.compare(0, bodyAddress.size(), bodyAddress) == 0 &&
        normalised[bodyAddress.size()] == '#') {
        return LinkAction::Bookmark;
    }
    const std::string scheme = SchemeOf(normalised);
    if (scheme == "app") {
        return LinkAction::Ignore;
    }
    if (scheme == "http" || scheme == "https" || scheme == "mailto") {
        return LinkAction::OfferOpen;
    }
    return LinkAction::Refuse;
}

} // namespace viewer::render::html
