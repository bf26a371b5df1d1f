// Test-side builder of TNEF streams, so that a test shows the bytes it feeds:
//
//   auto bytes = TnefBuilder()
//                    .Header()
//                    .MessageAttribute(attSubject, "Hi")
//                    .MessageProperties(PropertyList().Long(PR_MESSAGE_FLAGS, 1)
//                                                     .String8(PR_SUBJECT, "Hi"))
//                    .AttachmentAttribute(attAttachRenddata, Rendering(atypFile))
//                    .Bytes();
//
// Everything is written little-endian in the layout of [MS-OXTNEF]: records with a correct
// checksum unless one is given, property lists with their counts, named-property parts,
// value sizes and padding worked out. The raw writers (Byte, Word, Dword, Raw, RecordHead)
// and the overrides (ValueCount, NamedStringRaw, Count) build damaged streams.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "format/mapi.h"
#include "format/tnef.h"

namespace testing_support {

using ByteVector = std::vector<std::uint8_t>;

// The bytes of a text without terminator ("Hi" → 'H', 'i').
ByteVector BytesOf(const std::string& text);
// The UTF-16LE bytes of a text without terminator.
ByteVector Utf16Of(const std::u16string& text);
// `count` bytes: start, start + 1, ... wrapping at 256.
ByteVector Pattern(std::size_t count, std::uint8_t start = 0);
// A 14-byte attAttachRenddata body: type, position, width, height, flags.
ByteVector Rendering(std::uint16_t type, std::uint32_t position = 0xFFFFFFFF,
                     std::uint16_t width = 0, std::uint16_t height = 0, std::uint32_t flags = 0);
// A 14-byte date body: seven 16-bit fields.
ByteVector DateBytes(std::uint16_t year, std::uint16_t month, std::uint16_t day,
                     std::uint16_t hour = 0, std::uint16_t minute = 0, std::uint16_t second = 0,
                     std::uint16_t dayOfWeek = 0);
// A PR_RTF_COMPRESSED value that stores `rtf` uncompressed: the 16-byte header with "MELA",
// then the text.
ByteVector UncompressedRtf(const std::string& rtf);
// The sum of the bytes modulo 65536, as stored after an attribute's data.
std::uint16_t ChecksumOf(const ByteVector& data);

// A GUID as its 16 stored bytes.
using GuidBytes = std::vector<std::uint8_t>;
// PS_PUBLIC_STRINGS {00020329-0000-0000-C000-000000000046} in stored order.
GuidBytes PublicStringsGuid();

// One property list: the count followed by its properties. Each adder appends one
// property; the count written is the number of properties added unless Count() sets it.
class PropertyList {
public:
    // Named-property identity applied to the next property added (whose identifier should
    // then lie in 0x8000..0xFFFE).
    PropertyList& NamedId(const GuidBytes& guid, std::uint32_t id);
    // MNID_STRING with L = (length + 1) * 2: the name and its terminator.
    PropertyList& NamedString(const GuidBytes& guid, const std::u16string& name);
    // MNID_STRING with a length L given as is and `nameBytes` written (then padding to 4
    // from L, as a reader would skip); for odd, empty or oversized names.
    PropertyList& NamedStringRaw(const GuidBytes& guid, std::uint32_t length,
                                 const ByteVector& nameBytes);
    // A named part of another kind: GUID, the kind, then `tail` as is.
    PropertyList& NamedOtherKind(const GuidBytes& guid, std::uint32_t kind, const ByteVector& tail);
    // Value count written for the next property instead of the number of values given.
    PropertyList& ValueCount(std::uint32_t count);

    // Single-valued fixed-size types: `data` is the value as stored (2, 4, 8 or 16 bytes;
    // 0 for PT_NULL), padded to 4.
    PropertyList& Fixed(std::uint32_t tag, const ByteVector& data);
    PropertyList& Long(std::uint32_t tag, std::uint32_t value);  // PT_LONG, PT_ERROR, PT_R4
    PropertyList& Short(std::uint32_t tag, std::uint16_t value); // PT_I2, PT_BOOLEAN
    PropertyList& Int64(std::uint32_t tag, std::uint64_t value); // PT_I8, PT_SYSTIME, ...
    // Counted values (one value): PT_STRING8 with terminator, PT_UNICODE with terminator,
    // PT_BINARY as given.
    PropertyList& String8(std::uint32_t tag, const std::string& text);
    PropertyList& Unicode(std::uint32_t tag, const std::u16string& text);
    PropertyList& Binary(std::uint32_t tag, const ByteVector& data);
    // A counted value whose size field says `size` but with only `data` written after it.
    PropertyList& CountedRaw(std::uint32_t tag, std::uint32_t size, const ByteVector& data);
    // PT_OBJECT: size = 16 + data size, the interface identifier, the data.
    PropertyList& Object(std::uint32_t tag, const GuidBytes& iid, const ByteVector& data);
    // Any tag with several values, each written in the layout of the tag's type (for
    // PT_OBJECT a value's bytes are the identifier followed by the data).
    PropertyList& Multi(std::uint32_t tag, const std::vector<ByteVector>& values);
    // Bytes appended to the list as they are, outside any property.
    PropertyList& Raw(const ByteVector& bytes);
    // Overrides the property count written at the front.
    PropertyList& Count(std::uint32_t count);

    // Count and properties.
    ByteVector Bytes() const;
    std::uint32_t Added() const { return m_added; }

private:
    void Begin(std::uint32_t tag, std::size_t valueCount);
    void Value(std::uint32_t tag, const ByteVector& value);

    ByteVector m_body;
    std::uint32_t m_added = 0;
    std::optional<std::uint32_t> m_count;
    ByteVector m_pendingName;
    std::optional<std::uint32_t> m_pendingValueCount;
};

class TnefBuilder {
public:
    // Signature and legacy key.
    TnefBuilder& Header(std::uint32_t signature = format::TNEF_SIGNATURE,
                        std::uint16_t key = 0x0001);

    // A record with the correct checksum, or the one given.
    TnefBuilder& Attribute(std::uint8_t level, std::uint32_t identifier, const ByteVector& data,
                           std::optional<std::uint16_t> checksum = std::nullopt);
    TnefBuilder& MessageAttribute(std::uint32_t identifier, const ByteVector& data);
    // A text attribute: the text and its terminating zero byte.
    TnefBuilder& MessageAttribute(std::uint32_t identifier, const std::string& text);
    TnefBuilder& MessageAttribute(std::uint32_t identifier, const char* text);
    TnefBuilder& AttachmentAttribute(std::uint32_t identifier, const ByteVector& data);
    TnefBuilder& AttachmentAttribute(std::uint32_t identifier, const std::string& text);
    TnefBuilder& AttachmentAttribute(std::uint32_t identifier, const char* text);
    // attAttachRenddata at the attachment level: the start of an attachment group.
    TnefBuilder& StartAttachment(std::uint16_t type = format::atypFile);

    // attMAPIProps, attAttachment (level 2) and attRecipTable.
    TnefBuilder& MessageProperties(const PropertyList& list);
    TnefBuilder& AttachmentProperties(const PropertyList& list);
    TnefBuilder& RecipientTable(const std::vector<PropertyList>& rows);

    // Level, identifier and length only: what follows is up to the caller.
    TnefBuilder& RecordHead(std::uint8_t level, std::uint32_t identifier, std::uint32_t length);
    TnefBuilder& Byte(std::uint8_t value);
    TnefBuilder& Word(std::uint16_t value);
    TnefBuilder& Dword(std::uint32_t value);
    TnefBuilder& Raw(const ByteVector& bytes);

    // The offset the next byte will be written at (a record's position when asked before
    // adding it).
    std::uint64_t Offset() const { return m_bytes.size(); }
    const ByteVector& Bytes() const { return m_bytes; }

private:
    ByteVector m_bytes;
};

// Little-endian appenders shared by the builders.
void PutWord(ByteVector& out, std::uint16_t value);
void PutDword(ByteVector& out, std::uint32_t value);
void PutBytes(ByteVector& out, const ByteVector& bytes);

} // namespace testing_support
