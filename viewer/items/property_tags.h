// The tagged properties the item exporters read, under their published names ([MS-OXPROPS]).
// Lookups go by the identifier half of a tag: the 8-bit and the Unicode form of a string
// property are the same property to an exporter.
#pragma once

#include <cstdint>

namespace viewer::items {

// ---- Message -------------------------------------------------------------------------------

inline constexpr std::uint32_t PR_IMPORTANCE = 0x00170003;
inline constexpr std::uint32_t PR_MESSAGE_CLASS = 0x001A001E;
inline constexpr std::uint32_t PR_SENSITIVITY = 0x00360003;
inline constexpr std::uint32_t PR_SUBJECT = 0x0037001E;
inline constexpr std::uint32_t PR_CLIENT_SUBMIT_TIME = 0x00390040;
inline constexpr std::uint32_t PR_SENT_REPRESENTING_NAME = 0x0042001E;
inline constexpr std::uint32_t PR_START_DATE = 0x00600040;
inline constexpr std::uint32_t PR_END_DATE = 0x00610040;
inline constexpr std::uint32_t PR_RESPONSE_REQUESTED = 0x0063000B;
inline constexpr std::uint32_t PR_SENT_REPRESENTING_ADDRTYPE = 0x0064001E;
inline constexpr std::uint32_t PR_SENT_REPRESENTING_EMAIL_ADDRESS = 0x0065001E;
inline constexpr std::uint32_t PR_CONVERSATION_TOPIC = 0x0070001E;
inline constexpr std::uint32_t PR_SENDER_NAME = 0x0C1A001E;
inline constexpr std::uint32_t PR_SENDER_ADDRTYPE = 0x0C1E001E;
inline constexpr std::uint32_t PR_SENDER_EMAIL_ADDRESS = 0x0C1F001E;
inline constexpr std::uint32_t PR_BODY = 0x1000001E;
inline constexpr std::uint32_t PR_CREATION_TIME = 0x30070040;
inline constexpr std::uint32_t PR_LAST_MODIFICATION_TIME = 0x30080040;
inline constexpr std::uint32_t PR_SEARCH_KEY = 0x300B0102;
inline constexpr std::uint32_t PR_SENDER_SMTP_ADDRESS = 0x5D01001E;
inline constexpr std::uint32_t PR_SENT_REPRESENTING_SMTP_ADDRESS = 0x5D02001E;

// ---- Recipient -----------------------------------------------------------------------------

inline constexpr std::uint32_t PR_RECIPIENT_TYPE = 0x0C150003;
inline constexpr std::uint32_t PR_DISPLAY_NAME = 0x3001001E;
inline constexpr std::uint32_t PR_ADDRTYPE = 0x3002001E;
inline constexpr std::uint32_t PR_EMAIL_ADDRESS = 0x3003001E;
inline constexpr std::uint32_t PR_SMTP_ADDRESS = 0x39FE001E;
inline constexpr std::uint32_t PR_RECIPIENT_FLAGS = 0x5FFD0003;
inline constexpr std::uint32_t PR_RECIPIENT_TRACKSTATUS = 0x5FFF0003;

// PR_RECIPIENT_TYPE of a meeting's recipients ([MS-OXOCAL]).
inline constexpr std::int64_t MAPI_TO = 1;  // required attendee
inline constexpr std::int64_t MAPI_CC = 2;  // optional attendee
inline constexpr std::int64_t MAPI_BCC = 3; // resource
// PR_RECIPIENT_FLAGS: the row is the meeting's organizer.
inline constexpr std::int64_t recipOrganizer = 0x0002;

// ---- Contact -------------------------------------------------------------------------------

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
inline constexpr std::uint32_t PR_BIRTHDAY = 0x3A420040;
inline constexpr std::uint32_t PR_WEDDING_ANNIVERSARY = 0x3A410040;
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

// ---- Attachment ----------------------------------------------------------------------------

inline constexpr std::uint32_t PR_ATTACH_DATA_BIN = 0x37010102;
inline constexpr std::uint32_t PR_ATTACHMENT_CONTACTPHOTO = 0x7FFF000B;

} // namespace viewer::items
