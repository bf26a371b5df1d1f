// TNEF and MAPI constants under their published names ([MS-OXTNEF], [MS-OXPROPS]): the
// stream signature, attribute levels and identifiers, property types, the property tags
// the tree walk looks for, named-property kinds and attachment methods.
#pragma once

#include <cstdint>

namespace viewer::doc {

// ---- Stream ---------------------------------------------------------------------------

inline constexpr std::uint32_t TNEF_SIGNATURE = 0x223E9F78;
// Signature (4) and legacy key (2) come before the first attribute record.
inline constexpr std::uint64_t kTnefHeaderSize = 6;
// Level (1), identifier (4) and length (4) come before an attribute's data...
inline constexpr std::uint64_t kAttributeDataOffset = 9;
// ...and the 2-byte checksum after it.
inline constexpr std::uint64_t kAttributeOverhead = 11;

// ---- Attribute levels -----------------------------------------------------------------

inline constexpr std::uint8_t LVL_MESSAGE = 1;
inline constexpr std::uint8_t LVL_ATTACHMENT = 2;

// ---- Attribute identifiers (type in the high 16 bits, number in the low 16 bits) ----

inline constexpr std::uint32_t attNull = 0x00000000;
inline constexpr std::uint32_t attFrom = 0x00008000;
inline constexpr std::uint32_t attSubject = 0x00018004;
inline constexpr std::uint32_t attMessageID = 0x00018009;
inline constexpr std::uint32_t attParentID = 0x0001800A;
inline constexpr std::uint32_t attConversationID = 0x0001800B;
inline constexpr std::uint32_t attAttachTitle = 0x00018010;
inline constexpr std::uint32_t attBody = 0x0002800C;
inline constexpr std::uint32_t attDateStart = 0x00030006;
inline constexpr std::uint32_t attDateEnd = 0x00030007;
inline constexpr std::uint32_t attDateSent = 0x00038005;
inline constexpr std::uint32_t attDateRecd = 0x00038006;
inline constexpr std::uint32_t attAttachCreateDate = 0x00038012;
inline constexpr std::uint32_t attAttachModifyDate = 0x00038013;
inline constexpr std::uint32_t attDateModified = 0x00038020;
inline constexpr std::uint32_t attRequestRes = 0x00040009;
inline constexpr std::uint32_t attPriority = 0x0004800D;
inline constexpr std::uint32_t attAidOwner = 0x00050008;
inline constexpr std::uint32_t attOwner = 0x00060000;
inline constexpr std::uint32_t attSentFor = 0x00060001;
inline constexpr std::uint32_t attDelegate = 0x00060002;
inline constexpr std::uint32_t attMessageStatus = 0x00068007;
inline constexpr std::uint32_t attAttachData = 0x0006800F;
inline constexpr std::uint32_t attAttachMetaFile = 0x00068011;
inline constexpr std::uint32_t attAttachTransportFilename = 0x00069001;
inline constexpr std::uint32_t attAttachRenddata = 0x00069002;
inline constexpr std::uint32_t attMAPIProps = 0x00069003;
inline constexpr std::uint32_t attRecipTable = 0x00069004;
inline constexpr std::uint32_t attAttachment = 0x00069005;
inline constexpr std::uint32_t attOemCodepage = 0x00069007;
inline constexpr std::uint32_t attOriginalMessageClass = 0x00070006;
inline constexpr std::uint32_t attMessageClass = 0x00078008;
inline constexpr std::uint32_t attTnefVersion = 0x00089006;

// ---- Attachment rendering types (first field of a 14-byte attAttachRenddata) --------

inline constexpr std::uint16_t atypNull = 0;
inline constexpr std::uint16_t atypFile = 1;
inline constexpr std::uint16_t atypOle = 2;
inline constexpr std::uint16_t atypPicture = 3;
inline constexpr std::uint16_t atypMax = 4;

// ---- Property types (low 16 bits of a tag) -------------------------------------------

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

constexpr std::uint32_t PropType(std::uint32_t tag) { return tag & 0xFFFFu; }
constexpr std::uint32_t PropId(std::uint32_t tag) { return tag >> 16; }
constexpr std::uint32_t PropTag(std::uint32_t type, std::uint32_t id) { return (id << 16) | type; }
// Identifiers 0x8000 to 0xFFFE are named properties; 0xFFFF is PROP_ID_INVALID.
constexpr bool IsNamedPropId(std::uint32_t id) { return id >= 0x8000 && id <= 0xFFFE; }

// ---- Value layouts inside a property list -------------------------------------------

// size (4), data, padding: PT_STRING8, PT_UNICODE, PT_BINARY
inline constexpr std::uint32_t kLayoutCounted = 0;
// size (4, identifier included), interface identifier (16), data, padding: PT_OBJECT
inline constexpr std::uint32_t kLayoutObject = 1;
// data of the type's fixed size, padding: every other type
inline constexpr std::uint32_t kLayoutFixed = 2;

// A value keeps its data in memory only up to this many bytes.
inline constexpr std::uint32_t kMaxKeptValueBytes = 1024;
// The longest name of a named property, terminator included.
inline constexpr std::uint32_t kMaxNamedPropertyNameBytes = 1024;

// ---- Named-property kinds ------------------------------------------------------------

inline constexpr std::uint32_t MNID_ID = 0;
inline constexpr std::uint32_t MNID_STRING = 1;

// ---- Property tags ---------------------------------------------------------------------

inline constexpr std::uint32_t PR_SUBJECT = 0x0037001E;
inline constexpr std::uint32_t PR_MESSAGE_FLAGS = 0x0E070003;
inline constexpr std::uint32_t PR_RTF_COMPRESSED = 0x10090102;
inline constexpr std::uint32_t PR_BODY_HTML = 0x10130102;
inline constexpr std::uint32_t PR_BODY_HTML_A = 0x1013001E;
inline constexpr std::uint32_t PR_BODY_HTML_W = 0x1013001F;
inline constexpr std::uint32_t PR_DISPLAY_NAME = 0x3001001E;
inline constexpr std::uint32_t PR_ATTACH_DATA_OBJ = 0x3701000D;
inline constexpr std::uint32_t PR_ATTACH_DATA_BIN = 0x37010102;
inline constexpr std::uint32_t PR_ATTACH_FILENAME = 0x3704001E;
inline constexpr std::uint32_t PR_ATTACH_METHOD = 0x37050003;
inline constexpr std::uint32_t PR_ATTACH_LONG_FILENAME = 0x3707001E;
inline constexpr std::uint32_t PR_INTERNET_CPID = 0x3FDE0003;
inline constexpr std::uint32_t PR_MESSAGE_CODEPAGE = 0x3FFD0003;

// ---- Attachment methods (value of PR_ATTACH_METHOD) ------------------------------------

inline constexpr std::uint32_t NO_ATTACHMENT = 0;
inline constexpr std::uint32_t ATTACH_BY_VALUE = 1;
inline constexpr std::uint32_t ATTACH_BY_REFERENCE = 2;
inline constexpr std::uint32_t ATTACH_BY_REF_RESOLVE = 3;
inline constexpr std::uint32_t ATTACH_BY_REF_ONLY = 4;
inline constexpr std::uint32_t ATTACH_EMBEDDED_MSG = 5;
inline constexpr std::uint32_t ATTACH_OLE = 6;

} // namespace viewer::doc
