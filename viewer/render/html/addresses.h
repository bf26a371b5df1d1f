// Which addresses a mail body may reach. The body panes ask here before they serve a
// resource the rich-text engine requests or hand a clicked link to the desktop: a mail is
// written by a stranger, and a fetched image tells the sender who read it and when.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace viewer::render::html {

// What the engine asks for.
enum class ResourceKind { Document, Image, StyleSheet, Other };

enum class ResourceSource {
    None,      // answered with nothing
    BodyFile,  // the body's own file, as the pane loaded it
    ContentId, // an attachment of the same message, by its content identifier
    DataImage, // the image the address itself holds
};

struct ResourceDecision {
    ResourceSource source = ResourceSource::None;
    std::string contentId; // ContentId: the identifier, without "cid:", '<' and '>'
};

// Images out of attachments or data: addresses are refused beyond this size.
inline constexpr std::size_t kMaxInlineImageBytes = 16 * 1024 * 1024;

// The body file for a document request of exactly `bodyAddress`; a cid: image (RFC 2392,
// percent-decoded); a data: image of a raster type. Everything else is answered with
// nothing: http, https, ftp, other file: addresses, relative paths, style sheets, and
// images of any other scheme.
[[nodiscard]] ResourceDecision DecideResource(std::string_view address, ResourceKind kind,
                                              std::string_view bodyAddress);

// The bytes of a data: image address ("data:image/png;base64,...", PNG, JPEG, GIF or BMP,
// base64 or percent-encoded); nothing for another type, damaged encoding, or more than
// `maxBytes` bytes.
[[nodiscard]] std::optional<std::vector<std::uint8_t>>
DecodeDataImage(std::string_view address, std::size_t maxBytes = kMaxInlineImageBytes);

enum class LinkAction {
    Refuse,    // no scheme the viewer follows
    Ignore,    // an "app:" command address: cancelled without a word
    Bookmark,  // "#name": a place in the body itself
    OfferOpen, // http, https or mailto: shown to the person, opened on confirmation
};

// What a click on a link with this target does. A bookmark is "#name", or the body's own
// address (`bodyAddress`, when the body has one) followed by "#name".
[[nodiscard]] LinkAction DecideLink(std::string_view target, std::string_view bodyAddress = {});

} // namespace viewer::render::html
