// The texts under which the viewer shows TNEF attributes, levels, attachment renderings,
// MAPI property types, value layouts, named-property identities, identifier ranges,
// attachment methods, message flags and interface identifiers, and the helpers that turn
// values and byte runs into short texts. The tree pane takes its captions from here, the
// details pane the texts of its rows.
//
// Every function is pure: it takes plain numbers and bytes and returns a string, never
// fails, and gives the empty string for a number outside its table unless stated otherwise.
// Pointers may be null; a byte run is read only within the count it comes with.
#pragma once

#include <cstdint>
#include <string>

#include "dictionary/include/tagora.h"

namespace viewer::doc::naming {

// ---- TNEF attributes -------------------------------------------------------------------

// "attSubject" for 0x00018004: the caption of an attribute in raw view.
std::string AttributeIdentifierName(std::uint32_t identifier);
// "attSubject (0X00018004)": the name and number of an attribute, for messages; the number
// alone for one no table names.
std::string AttributeIdentifierLabel(std::uint32_t identifier);
// "Subject" for 0x00018004: the caption of an attribute in normal view.
std::string AttributeDisplayCaption(std::uint32_t identifier);
// "LVL_MESSAGE" (1), "LVL_ATTACHMENT" (2).
std::string LevelName(std::uint32_t level);
// "atypNull" (0) to "atypMax" (4).
std::string RenderingTypeName(std::uint16_t renderingType);
// The same for attAttachRenddata bytes, whose first field is the little-endian rendering
// type; fewer than 2 bytes give the empty string.
std::string RenderingTypeNameOfData(const std::uint8_t* data, std::uint32_t length);

// ---- MAPI properties -------------------------------------------------------------------

// The type name of a tag's low 16 bits with the multi-valued bit cleared: "PT_STRING8" for
// 0x0037001E and for 0x0037101E.
std::string PropertyTypeName(std::uint32_t tag);
// True when the tag's type carries the multi-valued bit 0x1000.
bool IsMultiValued(std::uint32_t tag);
// The layout of a value inside a property list (0, 1 or 2).
std::string ValueLayoutText(std::uint32_t layout);
// "MNID_ID" or "MNID_STRING" for a property with a named identity (`present`).
std::string NamedPropertyKindText(bool present, std::uint32_t kind);
// MNID_ID: the numeric identifier as "%#06X"; MNID_STRING: the zero-terminated UTF-16
// `name` between single quotes, as UTF-8 (a null name gives two quotes).
std::string NamedPropertyNameText(bool present, std::uint32_t kind, std::uint32_t id,
                                  const char16_t* name);
// Which party defines the identifiers of the tag's range (identifier = tag >> 16).
std::string IdentifierRangeText(std::uint32_t tag);
// The name of a PR_ATTACH_METHOD value; "unknown PR_ATTACH_METHOD value" otherwise.
std::string AttachmentMethodText(std::uint32_t method);
// The names of the set PR_MESSAGE_FLAGS bits, each followed by a space, in a fixed order
// that is not bit order.
std::string MessageFlagsText(std::uint32_t flags);
// "IID_IMessage", "IID_IStorage" or "IID_IStream" for the 16 bytes of an interface
// identifier as stored in a PT_OBJECT value.
std::string InterfaceIdentifierName(const std::uint8_t* iid);

// The caption of a property: its published name from `dictionary` (the application's
// open dictionary), else the tag as "%#010X" (0x0037001E gives "0X0037001E"). A null
// dictionary always gives the number.
std::string PropertyCaption(TagoraHandle dictionary, std::uint32_t tag);

// ---- Values and byte runs --------------------------------------------------------------

// 16 GUID bytes (little-endian fields) in registry form, "{XXXXXXXX-XXXX-...}".
std::string FormatGuid(const std::uint8_t* bytes);

// Modes of FormatBytes.
inline constexpr int kBytesHex = 0;       // "%02X " a byte
inline constexpr int kBytesPrintable = 1; // one character a byte, "." for 0-31 and 127-255
inline constexpr int kBytesText = 2;      // up to the first zero byte, "x" for 1-31, 127-255

// `count` bytes as hexadecimal, printable characters or text (see the modes above).
// Another mode, no bytes or a count of 0 give the empty string.
std::string FormatBytes(int mode, const std::uint8_t* bytes, std::uint32_t count);

// The short text of one value of a property with `tag`, from its `dataLength` data bytes:
// PT_I2 and PT_BOOLEAN as "%d" of 16 bits, PT_LONG "%d", PT_DOUBLE "%G", PT_ERROR
// "%#010X", PT_STRING8 the bytes up to the first zero, PT_UNICODE the UTF-16LE text up to
// the first zero unit as UTF-8; every other type, no data, or data too short for its type
// give the empty string. A multi-valued tag formats its single value by the base type.
std::string FormatValueText(std::uint32_t tag, const std::uint8_t* data,
                            std::uint32_t dataLength);

} // namespace viewer::doc::naming
