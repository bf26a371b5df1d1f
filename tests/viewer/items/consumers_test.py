#!/usr/bin/python3
"""Reads the exported items with real consumers: python3-icalendar and python3-vobject
(which expands recurrences with dateutil), and checks what a calendar or an address book
would take from them.

usage: consumers_test.py WRITE_ITEM_SAMPLES [EXPORTED_FILE ...]

The program named first writes the generated items into a temporary folder. Further files
(exports of real messages) are only checked to parse, each as the one kind of object its
extension says, with the fields listed in a sidecar FILE.expect (one "NAME=VALUE" a line,
VALUE as icalendar or vobject gives it as text) where one exists.
"""

import datetime
import os
import subprocess
import sys
import tempfile

import icalendar
import vobject

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def read_calendar(path):
    with open(path, "rb") as f:
        data = f.read()
    check(all(len(line) <= 75 for line in data.split(b"\r\n")), path + ": a line over 75 octets")
    check(b"\n" not in data.replace(b"\r\n", b""), path + ": a bare line feed")
    return icalendar.Calendar.from_ical(data), vobject.readOne(data.decode("utf-8"))


def meeting_request(path):
    ical, vcal = read_calendar(path)
    check(str(ical["METHOD"]) == "REQUEST", "METHOD")
    events = ical.walk("VEVENT")
    check(len(events) == 2, "a series and its moved occurrence")
    series = [e for e in vcal.vevent_list if not hasattr(e, "recurrence_id")][0]
    start = series.dtstart.value
    check(start.replace(tzinfo=None) == datetime.datetime(2024, 1, 9, 10, 0), "DTSTART local")
    check(start.utcoffset() == datetime.timedelta(hours=-5), "DTSTART in Eastern standard time")
    occurrences = list(series.getrruleset(addRDate=True))
    check(len(occurrences) == 19, "twenty occurrences less the deleted one: %d" % len(occurrences))
    days = [o.date() for o in occurrences]
    check(datetime.date(2024, 1, 11) not in days, "the deleted Thursday is gone")
    check(datetime.date(2024, 1, 16) in days, "the moved Tuesday is replaced, not deleted")
    check(days[-1] == datetime.date(2024, 3, 14), "the last occurrence")
    check(all(o.hour == 10 for o in occurrences), "every occurrence at 10:00 local")
    utc_hours = {o.date(): o.astimezone(datetime.timezone.utc).hour for o in occurrences}
    check(utc_hours[datetime.date(2024, 3, 7)] == 15, "before the change to daylight time")
    check(utc_hours[datetime.date(2024, 3, 12)] == 14, "after the change to daylight time")
    moved = [e for e in vcal.vevent_list if hasattr(e, "recurrence_id")][0]
    check(moved.recurrence_id.value.replace(tzinfo=None) == datetime.datetime(2024, 1, 16, 10),
          "RECURRENCE-ID")
    check(moved.dtstart.value.replace(tzinfo=None) == datetime.datetime(2024, 1, 17, 14),
          "the moved occurrence's start")
    check(moved.summary.value == "Planning (moved)", "the moved occurrence's summary")
    event = events[0]
    check(str(event["SUMMARY"]) == "Planning, Q1; review", "SUMMARY unescaped")
    check(str(event["LOCATION"]) == 'Room 4 "Oak"', "LOCATION")
    check(str(event["ORGANIZER"]) == "mailto:dana@example.org", "ORGANIZER")
    attendees = event["ATTENDEE"]
    check([str(a) for a in attendees] ==
          ["mailto:alex@example.org", "mailto:bo@example.org", "mailto:room4@example.org"],
          "ATTENDEEs")
    check([a.params["ROLE"] for a in attendees] ==
          ["REQ-PARTICIPANT", "OPT-PARTICIPANT", "NON-PARTICIPANT"], "roles")
    check(attendees[0].params["CN"] == "Alex Required", "CN")
    check(series.valarm.trigger.value == datetime.timedelta(minutes=-30), "the reminder")


def all_day(path):
    ical, _ = read_calendar(path)
    event = ical.walk("VEVENT")[0]
    check(event["DTSTART"].dt == datetime.date(2015, 5, 25), "all-day DTSTART is a date")
    check(event["DTEND"].dt == datetime.date(2015, 5, 26), "all-day DTEND is a date")


def canceled(path):
    ical, _ = read_calendar(path)
    check(str(ical["METHOD"]) == "CANCEL", "METHOD:CANCEL")
    check(str(ical.walk("VEVENT")[0]["STATUS"]) == "CANCELLED", "STATUS:CANCELLED")


def task(path):
    ical, vcal = read_calendar(path)
    todo = ical.walk("VTODO")[0]
    check(todo["DUE"].dt == datetime.date(2024, 2, 9), "DUE")
    check(str(todo["STATUS"]) == "IN-PROCESS", "STATUS")
    check(int(todo["PERCENT-COMPLETE"]) == 25, "PERCENT-COMPLETE")
    check(vcal.vtodo.summary.value == "File the report", "SUMMARY")


def contact(path):
    with open(path, "rb") as f:
        data = f.read()
    card = vobject.readOne(data.decode("utf-8"))
    check(card.fn.value == "Dr. Jane Q. Public Jr.", "FN")
    check(card.n.value.family == "Public" and card.n.value.given == "Jane", "N")
    check(card.org.value == ["Example, Inc.", "R&D"], "ORG: %r" % card.org.value)
    check([e.value for e in card.email_list] ==
          ["jane@example.com", "jq@example.net", "public@example.org"], "EMAILs")
    check(len(card.tel_list) == 4, "TELs")
    streets = [a.value.street for a in card.adr_list]
    check(streets == ["1 Home Lane", "2 Office Park\nSuite 5", "3 Lake Road"], "ADRs: %r" % streets)
    check(card.adr_list[1].value.city == "Shelbyville", "the business city")
    check(card.bday.value == "19800510", "BDAY")
    # vobject reads cards as vCard 3.0, whose text values split at commas; the data: URI of
    # vCard 4.0 is therefore checked on the unfolded line.
    unfolded = data.decode("utf-8").replace("\r\n ", "")
    check("\r\nPHOTO:data:image/png;base64,iVBORw0KGgoAAAANSUhEUg==\r\n" in unfolded, "PHOTO")


def exported(path):
    """A real message's export: it parses, and holds the fields its sidecar lists."""
    if path.endswith(".vcf"):
        with open(path, "rb") as f:
            obj = vobject.readOne(f.read().decode("utf-8"))
        fields = {c.name: str(c.value) for c in obj.getChildren()}
    else:
        ical, vcal = read_calendar(path)
        component = (ical.walk("VEVENT") + ical.walk("VTODO"))[0]
        fields = {name: str(value.to_ical(), "utf-8") if hasattr(value, "to_ical") else str(value)
                  for name, value in component.items()}
        fields["METHOD"] = str(ical.get("METHOD"))
        if "ATTENDEE" in component:
            attendees = component["ATTENDEE"]
            attendees = attendees if isinstance(attendees, list) else [attendees]
            fields["ATTENDEE"] = ",".join(str(a) for a in attendees)
    sidecar = path + ".expect"
    if os.path.exists(sidecar):
        with open(sidecar, encoding="utf-8") as f:
            for line in f:
                name, _, value = line.rstrip("\n").partition("=")
                if name:
                    check(fields.get(name) == value,
                          "%s: %s is %r, not %r" % (path, name, fields.get(name), value))


def main():
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([sys.argv[1], folder], check=True)
        meeting_request(os.path.join(folder, "meeting_request.ics"))
        all_day(os.path.join(folder, "all_day.ics"))
        canceled(os.path.join(folder, "canceled.ics"))
        task(os.path.join(folder, "task.ics"))
        contact(os.path.join(folder, "contact.vcf"))
    for path in sys.argv[2:]:
        exported(path)
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
