#include "tests/support/tnef_builder.h"

namespace testing_support {

using namespace format;

void PutWord(ByteVector& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutDword(ByteVector& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void PutBytes(ByteVector& out, const ByteVector& bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

namespace {

void PutPadding(ByteVector& out, std::size_t size)
{
    if (size % 4 != 0) {
        out.insert(out.end(), 4 - size % 4, 0);
    }
}

std::uint32_t LayoutOfTag(std::uint32_t tag)
{
    switch (PROP_TYPE(tag) & ~MV_FLAG) {
    case PT_STRING8:
    case PT_UNICODE:
    case PT_BINARY:
        return kLayoutCounted;
    case PT_OBJECT:
        return kLayoutObject;
    default:
        return kLayoutFixed;
    }
}

bool HasCount(std::uint32_t tag)
{
    const std::uint32_t type = PROP_TYPE(tag);
    return (type & MV_FLAG) != 0 || type == PT_OBJECT || type == PT_STRING8 ||
           type == PT_UNICODE || type == PT_BINARY;
}

ByteVector TextWithZero(const std::string& text)
{
    ByteVector bytes = BytesOf(text);
    bytes.push_back(0);
    return bytes;
}

} // namespace

ByteVector BytesOf(const std::string& text) { return ByteVector(text.begin(), text.end()); }

ByteVector Utf16Of(const std::u16string& text)
{
    ByteVector bytes;
    for (char16_t unit : text) {
        PutWord(bytes, static_cast<std::uint16_t>(unit));
    }
    return bytes;
}

ByteVector Pattern(std::size_t count, std::uint8_t start)
{
    ByteVector bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(start + i);
    }
    return bytes;
}

ByteVector Rendering(std::uint16_t type, std::uint32_t position, std::uint16_t width,
                     std::uint16_t height, std::uint32_t flags)
{
    ByteVector bytes;
    PutWord(bytes, type);
    PutDword(bytes, position);
    PutWord(bytes, width);
    PutWord(bytes, height);
    PutDword(bytes, flags);
    return bytes;
}

ByteVector DateBytes(std::uint16_t year, std::uint16_t month, std::uint16_t day,
                     std::uint16_t hour, std::uint16_t minute, std::uint16_t second,
                     std::uint16_t dayOfWeek)
{
    ByteVector bytes;
    for (std::uint16_t field : {year, month, day, hour, minute, second, dayOfWeek}) {
        PutWord(bytes, field);
    }
    return bytes;
}

ByteVector UncompressedRtf(const std::string& rtf)
{
    ByteVector value;
    PutDword(value, static_cast<std::uint32_t>(rtf.size() + 12)); // size after this field
    PutDword(value, static_cast<std::uint32_t>(rtf.size()));
    PutBytes(value, BytesOf("MELA"));
    PutDword(value, 0); // no checksum for stored text
    PutBytes(value, BytesOf(rtf));
    return value;
}

std::uint16_t ChecksumOf(const ByteVector& data)
{
    std::uint16_t sum = 0;
    for (std::uint8_t byte : data) {
        sum = static_cast<std::uint16_t>(sum + byte);
    }
    return sum;
}

GuidBytes PublicStringsGuid()
{
    return {0x29, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
            0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
}

// ---- PropertyList -------------------------------------------------------------------------

PropertyList& PropertyList::NamedId(const GuidBytes& guid, std::uint32_t id)
{
    m_pendingName = guid;
    PutDword(m_pendingName, MNID_ID);
    PutDword(m_pendingName, id);
    return *this;
}

PropertyList& PropertyList::NamedString(const GuidBytes& guid, const std::u16string& name)
{
    ByteVector bytes = Utf16Of(name);
    PutWord(bytes, 0);
    return NamedStringRaw(guid, static_cast<std::uint32_t>(bytes.size()), bytes);
}

PropertyList& PropertyList::NamedStringRaw(const GuidBytes& guid, std::uint32_t length,
                                           const ByteVector& nameBytes)
{
    m_pendingName = guid;
    PutDword(m_pendingName, MNID_STRING);
    PutDword(m_pendingName, length);
    PutBytes(m_pendingName, nameBytes);
    PutPadding(m_pendingName, length);
    return *this;
}

PropertyList& PropertyList::NamedOtherKind(const GuidBytes& guid, std::uint32_t kind,
                                           const ByteVector& tail)
{
    m_pendingName = guid;
    PutDword(m_pendingName, kind);
    PutBytes(m_pendingName, tail);
    return *this;
}

PropertyList& PropertyList::ValueCount(std::uint32_t count)
{
    m_pendingValueCount = count;
    return *this;
}

void PropertyList::Begin(std::uint32_t tag, std::size_t valueCount)
{
    PutDword(m_body, tag);
    PutBytes(m_body, m_pendingName);
    m_pendingName.clear();
    if (HasCount(tag)) {
        PutDword(m_body, m_pendingValueCount.value_or(static_cast<std::uint32_t>(valueCount)));
    }
    m_pendingValueCount.reset();
    ++m_added;
}

void PropertyList::Value(std::uint32_t tag, const ByteVector& value)
{
    switch (LayoutOfTag(tag)) {
    case kLayoutCounted:
    case kLayoutObject: // the value's bytes hold the identifier and the data
        PutDword(m_body, static_cast<std::uint32_t>(value.size()));
        break;
    default:
        break;
    }
    PutBytes(m_body, value);
    PutPadding(m_body, value.size());
}

PropertyList& PropertyList::Fixed(std::uint32_t tag, const ByteVector& data)
{
    Begin(tag, 1);
    Value(tag, data);
    return *this;
}

PropertyList& PropertyList::Long(std::uint32_t tag, std::uint32_t value)
{
    ByteVector data;
    PutDword(data, value);
    return Fixed(tag, data);
}

PropertyList& PropertyList::Short(std::uint32_t tag, std::uint16_t value)
{
    ByteVector data;
    PutWord(data, value);
    return Fixed(tag, data);
}

PropertyList& PropertyList::Int64(std::uint32_t tag, std::uint64_t value)
{
    ByteVector data;
    PutDword(data, static_cast<std::uint32_t>(value));
    PutDword(data, static_cast<std::uint32_t>(value >> 32));
    return Fixed(tag, data);
}

PropertyList& PropertyList::String8(std::uint32_t tag, const std::string& text)
{
    return Binary(tag, TextWithZero(text));
}

PropertyList& PropertyList::Unicode(std::uint32_t tag, const std::u16string& text)
{
    ByteVector bytes = Utf16Of(text);
    PutWord(bytes, 0);
    return Binary(tag, bytes);
}

PropertyList& PropertyList::Binary(std::uint32_t tag, const ByteVector& data)
{
    Begin(tag, 1);
    Value(tag, data);
    return *this;
}

PropertyList& PropertyList::CountedRaw(std::uint32_t tag, std::uint32_t size, const ByteVector& data)
{
    Begin(tag, 1);
    PutDword(m_body, size);
    PutBytes(m_body, data);
    return *this;
}

PropertyList& PropertyList::Object(std::uint32_t tag, const GuidBytes& iid, const ByteVector& data)
{
    ByteVector value = iid;
    PutBytes(value, data);
    Begin(tag, 1);
    Value(tag, value);
    return *this;
}

PropertyList& PropertyList::Multi(std::uint32_t tag, const std::vector<ByteVector>& values)
{
    Begin(tag, values.size());
    for (const ByteVector& value : values) {
        Value(tag, value);
    }
    return *this;
}

PropertyList& PropertyList::Raw(const ByteVector& bytes)
{
    PutBytes(m_body, bytes);
    return *this;
}

PropertyList& PropertyList::Count(std::uint32_t count)
{
    m_count = count;
    return *this;
}

ByteVector PropertyList::Bytes() const
{
    ByteVector bytes;
    PutDword(bytes, m_count.value_or(m_added));
    PutBytes(bytes, m_body);
    return bytes;
}

// ---- TnefBuilder ----------------------------------------------------------------------------

TnefBuilder& TnefBuilder::Header(std::uint32_t signature, std::uint16_t key)
{
    PutDword(m_bytes, signature);
    PutWord(m_bytes, key);
    return *this;
}

TnefBuilder& TnefBuilder::Attribute(std::uint8_t level, std::uint32_t identifier,
                                    const ByteVector& data, std::optional<std::uint16_t> checksum)
{
    RecordHead(level, identifier, static_cast<std::uint32_t>(data.size()));
    PutBytes(m_bytes, data);
    PutWord(m_bytes, checksum.value_or(ChecksumOf(data)));
    return *this;
}

TnefBuilder& TnefBuilder::MessageAttribute(std::uint32_t identifier, const ByteVector& data)
{
    return Attribute(LVL_MESSAGE, identifier, data);
}

TnefBuilder& TnefBuilder::MessageAttribute(std::uint32_t identifier, const std::string& text)
{
    return Attribute(LVL_MESSAGE, identifier, TextWithZero(text));
}

TnefBuilder& TnefBuilder::MessageAttribute(std::uint32_t identifier, const char* text)
{
    return MessageAttribute(identifier, std::string(text));
}

TnefBuilder& TnefBuilder::AttachmentAttribute(std::uint32_t identifier, const ByteVector& data)
{
    return Attribute(LVL_ATTACHMENT, identifier, data);
}

TnefBuilder& TnefBuilder::AttachmentAttribute(std::uint32_t identifier, const std::string& text)
{
    return Attribute(LVL_ATTACHMENT, identifier, TextWithZero(text));
}

TnefBuilder& TnefBuilder::AttachmentAttribute(std::uint32_t identifier, const char* text)
{
    return AttachmentAttribute(identifier, std::string(text));
}

TnefBuilder& TnefBuilder::StartAttachment(std::uint16_t type)
{
    return AttachmentAttribute(attAttachRenddata, Rendering(type));
}

TnefBuilder& TnefBuilder::MessageProperties(const PropertyList& list)
{
    return Attribute(LVL_MESSAGE, attMAPIProps, list.Bytes());
}

TnefBuilder& TnefBuilder::AttachmentProperties(const PropertyList& list)
{
    return Attribute(LVL_ATTACHMENT, attAttachment, list.Bytes());
}

TnefBuilder& TnefBuilder::RecipientTable(const std::vector<PropertyList>& rows)
{
    ByteVector data;
    PutDword(data, static_cast<std::uint32_t>(rows.size()));
    for (const PropertyList& row : rows) {
        PutBytes(data, row.Bytes());
    }
    return Attribute(LVL_MESSAGE, attRecipTable, data);
}

TnefBuilder& TnefBuilder::RecordHead(std::uint8_t level, std::uint32_t identifier,
                                     std::uint32_t length)
{
    m_bytes.push_back(level);
    PutDword(m_bytes, identifier);
    PutDword(m_bytes, length);
    return *this;
}

TnefBuilder& TnefBuilder::Byte(std::uint8_t value)
{
    m_bytes.push_back(value);
    return *this;
}

TnefBuilder& TnefBuilder::Word(std::uint16_t value)
{
    PutWord(m_bytes, value);
    return *this;
}

TnefBuilder& TnefBuilder::Dword(std::uint32_t value)
{
    PutDword(m_bytes, value);
    return *this;
}

TnefBuilder& TnefBuilder::Raw(const ByteVector& bytes)
{
    PutBytes(m_bytes, bytes);
    return *this;
}

} // namespace testing_support
