// TNEF constants under their published names ([MS-OXTNEF]): the stream's layout, attribute
// levels and identifiers, attachment rendering types, the message status and priority values,
// and the layouts of values inside a property list.
#pragma once

#include <cstdint>

namespace format {

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

// ---- attMessageStatus bits ------------------------------------------------------------

inline constexpr std::uint8_t fmsModified = 0x01;
inline constexpr std::uint8_t fmsLocal = 0x02;
inline constexpr std::uint8_t fmsSubmitted = 0x04;
inline constexpr std::uint8_t fmsRead = 0x20;
inline constexpr std::uint8_t fmsHasAttach = 0x80;

// ---- attPriority values ---------------------------------------------------------------

inline constexpr std::uint16_t prioHigh = 1;
inline constexpr std::uint16_t prioNorm = 2;
inline constexpr std::uint16_t prioLow = 3;

// ---- Value layouts inside a property list (attMAPIProps, attAttachment, rows) ---------

// size (4), data, padding: PT_STRING8, PT_UNICODE, PT_BINARY
inline constexpr std::uint32_t kLayoutCounted = 0;
// size (4, identifier included), interface identifier (16), data, padding: PT_OBJECT
inline constexpr std::uint32_t kLayoutObject = 1;
// data of the type's fixed size, padding: every other type
inline constexpr std::uint32_t kLayoutFixed = 2;

// The size field before counted and object data, and the interface identifier after it.
inline constexpr std::uint32_t kValueSizeFieldBytes = 4;
inline constexpr std::uint32_t kValueIidBytes = 16;

} // namespace format
