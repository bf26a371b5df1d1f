// MAPI and TNEF constants under their published names ([MS-OXPROPS], [MS-OXTNEF],
// [MS-OXMSG]) and the property tag array, as the conversion uses them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/guid.h"

namespace ferrule {

// ---- Property tags: type in the low 16 bits, identifier in the high 16 bits ----------

constexpr std::uint32_t PROP_TYPE(std::uint32_t tag) { return tag & 0xFFFFu; }
constexpr std::uint32_t PROP_ID(std::uint32_t tag) { return tag >> 16; }
constexpr std::uint32_t PROP_TAG(std::uint32_t type, std::uint32_t id) { return (id << 16) | type; }
constexpr std::uint32_t CHANGE_PROP_TYPE(std::uint32_t tag, std::uint32_t type)
{
    return (tag & 0xFFFF0000u) | type;
}

inline constexpr std::uint32_t MV_FLAG = 0x1000;

inline constexpr std::uint32_t PT_UNSPECIFIED = 0x0000;
inline constexpr std::uint32_t PT_NULL = 0x0001;
inline constexpr std::uint32_t PT_I2 = 0x0002;
inline constexpr std::uint32_t PT_LONG = 0x0003;
inline constexpr std::uint32_t PT_R4 = 0x0004;
inline constexpr std::uint32_t PT_DOUBLE = 0x0005;
inline constexpr std::uint32_t PT_CURRENCY = 0x0006;
inline constexpr std::uint32_t PT_APPTIME = 0x0007;
inline constexpr std::uint32_t PT_ERROR = 0x000A;
inline constexpr std::uint32_t PT_BOOLEAN = 0x000B;
inline constexpr std::uint32_t PT_OBJECT = 0x000D;
inline constexpr std::uint32_t PT_I8 = 0x0014;
inline constexpr std::uint32_t PT_STRING8 = 0x001E;
inline constexpr std::uint32_t PT_UNICODE = 0x001F;
inline constexpr std::uint32_t PT_SYSTIME = 0x0040;
inline constexpr std::uint32_t PT_CLSID = 0x0048;
inline constexpr std::uint32_t PT_BINARY = 0x0102;

// First identifier of the named-property range; 0xFFFF is not a named property.
inline constexpr std::uint32_t kFirstNamedId = 0x8000;
inline constexpr std::uint32_t kLastNamedId = 0xFFFE;

// Message properties.
inline constexpr std::uint32_t PR_MESSAGE_CLASS = 0x001A001E;
inline constexpr std::uint32_t PR_SUBJECT = 0x0037001E;
inline constexpr std::uint32_t PR_CLIENT_SUBMIT_TIME = 0x00390040;
inline constexpr std::uint32_t PR_IMPORTANCE = 0x00170003;
inline constexpr std::uint32_t PR_MESSAGE_DELIVERY_TIME = 0x0E060040;
inline constexpr std::uint32_t PR_MESSAGE_FLAGS = 0x0E070003;
inline constexpr std::uint32_t PR_MESSAGE_RECIPIENTS = 0x0E12000D;
inline constexpr std::uint32_t PR_MESSAGE_ATTACHMENTS = 0x0E13000D;
inline constexpr std::uint32_t PR_SEARCH_KEY = 0x300B0102;
inline constexpr std::uint32_t PR_BODY = 0x1000001E;
inline constexpr std::uint32_t PR_RTF_COMPRESSED = 0x10090102;
inline constexpr std::uint32_t PR_LAST_MODIFICATION_TIME = 0x30080040;
inline constexpr std::uint32_t PR_CREATION_TIME = 0x30070040;
inline constexpr std::uint32_t PR_DISPLAY_NAME = 0x3001001E;
inline constexpr std::uint32_t PR_INTERNET_CPID = 0x3FDE0003;
inline constexpr std::uint32_t PR_MESSAGE_CODEPAGE = 0x3FFD0003;

// Attachment properties.
inline constexpr std::uint32_t PR_ATTACH_DATA_BIN = 0x37010102;
inline constexpr std::uint32_t PR_ATTACH_DATA_OBJ = 0x3701000D;
inline constexpr std::uint32_t PR_ATTACH_FILENAME = 0x3704001E;
inline constexpr std::uint32_t PR_ATTACH_METHOD = 0x37050003;
inline constexpr std::uint32_t PR_ATTACH_LONG_FILENAME = 0x3707001E;
inline constexpr std::uint32_t PR_ATTACH_RENDERING = 0x37090102;
inline constexpr std::uint32_t PR_RENDERING_POSITION = 0x370B0003;

inline constexpr std::uint32_t NO_ATTACHMENT = 0;
inline constexpr std::uint32_t ATTACH_BY_VALUE = 1;
inline constexpr std::uint32_t ATTACH_EMBEDDED_MSG = 5;
inline constexpr std::uint32_t ATTACH_OLE = 6;

// PR_MESSAGE_FLAGS bits.
inline constexpr std::uint32_t MSGFLAG_READ = 0x01;
inline constexpr std::uint32_t MSGFLAG_UNMODIFIED = 0x02;
inline constexpr std::uint32_t MSGFLAG_SUBMIT = 0x04;
inline constexpr std::uint32_t MSGFLAG_UNSENT = 0x08;
inline constexpr std::uint32_t MSGFLAG_HASATTACH = 0x10;

// Named-property kinds.
inline constexpr std::uint32_t MNID_ID = 0;
inline constexpr std::uint32_t MNID_STRING = 1;

inline constexpr platform::GUID PS_MAPI{
    0x00020328, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr platform::GUID PS_PUBLIC_STRINGS{
    0x00020329, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// ---- TNEF ---------------------------------------------------------------------------

inline constexpr std::uint32_t TNEF_SIGNATURE = 0x223E9F78;
inline constexpr std::uint8_t LVL_MESSAGE = 1;
inline constexpr std::uint8_t LVL_ATTACHMENT = 2;

inline constexpr std::uint32_t attSubject = 0x00018004;
inline constexpr std::uint32_t attDateSent = 0x00038005;
inline constexpr std::uint32_t attDateRecd = 0x00038006;
inline constexpr std::uint32_t attMessageStatus = 0x00068007;
inline constexpr std::uint32_t attMessageClass = 0x00078008;
inline constexpr std::uint32_t attMessageID = 0x00018009;
inline constexpr std::uint32_t attBody = 0x0002800C;
inline constexpr std::uint32_t attPriority = 0x0004800D;
inline constexpr std::uint32_t attAttachData = 0x0006800F;
inline constexpr std::uint32_t attAttachTitle = 0x00018010;
inline constexpr std::uint32_t attAttachMetaFile = 0x00068011;
inline constexpr std::uint32_t attAttachCreateDate = 0x00038012;
inline constexpr std::uint32_t attAttachModifyDate = 0x00038013;
inline constexpr std::uint32_t attDateModified = 0x00038020;
inline constexpr std::uint32_t attAttachRenddata = 0x00069002;
inline constexpr std::uint32_t attMAPIProps = 0x00069003;
inline constexpr std::uint32_t attRecipTable = 0x00069004;
inline constexpr std::uint32_t attAttachment = 0x00069005;
inline constexpr std::uint32_t attTnefVersion = 0x00089006;
inline constexpr std::uint32_t attOemCodepage = 0x00069007;

inline constexpr std::uint16_t atypFile = 1;
inline constexpr std::uint16_t atypOle = 2;

// attMessageStatus bits.
inline constexpr std::uint8_t fmsModified = 0x01;
inline constexpr std::uint8_t fmsLocal = 0x02;
inline constexpr std::uint8_t fmsSubmitted = 0x04;
inline constexpr std::uint8_t fmsRead = 0x20;
inline constexpr std::uint8_t fmsHasAttach = 0x80;

// attPriority values.
inline constexpr std::uint16_t prioHigh = 1;
inline constexpr std::uint16_t prioNorm = 2;
inline constexpr std::uint16_t prioLow = 3;

// OpenTnefStreamEx and AddProps flags.
inline constexpr std::uint32_t TNEF_DECODE = 0x0;
inline constexpr std::uint32_t TNEF_ENCODE = 0x2;
inline constexpr std::uint32_t TNEF_PROP_INCLUDE = 0x1;
inline constexpr std::uint32_t TNEF_PROP_EXCLUDE = 0x2;

// ---- Property tag array -------------------------------------------------------------

// A count followed by that many tags, in one buffer from MAPIAllocateBuffer.
struct SPropTagArray {
    std::uint32_t cValues;

    std::uint32_t* aulPropTag() { return reinterpret_cast<std::uint32_t*>(this + 1); }
    const std::uint32_t* aulPropTag() const
    {
        return reinterpret_cast<const std::uint32_t*>(this + 1);
    }
};

constexpr std::size_t CbNewSPropTagArray(std::size_t count)
{
    return sizeof(SPropTagArray) + count * sizeof(std::uint32_t);
}

} // namespace ferrule
