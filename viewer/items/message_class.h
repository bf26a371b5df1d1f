// What kind of item a message class names. Message classes compare without regard to case
// and name their derived forms by appending ".suffix" ("IPM.Appointment.Birthday" is still an
// appointment). The legacy classes of older TNEF writers map onto the MAPI ones.
#pragma once

#include <string_view>

namespace viewer::items {

enum class ItemClass {
    Other,
    Note,             // IPM.Note, IPM.Microsoft Mail.Note
    Appointment,      // IPM.Appointment
    MeetingRequest,   // IPM.Schedule.Meeting.Request, IPM.Microsoft Schedule.MtgReq
    MeetingCanceled,  // IPM.Schedule.Meeting.Canceled, IPM.Microsoft Schedule.MtgCncl
    MeetingAccepted,  // IPM.Schedule.Meeting.Resp.Pos, IPM.Microsoft Schedule.MtgRespP
    MeetingDeclined,  // IPM.Schedule.Meeting.Resp.Neg, IPM.Microsoft Schedule.MtgRespN
    MeetingTentative, // IPM.Schedule.Meeting.Resp.Tent, IPM.Microsoft Schedule.MtgRespA
    Task,             // IPM.Task
    TaskRequest,      // IPM.TaskRequest
    Contact,          // IPM.Contact
};

[[nodiscard]] ItemClass ClassifyMessageClass(std::string_view messageClass);

} // namespace viewer::items
