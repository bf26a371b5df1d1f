// MAPI constants under their published names ([MS-OXPROPS], [MS-OXCDATA]): property tags
// and types, named-property kinds, attachment methods and message flags.
#pragma once

#include <cstdint>

namespace format {

// ---- Property tags: type in the low 16 bits, identifier in the high 16 bits ----------

constexpr std::uint32_t PROP_TYPE(std::uint32_t tag) { return tag & 0xFFFFu; }
constexpr std::uint32_t PROP_ID(std::uint32_t tag) { return tag >> 16; }
constexpr std::uint32_t PROP_TAG(std::uint32_t type, std::uint32_t id) { return (id << 16) | type; }
constexpr std::uint32_t CHANGE_PROP_TYPE(std::uint32_t tag, std::uint32_t type)
{
    return (tag & 0xFFFF0000u) | type;
}

// Identifiers 0x8000 to 0xFFFE are named properties; 0xFFFF is PROP_ID_INVALID.
inline constexpr std::uint32_t kFirstNamedId = 0x8000;
inline constexpr std::uint32_t kLastNamedId = 0xFFFE;
constexpr bool IsNamedPropId(std::uint32_t id) { return id >= kFirstNamedId && id <= kLastNamedId; }

// ---- Property types ------------------------------------------------------------------

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
inline constexpr std::uint32_t MV_FLAG = 0x1000;
inline constexpr std::uint32_t PT_MV_LONG = MV_FLAG | PT_LONG;
inline constexpr std::uint32_t PT_MV_STRING8 = MV_FLAG | PT_STRING8;
inline constexpr std::uint32_t PT_MV_UNICODE = MV_FLAG | PT_UNICODE;
inline constexpr std::uint32_t PT_MV_BINARY = MV_FLAG | PT_BINARY;

// ---- Named-property kinds ------------------------------------------------------------

inline constexpr std::uint32_t MNID_ID = 0;
inline constexpr std::uint32_t MNID_STRING = 1;

// ---- Message properties ----------------------------------------------------------------

inline constexpr std::uint32_t PR_IMPORTANCE = 0x00170003;
inline constexpr std::uint32_t PR_MESSAGE_CLASS = 0x001A001E;
inline constexpr std::uint32_t PR_SUBJECT = 0x0037001E;
inline constexpr std::uint32_t PR_SUBJECT_W = 0x0037001F;
inline constexpr std::uint32_t PR_CLIENT_SUBMIT_TIME = 0x00390040;
inline constexpr std::uint32_t PR_RECIPIENT_TYPE = 0x0C150003;
inline constexpr std::uint32_t PR_MESSAGE_DELIVERY_TIME = 0x0E060040;
inline constexpr std::uint32_t PR_MESSAGE_FLAGS = 0x0E070003;
inline constexpr std::uint32_t PR_MESSAGE_RECIPIENTS = 0x0E12000D;
inline constexpr std::uint32_t PR_MESSAGE_ATTACHMENTS = 0x0E13000D;
inline constexpr std::uint32_t PR_BODY = 0x1000001E;
inline constexpr std::uint32_t PR_BODY_W = 0x1000001F;
inline constexpr std::uint32_t PR_RTF_COMPRESSED = 0x10090102;
inline constexpr std::uint32_t PR_BODY_HTML = 0x10130102;
inline constexpr std::uint32_t PR_BODY_HTML_A = 0x1013001E;
inline constexpr std::uint32_t PR_BODY_HTML_W = 0x1013001F;
inline constexpr std::uint32_t PR_DISPLAY_NAME = 0x3001001E;
inline constexpr std::uint32_t PR_DISPLAY_NAME_W = 0x3001001F;
inline constexpr std::uint32_t PR_EMAIL_ADDRESS = 0x3003001E;
inline constexpr std::uint32_t PR_CREATION_TIME = 0x30070040;
inline constexpr std::uint32_t PR_LAST_MODIFICATION_TIME = 0x30080040;
inline constexpr std::uint32_t PR_SEARCH_KEY = 0x300B0102;
inline constexpr std::uint32_t PR_INTERNET_CPID = 0x3FDE0003;
inline constexpr std::uint32_t PR_MESSAGE_CODEPAGE = 0x3FFD0003;

// ---- Attachment properties ---------------------------------------------------------------

inline constexpr std::uint32_t PR_ATTACH_DATA_OBJ = 0x3701000D;
inline constexpr std::uint32_t PR_ATTACH_DATA_BIN = 0x37010102;
inline constexpr std::uint32_t PR_ATTACH_FILENAME = 0x3704001E;
inline constexpr std::uint32_t PR_ATTACH_METHOD = 0x37050003;
inline constexpr std::uint32_t PR_ATTACH_LONG_FILENAME = 0x3707001E;
inline constexpr std::uint32_t PR_ATTACH_LONG_FILENAME_W = 0x3707001F;
inline constexpr std::uint32_t PR_ATTACH_RENDERING = 0x37090102;
inline constexpr std::uint32_t PR_RENDERING_POSITION = 0x370B0003;
inline constexpr std::uint32_t PR_ATTACH_MIME_TAG = 0x370E001E;

// ---- Attachment methods (value of PR_ATTACH_METHOD) ------------------------------------

inline constexpr std::uint32_t NO_ATTACHMENT = 0;
inline constexpr std::uint32_t ATTACH_BY_VALUE = 1;
inline constexpr std::uint32_t ATTACH_BY_REFERENCE = 2;
inline constexpr std::uint32_t ATTACH_BY_REF_RESOLVE = 3;
inline constexpr std::uint32_t ATTACH_BY_REF_ONLY = 4;
inline constexpr std::uint32_t ATTACH_EMBEDDED_MSG = 5;
inline constexpr std::uint32_t ATTACH_OLE = 6;

// ---- PR_MESSAGE_FLAGS bits -----------------------------------------------------------------

inline constexpr std::uint32_t MSGFLAG_READ = 0x01;
inline constexpr std::uint32_t MSGFLAG_UNMODIFIED = 0x02;
inline constexpr std::uint32_t MSGFLAG_SUBMIT = 0x04;
inline constexpr std::uint32_t MSGFLAG_UNSENT = 0x08;
inline constexpr std::uint32_t MSGFLAG_HASATTACH = 0x10;

} // namespace format
