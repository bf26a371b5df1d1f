#!/usr/bin/python3
"""Reads exported items with real consumers: python3-icalendar and python3-vobject
(which expands recurrences with dateutil), and checks what a calendar or an address book
would take from them.

usage: consumers_test.py samples WRITE_ITEM_SAMPLES
       consumers_test.py corpus PALLION_CLI CORPUS_DIR

"samples" has the program named write the generated items into a temporary folder and
checks them. "corpus" exports every meeting, appointment, task and contact of the sample
corpus with pallion-cli and checks each against the properties the message holds (as
`pallion-cli details` shows them).
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


# File, node of an embedded message (or None), and what the export must say: times in UTC
# ("YYYY-MM-DD HH:MM") or dates, texts, parties as calendar addresses, the RRULE as written.
CORPUS = [
    ("tnef/triples.tnef", None,
     dict(method="PUBLISH", start="2003-05-23 14:00", end="2003-05-23 15:00",
          summary="Sample Summary", location="Sample Location",
          organizer="mailto:rakhmanoff@sundance.spb.ru", attendees=[])),
    ("tnef/multi-name-property.tnef", None,
     dict(method="PUBLISH", start=datetime.date(2003, 6, 9), end=datetime.date(2003, 6, 10),
          summary="Pfingstmontag", location="Deutschland", organizer="mailto:info@sitec-owl.de",
          categories=["Feiertag"])),
    ("tnef/horde-TnefMeetingRequest.tnef", None,
     dict(method="REQUEST", start="2013-12-23 17:00", end="2013-12-23 17:30", summary="Meeting",
          location="Office", attendees=["mailto:mike@theupstairsroom.com"],
          rrule="FREQ=WEEKLY;BYDAY=MO;WKST=SU")),
    ("eml/horde-Itip_Reply.eml", None,
     dict(method="REPLY", start="2015-02-11 23:00", end="2015-02-12 23:00",
          uid="20150113143519.trPhO6SrBAGURICFhR5NMg5@www.nachthell.net",
          attendees=["mailto:J.Meier@medizin.uni-leipzig.de"], partstat="ACCEPTED")),
    ("msg/msgClassAppointment.msg", None,
     dict(method="PUBLISH", start="2017-02-28 18:30", end="2017-02-28 19:00",
          summary="Quick brown fox", location="under lazy dog",
          organizer="mailto:tallison@mitre.org")),
    ("msg/msgClassTask.msg", None,
     dict(todo=True, summary="Must jump over the lazy dog", start=datetime.date(2017, 2, 19),
          due=datetime.date(2017, 3, 10))),
    ("tnef/christmas.tnef", "0.3",
     dict(todo=True, summary="Build a train table", start=datetime.date(2018, 12, 15),
          due=datetime.date(2018, 12, 25))),
    ("tnef/christmas.tnef", "0.4",
     dict(method="PUBLISH", start="2018-12-25 12:00", end="2018-12-25 14:00",
          summary="Christmas Celebration!", location="Home",
          rrule="FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=25")),
    ("eml/rich-text.eml", "0.4",
     dict(method="PUBLISH", start="2018-12-25 12:00", summary="Christmas Celebration!",
          rrule="FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=25")),
]


def as_expected(value):
    """A DATE stays a date; a DATE-TIME becomes its UTC time as "YYYY-MM-DD HH:MM"."""
    if isinstance(value, datetime.datetime):
        return value.astimezone(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M")
    return value


def rule_parts(rule):
    """An RRULE's parts, in any order."""
    return sorted(rule.split(";"))


def corpus_item(path, name, expected):
    ical, _ = read_calendar(path)
    todo = expected.get("todo", False)
    component = ical.walk("VTODO" if todo else "VEVENT")[0]
    got = {
        "method": str(ical.get("METHOD")),
        "start": as_expected(component["DTSTART"].dt) if "DTSTART" in component else None,
        "end": as_expected(component["DTEND"].dt) if "DTEND" in component else None,
        "due": as_expected(component["DUE"].dt) if "DUE" in component else None,
        "summary": str(component.get("SUMMARY")),
        "location": str(component.get("LOCATION")),
        "uid": str(component.get("UID")),
        "organizer": str(component.get("ORGANIZER")),
        "rrule": rule_parts(component["RRULE"].to_ical().decode()) if "RRULE" in component else None,
    }
    attendees = component.get("ATTENDEE", [])
    attendees = attendees if isinstance(attendees, list) else [attendees]
    got["attendees"] = [str(a) for a in attendees]
    got["partstat"] = attendees[0].params.get("PARTSTAT") if attendees else None
    categories = component.get("CATEGORIES")
    got["categories"] = [str(c) for c in categories.cats] if categories is not None else []
    if "rrule" in expected:
        expected = dict(expected, rrule=rule_parts(expected["rrule"]))
    for key, value in expected.items():
        if key != "todo":
            check(got[key] == value, "%s: %s is %r, not %r" % (name, key, got[key], value))


def corpus(cli, folder):
    with tempfile.TemporaryDirectory() as scratch:
        tmp = os.path.join(scratch, "tmp")
        os.mkdir(tmp)
        env = dict(os.environ, TMPDIR=tmp, PALLION_REGISTRY=os.path.join(scratch, "registry.reg"))
        for number, (file, node, expected) in enumerate(CORPUS):
            out = os.path.join(scratch, "%d%s" % (number, ".ics"))
            name = file + (" at " + node if node else "")
            arguments = [cli, "export", os.path.join(folder, file)] + ([node] if node else [])
            result = subprocess.run(arguments + [out], env=env, capture_output=True, text=True)
            check(result.returncode == 0, "%s: export failed: %s" % (name, result.stderr))
            if result.returncode == 0:
                corpus_item(out, name, expected)
        note = subprocess.run([cli, "export", os.path.join(folder, "tnef/christmas.tnef"),
                               os.path.join(scratch, "note.ics")],
                              env=env, capture_output=True, text=True)
        check(note.returncode == 1 and "IPM.Microsoft Mail.Note" in note.stderr,
              "a plain note exports nothing and says its class: %r" % note.stderr)
        check(not os.path.exists(os.path.join(scratch, "note.ics")), "no file for a plain note")
        check(os.listdir(tmp) == [], "temporary files left behind: %r" % os.listdir(tmp))


# CTest counts this status as a skipped test.
SKIPPED = 77


def main():
    if sys.argv[1] == "samples":
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run([sys.argv[2], folder], check=True)
            meeting_request(os.path.join(folder, "meeting_request.ics"))
            all_day(os.path.join(folder, "all_day.ics"))
            canceled(os.path.join(folder, "canceled.ics"))
            task(os.path.join(folder, "task.ics"))
            contact(os.path.join(folder, "contact.vcf"))
    elif not os.path.isdir(sys.argv[3]):
        print("no sample corpus at", sys.argv[3])
        return SKIPPED
    else:
        corpus(sys.argv[2], sys.argv[3])
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
