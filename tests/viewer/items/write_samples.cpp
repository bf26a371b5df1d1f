// Writes the generated items as files into the folder given, for consumers_test.py to read
// with real iCalendar and vCard parsers.
#include <cstdio>
#include <fstream>
#include <string>

#include "format/mapi.h"
#include "tests/viewer/items/item_builders.h"
#include "viewer/items/item_export.h"

using namespace items_test;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_item_samples DIR\n");
        return 2;
    }
    Message cancel = MeetingRequest();
    cancel.properties.Set(PR_MESSAGE_CLASS, Text("IPM.Schedule.Meeting.Canceled"));
    const std::pair<const char*, Message> samples[] = {
        {"meeting_request.ics", MeetingRequest()},
        {"all_day.ics", AllDayAppointment()},
        {"canceled.ics", cancel},
        {"task.ics", Task()},
        {"contact.vcf", Contact()},
    };
    ExportOptions options;
    options.now = Utc(2030, 1, 1);
    for (const auto& [name, message] : samples) {
        const auto text = ExportItem(message, options);
        std::ofstream out(std::string(argv[1]) + "/" + name, std::ios::binary);
        if (!text || !(out << *text)) {
            std::fprintf(stderr, "cannot write %s\n", name);
            return 1;
        }
    }
    return 0;
}
