#include "viewer/items/item_export.h"

#include "format/mapi.h"
#include "platform/text.h"
#include "viewer/items/vcard.h"

namespace viewer::items {

using namespace ::format;

namespace {

bool HasAppointmentTimes(const Message& message)
{
    const PropertyReader props(message.properties, message.codePage);
    return props.Time(PidLidAppointmentStartWhole) && props.Time(PidLidAppointmentEndWhole);
}

} // namespace

std::string MessageClassOf(const Message& message)
{
    const PropertyReader props(message.properties, message.codePage);
    if (auto messageClass = props.Text(PR_MESSAGE_CLASS)) {
        return *messageClass;
    }
    return platform::DecodeCodePage(message.attMessageClass.value_or(""), message.codePage);
}

ItemClass ItemClassOf(const Message& message)
{
    return ClassifyMessageClass(MessageClassOf(message));
}

ExportFormat ExportFormatOf(const Message& message)
{
    switch (ItemClassOf(message)) {
    case ItemClass::Contact:
        return ExportFormat::Card;
    case ItemClass::Other:
    case ItemClass::Note:
        return HasAppointmentTimes(message) ? ExportFormat::Calendar : ExportFormat::None;
    default:
        return ExportFormat::Calendar;
    }
}

std::string_view FileExtensionOf(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Calendar:
        return ".ics";
    case ExportFormat::Card:
        return ".vcf";
    default:
        return "";
    }
}

std::optional<std::string> ExportItem(const Message& message, const ExportOptions& options)
{
    const ItemClass itemClass = ItemClassOf(message);
    switch (ExportFormatOf(message)) {
    case ExportFormat::Card:
        return WriteCard(message);
    case ExportFormat::Calendar:
        if (itemClass == ItemClass::Task || itemClass == ItemClass::TaskRequest) {
            return WriteTask(message, options);
        }
        return WriteEvent(message, itemClass, options);
    default:
        return std::nullopt;
    }
}

} // namespace viewer::items
