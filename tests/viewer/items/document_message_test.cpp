// The exporters' message read out of documents the tests write as TNEF: named properties,
// values longer than a tree element keeps, legacy attributes, recipient rows, a contact's
// picture, and a meeting embedded in another message.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/guid.h"
#include "platform/memory_stream.h"
#include "tests/support/test_files.h"
#include "tests/support/tnef_builder.h"
#include "tests/viewer/doc/document/document_fixture.h"
#include "tests/viewer/items/item_builders.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/tree/tree_builder.h"
#include "viewer/items/document_message.h"
#include "viewer/items/item_export.h"

using namespace items_test;
using namespace viewer::doc::document;
using namespace viewer::doc::tree;
using testing_support::BytesOf;
using testing_support::ByteVector;
using testing_support::PropertyList;
using testing_support::TnefBuilder;

namespace {

ByteVector Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

testing_support::GuidBytes SetOf(const platform::GUID& guid)
{
    const auto bytes = platform::GuidToBytes(guid);
    return {bytes.begin(), bytes.end()};
}

PropertyList& Named(PropertyList& list, const NamedProperty& property)
{
    return list.NamedId(SetOf(property.set), property.lid);
}

// A weekly meeting with more deleted instances than a tree element keeps bytes of.
std::string LongRecurrence()
{
    Recurrence r;
    r.frequency = kRecurWeekly;
    r.patternType = kPatternWeek;
    r.period = 1;
    r.dayOfWeekMask = 0x02;
    r.startDate = LocalMinutes(2024, 1, 1);
    r.endDate = LocalMinutes(2030, 12, 30);
    r.endType = kEndAfterDate;
    for (int week = 0; week < 300; ++week) {
        r.deletedDates.push_back(r.startDate + 7 * 1440 * static_cast<std::uint32_t>(week + 1));
    }
    r.hasTimes = true;
    r.startTimeOffset = 540;
    r.endTimeOffset = 600;
    return RecurrenceBlob(r);
}

ByteVector LegacyMeetingRequest()
{
    PropertyList properties;
    Named(properties, PidLidAppointmentStartWhole).Int64(0x80000040, Utc(2024, 1, 1, 14));
    Named(properties, PidLidAppointmentEndWhole).Int64(0x80010040, Utc(2024, 1, 1, 15));
    Named(properties, PidLidLocation).String8(0x8002001E, "Hall");
    Named(properties, PidLidAppointmentRecur).Binary(0x80030102, Bytes(LongRecurrence()));
    Named(properties, PidLidTimeZoneStruct)
        .Binary(0x80040102, Bytes(TimeZoneStructBlob(EasternRule())));
    properties.NamedString(testing_support::PublicStringsGuid(), u"Keywords")
        .Multi(0x8005101E, {BytesOf("Board"), BytesOf("Q1")});
    // The TRP of attFrom: its type, the sizes of all, of the name and of the address.
    const std::string name("Dana Organizer\0", 15);
    const std::string address("SMTP:dana@example.org\0", 22);
    ByteVector from = {0x04,
                       0x00,
                       0x00,
                       0x00,
                       static_cast<std::uint8_t>(name.size()),
                       0x00,
                       static_cast<std::uint8_t>(address.size()),
                       0x00};
    testing_support::PutBytes(from, Bytes(name + address));
    return TnefBuilder()
        .Header()
        .MessageAttribute(attMessageClass, "IPM.Microsoft Schedule.MtgReq")
        .MessageAttribute(attSubject, "Budget")
        .MessageAttribute(attFrom, from)
        .MessageAttribute(attBody, "Bring the numbers.")
        .MessageProperties(properties)
        .RecipientTable({PropertyList()
                             .Unicode(PR_DISPLAY_NAME | 1, u"Alex")
                             .String8(PR_SMTP_ADDRESS, "alex@example.org")
                             .Long(PR_RECIPIENT_TYPE, MAPI_TO),
                         PropertyList()
                             .String8(PR_DISPLAY_NAME, "Bo")
                             .String8(PR_EMAIL_ADDRESS, "bo@example.org")
                             .Long(PR_RECIPIENT_TYPE, MAPI_CC)})
        .Bytes();
}

class DocumentMessage : public testing_support::DocumentTest {
  protected:
    Message Read(const ByteVector& bytes, bool raw)
    {
        m_doc.AttachStream(platform::CreateMemoryStream(bytes), "/in/winmail.dat");
        m_doc.SetRawView(raw);
        m_tree.Build(m_doc, nullptr);
        Message message;
        EXPECT_EQ(ReadDocumentMessage(m_doc, m_tree.GetTree(), m_tree.Index(), message),
                  platform::S_OK);
        return message;
    }

    static std::string Exported(const Message& message)
    {
        ExportOptions options;
        options.now = Utc(2030, 1, 1);
        return ExportItem(message, options).value_or("");
    }

    CEnvelonDoc m_doc;
    DocumentTree m_tree;
};

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

TEST_F(DocumentMessage, MeetingOfLegacyAttributesAndNamedPropertiesInEitherView)
{
    for (const bool raw : {false, true}) {
        const std::string ics = Exported(Read(LegacyMeetingRequest(), raw));
        EXPECT_NE(ics.find("METHOD:REQUEST\r\n"), std::string::npos) << raw;
        EXPECT_NE(ics.find("SUMMARY:Budget\r\n"), std::string::npos);
        EXPECT_NE(ics.find("DESCRIPTION:Bring the numbers.\r\n"), std::string::npos);
        EXPECT_NE(ics.find("LOCATION:Hall\r\n"), std::string::npos);
        EXPECT_NE(ics.find("DTSTART;TZID=Custom:20240101T090000\r\n"), std::string::npos);
        EXPECT_NE(ics.find("RRULE:FREQ=WEEKLY;BYDAY=MO;WKST=SU;UNTIL=20301230T140000Z\r\n"),
                  std::string::npos);
        EXPECT_EQ(Count(ics, "EXDATE;"), 300u) << "a blob beyond what the tree keeps";
        EXPECT_NE(ics.find("CATEGORIES:Board,Q1\r\n"), std::string::npos);
        EXPECT_NE(ics.find("ORGANIZER;CN=Dana Organizer:mailto:dana@example.org\r\n"),
                  std::string::npos);
        EXPECT_NE(ics.find("ATTENDEE;CN=Alex;ROLE=REQ-PARTICIPANT"), std::string::npos);
        EXPECT_NE(ics.find("ATTENDEE;CN=Bo;ROLE=OPT-PARTICIPANT"), std::string::npos);
    }
}

TEST_F(DocumentMessage, ContactPictureIsTheOnlyAttachmentDataRead)
{
    std::string picture("\xFF\xD8\xFF\xE0", 4);
    picture.append(3000, 'p');
    const ByteVector bytes =
        TnefBuilder()
            .Header()
            .MessageProperties(PropertyList()
                                   .String8(PR_MESSAGE_CLASS, "IPM.Contact")
                                   .String8(PR_DISPLAY_NAME, "Jane"))
            .StartAttachment()
            .AttachmentAttribute(attAttachData, Bytes(std::string(5000, 'd')))
            .AttachmentProperties(PropertyList().Long(PR_ATTACH_METHOD, 1))
            .StartAttachment()
            .AttachmentAttribute(attAttachData, Bytes(picture))
            .AttachmentProperties(
                PropertyList().Long(PR_ATTACH_METHOD, 1).Short(PR_ATTACHMENT_CONTACTPHOTO, 1))
            .Bytes();
    const Message message = Read(bytes, false);
    ASSERT_EQ(message.attachments.size(), 2u);
    EXPECT_EQ(message.attachments[0].Find(PR_ATTACH_DATA_BIN), nullptr);
    ASSERT_NE(message.attachments[1].Find(PR_ATTACH_DATA_BIN), nullptr);
    EXPECT_EQ(message.attachments[1].Find(PR_ATTACH_DATA_BIN)->bytes, picture);
    EXPECT_NE(Exported(message).find("PHOTO:data:image/jpeg;base64,/9j/4HBw"), std::string::npos);
}

TEST_F(DocumentMessage, LongValuesTogetherStayWithinTheMessageBudget)
{
    PropertyList properties;
    properties.String8(PR_MESSAGE_CLASS, "IPM.Appointment");
    const std::string text(kMaxTextBytes + 100, 'x');
    for (std::uint32_t i = 0; i < 6; ++i) {
        properties
            .NamedString(testing_support::PublicStringsGuid(),
                         u"Long" + std::u16string(1, u'0' + i))
            .String8(0x8000001E + (i << 16), text);
    }
    const Message message =
        Read(TnefBuilder().Header().MessageProperties(properties).Bytes(), false);
    std::uint64_t total = 0;
    for (char i = '0'; i < '6'; ++i) {
        const Value* value =
            message.properties.Find(NamedProperty{PS_PUBLIC_STRINGS, 0, std::string("Long") + i});
        total += value ? value->bytes.size() : 0;
        EXPECT_LE(value ? value->bytes.size() : 0, kMaxTextBytes);
    }
    EXPECT_GE(total, kMaxMessageBytes - 1024);
    EXPECT_LE(total, kMaxMessageBytes);
}

TEST_F(DocumentMessage, EmbeddedTaskAtANodeLeavesNoFileBehind)
{
    const ByteVector task =
        TnefBuilder()
            .Header()
            .MessageProperties(PropertyList()
                                   .String8(PR_MESSAGE_CLASS, "IPM.Task")
                                   .String8(PR_SUBJECT, "Inner task")
                                   .NamedId(SetOf(PSETID_Task), PidLidTaskDueDate.lid)
                                   .Int64(0x80000040, Utc(2024, 6, 1)))
            .Bytes();
    const auto iid = platform::GuidToBytes(platform::IID_IMessage);
    const ByteVector outer =
        TnefBuilder()
            .Header()
            .MessageProperties(PropertyList().String8(PR_MESSAGE_CLASS, "IPM.Note"))
            .StartAttachment()
            .AttachmentProperties(PropertyList()
                                      .Long(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG)
                                      .Object(PR_ATTACH_DATA_OBJ, {iid.begin(), iid.end()}, task))
            .Bytes();
    EXPECT_EQ(ExportFormatOf(Read(outer, false)), ExportFormat::None);

    const MemoryTree& tree = m_tree.GetTree();
    const auto nodes = tree.Children(tree.Root());
    const auto embedded = std::find_if(nodes.begin(), nodes.end(), [&](NodeId node) {
        return IsEmbeddedMessage(tree.Element(node));
    });
    ASSERT_NE(embedded, nodes.end()) << "the attachment group designates the message";
    const auto before = testing_support::TempFolderEntries();
    Message inner;
    ASSERT_EQ(ReadEmbeddedMessage(m_doc, *tree.Element(*embedded), nullptr, inner), platform::S_OK);
    EXPECT_EQ(testing_support::TempFolderEntries(), before);
    const std::string ics = Exported(inner);
    EXPECT_NE(ics.find("BEGIN:VTODO\r\n"), std::string::npos);
    EXPECT_NE(ics.find("SUMMARY:Inner task\r\n"), std::string::npos);
    EXPECT_NE(ics.find("DUE;VALUE=DATE:20240601\r\n"), std::string::npos);
    EXPECT_EQ(ReadEmbeddedMessage(m_doc, *tree.Element(tree.Root()), nullptr, inner),
              platform::E_INVALIDARG);
}

} // namespace
