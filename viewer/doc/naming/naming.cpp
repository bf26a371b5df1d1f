#include "viewer/doc/naming/naming.h"

#include <cstring>
#include <string_view>

#include "format/little_endian.h"
#include "platform/com.h"
#include "platform/format.h"
#include "platform/guid.h"
#include "platform/text.h"
#include "format/mapi.h"
#include "format/tnef.h"

namespace viewer::doc::naming {

using namespace ::format;

namespace {

struct AttributeName {
    std::uint32_t identifier;
    const char* name;
    const char* caption;
};

constexpr AttributeName kAttributes[] = {
    {attNull, "attNull", "Null"},
    {attFrom, "attFrom", "From"},
    {attSubject, "attSubject", "Subject"},
    {attMessageID, "attMessageID", "Message ID"},
    {attParentID, "attParentID", "Parent ID"},
    {attConversationID, "attConversationID", "Conversation ID"},
    {attAttachTitle, "attAttachTitle", "Attachment Name"},
    {attBody, "attBody", "Body"},
    {attDateStart, "attDateStart", "Date Start"},
    {attDateEnd, "attDateEnd", "Date End"},
    {attDateSent, "attDateSent", "Date Sent"},
    {attDateRecd, "attDateRecd", "Date Received"},
    {attAttachCreateDate, "attAttachCreateDate", "Attachment Creation Date"},
    {attAttachModifyDate, "attAttachModifyDate", "Attachment Last Modified"},
    {attDateModified, "attDateModified", "Date Last Modified"},
    {attRequestRes, "attRequestRes", "Response Requested"},
    {attPriority, "attPriority", "Priority"},
    {attAidOwner, "attAidOwner", "Owner Appointment ID"},
    {attOwner, "attOwner", "Owner"},
    {attSentFor, "attSentFor", "Sent Representing"},
    {attDelegate, "attDelegate", "Delegate"},
    {attMessageStatus, "attMessageStatus", "Message Status"},
    {attAttachData, "attAttachData", "Attachment Data"},
    {attAttachMetaFile, "attAttachMetaFile", "Attachment MetaFile"},
    {attAttachTransportFilename, "attAttachTransportFilename", "Attachment Transport Filename"},
    {attAttachRenddata, "attAttachRenddata", "Attachment Rendering"},
    {attMAPIProps, "attMAPIProps", "Message Properties"},
    {attRecipTable, "attRecipTable", "Recipient Table"},
    {attAttachment, "attAttachment", "Attachment Properties"},
    {attOemCodepage, "attOemCodepage", "OEM Codepage"},
    {attOriginalMessageClass, "attOriginalMessageClass", "Original Message Class"},
    {attMessageClass, "attMessageClass", "Message Class"},
    {attTnefVersion, "attTnefVersion", "TNEF Version"},
};

const AttributeName* FindAttribute(std::uint32_t identifier)
{
    for (const AttributeName& attribute : kAttributes) {
        if (attribute.identifier == identifier) {
            return &attribute;
        }
    }
    return nullptr;
}

struct NumberText {
    std::uint32_t number;
    const char* text;
};

constexpr NumberText kPropertyTypes[] = {
    {PT_UNSPECIFIED, "PT_UNSPECIFIED"}, {PT_NULL, "PT_NULL"},
    {PT_I2, "PT_I2"},                   {PT_LONG, "PT_LONG"},
    {PT_R4, "PT_R4"},                   {PT_DOUBLE, "PT_DOUBLE"},
    {PT_CURRENCY, "PT_CURRENCY"},       {PT_APPTIME, "PT_APPTIME"},
    {PT_ERROR, "PT_ERROR"},             {PT_BOOLEAN, "PT_BOOLEAN"},
    {PT_OBJECT, "PT_OBJECT"},           {PT_I8, "PT_I8"},
    {PT_STRING8, "PT_STRING8"},         {PT_UNICODE, "PT_UNICODE"},
    {PT_SYSTIME, "PT_SYSTIME"},         {PT_CLSID, "PT_CLSID"},
    {PT_BINARY, "PT_BINARY"},
};

constexpr const char* kLevelNames[] = {"", "LVL_MESSAGE", "LVL_ATTACHMENT"};

constexpr const char* kRenderingTypeNames[] = {"atypNull", "atypFile", "atypOle",
                                               "atypPicture", "atypMax"};

constexpr const char* kValueLayouts[] = {
    "value-size value-data padding",
    "value-size value-IID value-data padding",
    "value-data + padding",
};

constexpr const char* kAttachmentMethods[] = {
    "NO_ATTACHMENT",       "ATTACH_BY_VALUE",       "ATTACH_BY_REFERENCE", "ATTACH_BY_REF_RESOLVE",
    "ATTACH_BY_REF_ONLY",  "ATTACH_EMBEDDED_MSG",   "ATTACH_OLE",
};

// Tested in this order, which groups the flags by meaning rather than by bit.
constexpr NumberText kMessageFlags[] = {
    {0x00000040, "MSGFLAG_ASSOCIATED "},
    {0x00000020, "MSGFLAG_FROMME "},
    {0x00000010, "MSGFLAG_HASATTACH "},
    {0x00000200, "MSGFLAG_NRN_PENDING "},
    {0x00000001, "MSGFLAG_READ "},
    {0x00000080, "MSGFLAG_RESEND "},
    {0x00000100, "MSGFLAG_RN_PENDING  "},
    {0x00000004, "MSGFLAG_SUBMIT "},
    {0x00000002, "MSGFLAG_UNMODIFIED "},
    {0x00000008, "MSGFLAG_UNSENT "},
};

// Upper bounds (exclusive) of the property identifier ranges, searched from the top.
constexpr NumberText kIdentifierRanges[] = {
    {0x0C00, "Message envelope properties defined by MAPI."},
    {0x0E00, "Recipient properties defined by MAPI."},
    {0x1000, "Non-transmittable message properties defined by MAPI."},
    {0x3000, "Message content properties defined by MAPI."},
    {0x4000, "Properties for objects other than messages and recipients defined by MAPI."},
    {0x5800, "Message envelope properties defined by transport providers."},
    {0x6000, "Recipient properties defined by transport and address book providers."},
    {0x6600, "Non-transmittable message properties defined by clients."},
    {0x6800, "Non-transmittable properties defined by a service provider. These properties "
             "can be visible or invisible to users."},
    {0x7C00, "Message content properties for custom message classes defined by creators of "
             "those classes."},
    {0x8000, "Non-transmittable properties for custom message classes defined by creators of "
             "those classes."},
    {0xFFFF, "Properties defined by clients and occasionally service providers that are "
             "identified by name."},
};

constexpr char kHexDigits[] = "0123456789ABCDEF";

template <std::size_t N>
std::string TextAt(const char* const (&texts)[N], std::uint32_t index)
{
    return index < N ? texts[index] : "";
}

std::uint32_t BaseType(std::uint32_t tag)
{
    return PROP_TYPE(tag) & ~MV_FLAG;
}

} // namespace

std::string AttributeIdentifierName(std::uint32_t identifier)
{
    const AttributeName* attribute = FindAttribute(identifier);
    return attribute != nullptr ? attribute->name : "";
}

std::string AttributeIdentifierLabel(std::uint32_t identifier)
{
    const std::string number = platform::Format("%#010X", identifier);
    const AttributeName* attribute = FindAttribute(identifier);
    return attribute != nullptr ? std::string(attribute->name) + " (" + number + ")" : number;
}

std::string AttributeDisplayCaption(std::uint32_t identifier)
{
    const AttributeName* attribute = FindAttribute(identifier);
    return attribute != nullptr ? attribute->caption : "";
}

std::string LevelName(std::uint32_t level)
{
    return TextAt(kLevelNames, level);
}

std::string RenderingTypeName(std::uint16_t renderingType)
{
    return TextAt(kRenderingTypeNames, renderingType);
}

std::string RenderingTypeNameOfData(const std::uint8_t* data, std::uint32_t length)
{
    if (data == nullptr || length < 2) {
        return {};
    }
    return RenderingTypeName(format::LoadLe16(data));
}

std::string PropertyTypeName(std::uint32_t tag)
{
    const std::uint32_t type = BaseType(tag);
    for (const NumberText& entry : kPropertyTypes) {
        if (entry.number == type) {
            return entry.text;
        }
    }
    return {};
}

bool IsMultiValued(std::uint32_t tag)
{
    return (tag & MV_FLAG) != 0;
}

std::string ValueLayoutText(std::uint32_t layout)
{
    return TextAt(kValueLayouts, layout);
}

std::string NamedPropertyKindText(bool present, std::uint32_t kind)
{
    if (!present) {
        return {};
    }
    switch (kind) {
    case MNID_ID:
        return "MNID_ID";
    case MNID_STRING:
        return "MNID_STRING";
    default:
        return {};
    }
}

std::string NamedPropertyNameText(bool present, std::uint32_t kind, std::uint32_t id,
                                  const char16_t* name)
{
    if (!present) {
        return {};
    }
    switch (kind) {
    case MNID_ID:
        return platform::Format("%#06X", id);
    case MNID_STRING:
        return "'" + (name != nullptr ? platform::Utf16ToUtf8(name) : std::string()) + "'";
    default:
        return {};
    }
}

std::string IdentifierRangeText(std::uint32_t tag)
{
    const std::uint32_t id = PROP_ID(tag);
    if (id == 0) {
        return "Reserved by MAPI for the special value PR_NULL.";
    }
    for (const NumberText& range : kIdentifierRanges) {
        if (id < range.number) {
            return range.text;
        }
    }
    // Only 0xFFFF is left.
    return "Reserved by MAPI for the special error value PROP_ID_INVALID";
}

std::string AttachmentMethodText(std::uint32_t method)
{
    if (method < std::size(kAttachmentMethods)) {
        return kAttachmentMethods[method];
    }
    return "unknown PR_ATTACH_METHOD value";
}

std::string MessageFlagsText(std::uint32_t flags)
{
    std::string text;
    for (const NumberText& flag : kMessageFlags) {
        if ((flags & flag.number) != 0) {
            text += flag.text;
        }
    }
    return text;
}

std::string InterfaceIdentifierName(const std::uint8_t* iid)
{
    if (iid == nullptr) {
        return {};
    }
    const platform::GUID guid = platform::GuidFromBytes(iid);
    if (guid == platform::IID_IMessage) {
        return "IID_IMessage";
    }
    if (guid == platform::IID_IStorage) {
        return "IID_IStorage";
    }
    if (guid == platform::IID_IStream) {
        return "IID_IStream";
    }
    return {};
}

std::string PropertyCaption(TagoraHandle dictionary, std::uint32_t tag)
{
    if (dictionary != nullptr) {
        // One byte more than the limit, zero-filled: the name always comes back terminated.
        char name[128] = {};
        if (TagoraGet(dictionary, tag, name, sizeof name - 1) != 0) {
            return name;
        }
    }
    return platform::Format("%#010X", tag);
}

std::string FormatGuid(const std::uint8_t* bytes)
{
    if (bytes == nullptr) {
        return {};
    }
    return platform::FormatGuid(platform::GuidFromBytes(bytes));
}

std::string FormatBytes(int mode, const std::uint8_t* bytes, std::uint32_t count)
{
    std::string text;
    if (bytes == nullptr || count == 0) {
        return text;
    }
    const auto printable = [](std::uint8_t byte) { return byte >= 32 && byte <= 126; };
    switch (mode) {
    case kBytesHex:
        // "%02X " a byte, without a formatting call per byte.
        text.reserve(std::size_t{count} * 3);
        for (std::uint32_t i = 0; i < count; ++i) {
            text += kHexDigits[bytes[i] >> 4];
            text += kHexDigits[bytes[i] & 0x0F];
            text += ' ';
        }
        break;
    case kBytesPrintable:
        text.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            text += printable(bytes[i]) ? static_cast<char>(bytes[i]) : '.';
        }
        break;
    case kBytesText:
        for (std::uint32_t i = 0; i < count && bytes[i] != 0; ++i) {
            text += printable(bytes[i]) ? static_cast<char>(bytes[i]) : 'x';
        }
        break;
    default:
        break;
    }
    return text;
}

std::string FormatValueText(std::uint32_t tag, const std::uint8_t* data,
                            std::uint32_t dataLength)
{
    if (data == nullptr || dataLength == 0) {
        return {};
    }
    switch (BaseType(tag)) {
    case PT_I2:
        if (dataLength < 2) {
            return {};
        }
        return platform::Format("%d", static_cast<int>(static_cast<std::int16_t>(format::LoadLe16(data))));
    case PT_BOOLEAN:
        if (dataLength < 2) {
            return {};
        }
        return platform::Format("%d", static_cast<int>(format::LoadLe16(data)));
    case PT_LONG:
        if (dataLength < 4) {
            return {};
        }
        return platform::Format("%d", static_cast<std::int32_t>(format::LoadLe32(data)));
    case PT_ERROR:
        if (dataLength < 4) {
            return {};
        }
        return platform::Format("%#010X", format::LoadLe32(data));
    case PT_DOUBLE: {
        if (dataLength < 8) {
            return {};
        }
        const std::uint64_t bits = format::LoadLe64(data);
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return platform::Format("%G", value);
    }
    case PT_STRING8: {
        const void* end = std::memchr(data, 0, dataLength);
        const std::size_t length =
            end != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - data)
                           : dataLength;
        return std::string(reinterpret_cast<const char*>(data), length);
    }
    case PT_UNICODE: {
        std::u16string text = platform::Utf16FromLittleEndian(data, dataLength);
        const std::size_t end = text.find(u'\0');
        if (end != std::u16string::npos) {
            text.resize(end);
        }
        return platform::Utf16ToUtf8(text);
    }
    default:
        return {};
    }
}

} // namespace viewer::doc::naming
