#include "viewer/items/message_class.h"

#include <array>

namespace viewer::items {

namespace {

struct ClassName {
    std::string_view name;
    ItemClass item;
};

// Longer names before the names they extend, so that the first match is the most precise.
constexpr std::array kClasses{
    ClassName{"IPM.Schedule.Meeting.Request", ItemClass::MeetingRequest},
    ClassName{"IPM.Schedule.Meeting.Canceled", ItemClass::MeetingCanceled},
    ClassName{"IPM.Schedule.Meeting.Resp.Pos", ItemClass::MeetingAccepted},
    ClassName{"IPM.Schedule.Meeting.Resp.Neg", ItemClass::MeetingDeclined},
    ClassName{"IPM.Schedule.Meeting.Resp.Tent", ItemClass::MeetingTentative},
    ClassName{"IPM.Microsoft Schedule.MtgReq", ItemClass::MeetingRequest},
    ClassName{"IPM.Microsoft Schedule.MtgCncl", ItemClass::MeetingCanceled},
    ClassName{"IPM.Microsoft Schedule.MtgRespP", ItemClass::MeetingAccepted},
    ClassName{"IPM.Microsoft Schedule.MtgRespN", ItemClass::MeetingDeclined},
    ClassName{"IPM.Microsoft Schedule.MtgRespA", ItemClass::MeetingTentative},
    ClassName{"IPM.Microsoft Mail.Note", ItemClass::Note},
    ClassName{"IPM.Appointment", ItemClass::Appointment},
    ClassName{"IPM.TaskRequest", ItemClass::TaskRequest},
    ClassName{"IPM.Task", ItemClass::Task},
    ClassName{"IPM.Contact", ItemClass::Contact},
    ClassName{"IPM.Note", ItemClass::Note},
};

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// `text` is `name` or a class derived from it ("name.suffix"), in any case.
bool IsOrDerives(std::string_view text, std::string_view name)
{
    if (text.size() < name.size() || (text.size() > name.size() && text[name.size()] != '.')) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (Lower(text[i]) != Lower(name[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

ItemClass ClassifyMessageClass(std::string_view messageClass)
{
    while (!messageClass.empty() && (messageClass.back() == '\0' || messageClass.back() == ' ')) {
        messageClass.remove_suffix(1);
    }
    for (const ClassName& entry : kClasses) {
        if (IsOrDerives(messageClass, entry.name)) {
            return entry.item;
        }
    }
    return ItemClass::Other;
}

} // namespace viewer::items
