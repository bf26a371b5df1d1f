// The named properties the item exporters read, under their published names ([MS-OXPROPS],
// [MS-OXOCAL], [MS-OXOTASK], [MS-OXOCNTC]): the property sets and, in each, the long
// identifiers (LIDs) or names of the properties.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/guid.h"

namespace viewer::items {

// A named property: its property set and either its LID or, when `name` is not empty,
// its string name.
struct NamedProperty {
    platform::GUID set;
    std::uint32_t lid = 0;
    std::string_view name;
};

// ---- Property sets -----------------------------------------------------------------------

inline constexpr platform::GUID PSETID_Appointment{
    0x00062002, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr platform::GUID PSETID_Task{
    0x00062003, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr platform::GUID PSETID_Address{
    0x00062004, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr platform::GUID PSETID_Common{
    0x00062008, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr platform::GUID PSETID_Meeting{
    0x6ED8DA90, 0x450B, 0x101B, {0x98, 0xDA, 0x00, 0xAA, 0x00, 0x3F, 0x13, 0x05}};
inline constexpr platform::GUID PS_PUBLIC_STRINGS{
    0x00020329, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// ---- PSETID_Appointment --------------------------------------------------------------------

inline constexpr NamedProperty PidLidAppointmentSequence{PSETID_Appointment, 0x8201};
inline constexpr NamedProperty PidLidBusyStatus{PSETID_Appointment, 0x8205};
inline constexpr NamedProperty PidLidLocation{PSETID_Appointment, 0x8208};
inline constexpr NamedProperty PidLidAppointmentStartWhole{PSETID_Appointment, 0x820D};
inline constexpr NamedProperty PidLidAppointmentEndWhole{PSETID_Appointment, 0x820E};
inline constexpr NamedProperty PidLidAppointmentSubType{PSETID_Appointment, 0x8215};
inline constexpr NamedProperty PidLidAppointmentRecur{PSETID_Appointment, 0x8216};
inline constexpr NamedProperty PidLidRecurring{PSETID_Appointment, 0x8223};
inline constexpr NamedProperty PidLidExceptionReplaceTime{PSETID_Appointment, 0x8228};
inline constexpr NamedProperty PidLidTimeZoneStruct{PSETID_Appointment, 0x8233};
inline constexpr NamedProperty PidLidTimeZoneDescription{PSETID_Appointment, 0x8234};
inline constexpr NamedProperty PidLidToAttendeesString{PSETID_Appointment, 0x823B};
inline constexpr NamedProperty PidLidCcAttendeesString{PSETID_Appointment, 0x823C};
inline constexpr NamedProperty PidLidAppointmentTimeZoneDefinitionStartDisplay{PSETID_Appointment,
                                                                               0x825E};
inline constexpr NamedProperty PidLidAppointmentTimeZoneDefinitionRecur{PSETID_Appointment, 0x8260};

// ---- PSETID_Meeting ------------------------------------------------------------------------

inline constexpr NamedProperty PidLidWhere{PSETID_Meeting, 0x0002};
inline constexpr NamedProperty PidLidGlobalObjectId{PSETID_Meeting, 0x0003};
inline constexpr NamedProperty PidLidOwnerCriticalChange{PSETID_Meeting, 0x001A};
inline constexpr NamedProperty PidLidCleanGlobalObjectId{PSETID_Meeting, 0x0023};

// ---- PSETID_Common -------------------------------------------------------------------------

inline constexpr NamedProperty PidLidReminderDelta{PSETID_Common, 0x8501};
inline constexpr NamedProperty PidLidReminderTime{PSETID_Common, 0x8502};
inline constexpr NamedProperty PidLidReminderSet{PSETID_Common, 0x8503};
inline constexpr NamedProperty PidLidTaskGlobalId{PSETID_Common, 0x8519};

// ---- PSETID_Task ---------------------------------------------------------------------------

inline constexpr NamedProperty PidLidTaskStatus{PSETID_Task, 0x8101};
inline constexpr NamedProperty PidLidPercentComplete{PSETID_Task, 0x8102};
inline constexpr NamedProperty PidLidTaskStartDate{PSETID_Task, 0x8104};
inline constexpr NamedProperty PidLidTaskDueDate{PSETID_Task, 0x8105};
inline constexpr NamedProperty PidLidTaskDateCompleted{PSETID_Task, 0x810F};
inline constexpr NamedProperty PidLidTaskComplete{PSETID_Task, 0x811C};

// ---- PSETID_Address ------------------------------------------------------------------------

inline constexpr NamedProperty PidLidFileUnder{PSETID_Address, 0x8005};
inline constexpr NamedProperty PidLidWorkAddressStreet{PSETID_Address, 0x8045};
inline constexpr NamedProperty PidLidWorkAddressCity{PSETID_Address, 0x8046};
inline constexpr NamedProperty PidLidWorkAddressState{PSETID_Address, 0x8047};
inline constexpr NamedProperty PidLidWorkAddressPostalCode{PSETID_Address, 0x8048};
inline constexpr NamedProperty PidLidWorkAddressCountry{PSETID_Address, 0x8049};
inline constexpr NamedProperty PidLidWorkAddressPostOfficeBox{PSETID_Address, 0x804A};
inline constexpr NamedProperty PidLidInstantMessagingAddress{PSETID_Address, 0x8062};
inline constexpr NamedProperty PidLidEmail1DisplayName{PSETID_Address, 0x8080};
inline constexpr NamedProperty PidLidEmail1AddressType{PSETID_Address, 0x8082};
inline constexpr NamedProperty PidLidEmail1EmailAddress{PSETID_Address, 0x8083};
inline constexpr NamedProperty PidLidEmail2DisplayName{PSETID_Address, 0x8090};
inline constexpr NamedProperty PidLidEmail2AddressType{PSETID_Address, 0x8092};
inline constexpr NamedProperty PidLidEmail2EmailAddress{PSETID_Address, 0x8093};
inline constexpr NamedProperty PidLidEmail3DisplayName{PSETID_Address, 0x80A0};
inline constexpr NamedProperty PidLidEmail3AddressType{PSETID_Address, 0x80A2};
inline constexpr NamedProperty PidLidEmail3EmailAddress{PSETID_Address, 0x80A3};
inline constexpr NamedProperty PidLidBirthdayLocal{PSETID_Address, 0x80DE};
inline constexpr NamedProperty PidLidWeddingAnniversaryLocal{PSETID_Address, 0x80DF};

// ---- PS_PUBLIC_STRINGS ---------------------------------------------------------------------

inline constexpr NamedProperty PidNameKeywords{PS_PUBLIC_STRINGS, 0, "Keywords"};

} // namespace viewer::items
