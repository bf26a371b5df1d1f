// MAPI constants under their published names ([MS-OXPROPS], [MS-OXCDATA]): property tags
// and types, named-property kinds, attachment methods, recipient types and flags, and
// message flags.
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

// ---- Message and recipient properties ------------------------------------------------

inline constexpr std::uint32_t PR_IMPORTANCE = 0x00170003;
inline constexpr std::uint32_t PR_MESSAGE_CLASS = 0x001A001E;
inline constexpr std::uint32_t PR_SENSITIVITY = 0x00360003;
inline constexpr std::uint32_t PR_SUBJECT = 0x0037001E;
inline constexpr std::uint32_t PR_SUBJECT_W = 0x0037001F;
inline constexpr std::uint32_t PR_CLIENT_SUBMIT_TIME = 0x00390040;
inline constexpr std::uint32_t PR_SENT_REPRESENTING_NAME = 0x0042001E;
inline constexpr std::uint32_t PR_START_DATE = 0x00600040;
inline constexpr std::uint32_t PR_END_DATE = 0x00610040;
inline constexpr std::uint32_t PR_RESPONSE_REQUESTED = 0x0063000B;
inline constexpr std::uint32_t PR_SENT_REPRESENTING_ADDRTYPE = 0x0064001E;
inline constexpr std::uint32_t PR_SENT_REPRESENTING_EMAIL_ADDRESS = 0x0065001E;
inline constexpr std::uint32_t PR_CONVERSATION_TOPIC = 0x0070001E;
inline constexpr std::uint32_t PR_RECIPIENT_TYPE = 0x0C150003;
inline constexpr std::uint32_t PR_SENDER_NAME = 0x0C1A001E;
inline constexpr std::uint32_t PR_SENDER_ADDRTYPE = 0x0C1E001E;
inline constexpr std::uint32_t PR_SENDER_EMAIL_ADDRESS = 0x0C1F001E;
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
inline constexpr std::uint32_t PR_ADDRTYPE = 0x3002001E;
inline constexpr std::uint32_t PR_EMAIL_ADDRESS = 0x3003001E;
inline constexpr std::uint32_t PR_CREATION_TIME = 0x30070040;
inline constexpr std::uint32_t PR_LAST_MODIFICATION_TIME = 0x30080040;
inline constexpr std::uint32_t PR_SEARCH_KEY = 0x300B0102;
inline constexpr std::uint32_t PR_SMTP_ADDRESS = 0x39FE001E;
inline constexpr std::uint32_t PR_INTERNET_CPID = 0x3FDE0003;
inline constexpr std::uint32_t PR_MESSAGE_CODEPAGE = 0x3FFD0003;
inline constexpr std::uint32_t PR_SENDER_SMTP_ADDRESS = 0x5D01001E;
inline constexpr std::uint32_t PR_SENT_REPRESENTING_SMTP_ADDRESS = 0x5D02001E;
inline constexpr std::uint32_t PR_RECIPIENT_FLAGS = 0x5FFD0003;
inline constexpr std::uint32_t PR_RECIPIENT_TRACKSTATUS = 0x5FFF0003;

// ---- Contact properties ([MS-OXOCNTC]) -------------------------------------------------

inline constexpr std::uint32_t PR_GENERATION = 0x3A05001E;
inline constexpr std::uint32_t PR_GIVEN_NAME = 0x3A06001E;
inline constexpr std::uint32_t PR_BUSINESS_TELEPHONE_NUMBER = 0x3A08001E;
inline constexpr std::uint32_t PR_HOME_TELEPHONE_NUMBER = 0x3A09001E;
inline constexpr std::uint32_t PR_SURNAME = 0x3A11001E;
inline constexpr std::uint32_t PR_COMPANY_NAME = 0x3A16001E;
inline constexpr std::uint32_t PR_TITLE = 0x3A17001E;
inline constexpr std::uint32_t PR_DEPARTMENT_NAME = 0x3A18001E;
inline constexpr std::uint32_t PR_PRIMARY_TELEPHONE_NUMBER = 0x3A1A001E;
inline constexpr std::uint32_t PR_MOBILE_TELEPHONE_NUMBER = 0x3A1C001E;
inline constexpr std::uint32_t PR_PAGER_TELEPHONE_NUMBER = 0x3A21001E;
inline constexpr std::uint32_t PR_BUSINESS_FAX_NUMBER = 0x3A24001E;
inline constexpr std::uint32_t PR_HOME_FAX_NUMBER = 0x3A25001E;
inline constexpr std::uint32_t PR_COUNTRY = 0x3A26001E;
inline constexpr std::uint32_t PR_LOCALITY = 0x3A27001E;
inline constexpr std::uint32_t PR_STATE_OR_PROVINCE = 0x3A28001E;
inline constexpr std::uint32_t PR_STREET_ADDRESS = 0x3A29001E;
inline constexpr std::uint32_t PR_POSTAL_CODE = 0x3A2A001E;
inline constexpr std::uint32_t PR_POST_OFFICE_BOX = 0x3A2B001E;
inline constexpr std::uint32_t PR_WEDDING_ANNIVERSARY = 0x3A410040;
inline constexpr std::uint32_t PR_BIRTHDAY = 0x3A420040;
inline constexpr std::uint32_t PR_MIDDLE_NAME = 0x3A44001E;
inline constexpr std::uint32_t PR_DISPLAY_NAME_PREFIX = 0x3A45001E;
inline constexpr std::uint32_t PR_PROFESSION = 0x3A46001E;
inline constexpr std::uint32_t PR_NICKNAME = 0x3A4F001E;
inline constexpr std::uint32_t PR_PERSONAL_HOME_PAGE = 0x3A50001E;
inline constexpr std::uint32_t PR_BUSINESS_HOME_PAGE = 0x3A51001E;
inline constexpr std::uint32_t PR_HOME_ADDRESS_CITY = 0x3A59001E;
inline constexpr std::uint32_t PR_HOME_ADDRESS_COUNTRY = 0x3A5A001E;
inline constexpr std::uint32_t PR_HOME_ADDRESS_POSTAL_CODE = 0x3A5B001E;
inline constexpr std::uint32_t PR_HOME_ADDRESS_STATE_OR_PROVINCE = 0x3A5C001E;
inline constexpr std::uint32_t PR_HOME_ADDRESS_STREET = 0x3A5D001E;
inline constexpr std::uint32_t PR_HOME_ADDRESS_POST_OFFICE_BOX = 0x3A5E001E;
inline constexpr std::uint32_t PR_OTHER_ADDRESS_CITY = 0x3A5F001E;
inline constexpr std::uint32_t PR_OTHER_ADDRESS_COUNTRY = 0x3A60001E;
inline constexpr std::uint32_t PR_OTHER_ADDRESS_POSTAL_CODE = 0x3A61001E;
inline constexpr std::uint32_t PR_OTHER_ADDRESS_STATE_OR_PROVINCE = 0x3A62001E;
inline constexpr std::uint32_t PR_OTHER_ADDRESS_STREET = 0x3A63001E;
inline constexpr std::uint32_t PR_OTHER_ADDRESS_POST_OFFICE_BOX = 0x3A64001E;

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
inline constexpr std::uint32_t PR_ATTACHMENT_CONTACTPHOTO = 0x7FFF000B;
inline constexpr std::uint32_t PR_ATTACH_CONTENT_ID = 0x3712001E;
inline constexpr std::uint32_t PR_ATTACH_CONTENT_LOCATION = 0x3713001E;

// ---- Attachment methods (value of PR_ATTACH_METHOD) ------------------------------------

inline constexpr std::uint32_t NO_ATTACHMENT = 0;
inline constexpr std::uint32_t ATTACH_BY_VALUE = 1;
inline constexpr std::uint32_t ATTACH_BY_REFERENCE = 2;
inline constexpr std::uint32_t ATTACH_BY_REF_RESOLVE = 3;
inline constexpr std::uint32_t ATTACH_BY_REF_ONLY = 4;
inline constexpr std::uint32_t ATTACH_EMBEDDED_MSG = 5;
inline constexpr std::uint32_t ATTACH_OLE = 6;

// ---- Recipient types (value of PR_RECIPIENT_TYPE) ---------------------------------------
// A meeting's MAPI_TO, MAPI_CC and MAPI_BCC rows are its required attendees, optional
// attendees and resources ([MS-OXOCAL]).

inline constexpr std::uint32_t MAPI_TO = 1;
inline constexpr std::uint32_t MAPI_CC = 2;
inline constexpr std::uint32_t MAPI_BCC = 3;

// ---- PR_RECIPIENT_FLAGS bits -------------------------------------------------------------

inline constexpr std::uint32_t recipSendable = 0x0001;
inline constexpr std::uint32_t recipOrganizer = 0x0002;

// ---- PR_MESSAGE_FLAGS bits -----------------------------------------------------------------

inline constexpr std::uint32_t MSGFLAG_READ = 0x01;
inline constexpr std::uint32_t MSGFLAG_UNMODIFIED = 0x02;
inline constexpr std::uint32_t MSGFLAG_SUBMIT = 0x04;
inline constexpr std::uint32_t MSGFLAG_UNSENT = 0x08;
inline constexpr std::uint32_t MSGFLAG_HASATTACH = 0x10;

} // namespace format
