// The naming tables: lookups at and around their edges, the order-sensitive texts, and the
// value and byte formatters on short and unterminated input.
#include "viewer/doc/naming/naming.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/com.h"
#include "platform/guid.h"
#include "format/little_endian.h"
#include "format/mapi.h"
#include "format/tnef.h"

namespace viewer::doc::naming {

using namespace format;
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Le32(std::uint32_t value)
{
    Bytes bytes(4);
    format::StoreLe32(bytes.data(), value);
    return bytes;
}

std::string ValueText(std::uint32_t tag, const Bytes& data)
{
    return FormatValueText(tag, data.data(), static_cast<std::uint32_t>(data.size()));
}

std::string BytesText(int mode, const Bytes& data)
{
    return FormatBytes(mode, data.data(), static_cast<std::uint32_t>(data.size()));
}

TEST(AttributeNaming, KnownIdentifiersHaveNameAndCaption)
{
    EXPECT_EQ(AttributeIdentifierName(attSubject), "attSubject");
    EXPECT_EQ(AttributeDisplayCaption(attSubject), "Subject");
    EXPECT_EQ(AttributeIdentifierName(attNull), "attNull");
    EXPECT_EQ(AttributeDisplayCaption(attNull), "Null");
    EXPECT_EQ(AttributeIdentifierName(attAttachRenddata), "attAttachRenddata");
    EXPECT_EQ(AttributeDisplayCaption(attAttachRenddata), "Attachment Rendering");
    EXPECT_EQ(AttributeDisplayCaption(attDateRecd), "Date Received");
    EXPECT_EQ(AttributeDisplayCaption(attMAPIProps), "Message Properties");
    EXPECT_EQ(AttributeIdentifierName(attTnefVersion), "attTnefVersion");
    EXPECT_EQ(AttributeDisplayCaption(attTnefVersion), "TNEF Version");
}

TEST(AttributeNaming, WholeIdentifierIsTheKey)
{
    // attSubject's type with another identifier, and attSubject's identifier with another
    // type, are both unknown.
    for (std::uint32_t id : {0x00018005u, 0x00028004u, 0x00008004u, 0xFFFFFFFFu}) {
        EXPECT_EQ(AttributeIdentifierName(id), "") << std::hex << id;
        EXPECT_EQ(AttributeDisplayCaption(id), "") << std::hex << id;
    }
}

TEST(AttributeNaming, LevelsAndRenderingTypes)
{
    EXPECT_EQ(LevelName(1), "LVL_MESSAGE");
    EXPECT_EQ(LevelName(2), "LVL_ATTACHMENT");
    EXPECT_EQ(LevelName(0), "");
    EXPECT_EQ(LevelName(3), "");
    EXPECT_EQ(LevelName(0x101), "");

    EXPECT_EQ(RenderingTypeName(0), "atypNull");
    EXPECT_EQ(RenderingTypeName(3), "atypPicture");
    EXPECT_EQ(RenderingTypeName(4), "atypMax");
    EXPECT_EQ(RenderingTypeName(5), "");

    Bytes renddata(14, 0xFF);
    renddata[0] = 0x01;
    renddata[1] = 0x00;
    EXPECT_EQ(RenderingTypeNameOfData(renddata.data(), 14), "atypFile");
    renddata[0] = 0x00;
    renddata[1] = 0x01; // little-endian: 0x0100
    EXPECT_EQ(RenderingTypeNameOfData(renddata.data(), 14), "");
    const Bytes one{0x02};
    EXPECT_EQ(RenderingTypeNameOfData(one.data(), 1), "");
    EXPECT_EQ(RenderingTypeNameOfData(nullptr, 14), "");
}

TEST(PropertyNaming, TypeNameIgnoresIdentifierAndMultiValuedBit)
{
    EXPECT_EQ(PropertyTypeName(0x0037001E), "PT_STRING8");
    EXPECT_FALSE(IsMultiValued(0x0037001E));
    EXPECT_EQ(PropertyTypeName(0x0000101E), "PT_STRING8");
    EXPECT_TRUE(IsMultiValued(0x0000101E));
    EXPECT_EQ(PropertyTypeName(0x00001102), "PT_BINARY");
    EXPECT_EQ(PropertyTypeName(0xFFFF0000), "PT_UNSPECIFIED");
    EXPECT_EQ(PropertyTypeName(0x0000000A), "PT_ERROR");
    EXPECT_EQ(PropertyTypeName(0x00000048), "PT_CLSID");
    EXPECT_EQ(PropertyTypeName(0x00000008), "");
    EXPECT_EQ(PropertyTypeName(0x00002003), "");
    EXPECT_FALSE(IsMultiValued(0x10000003)); // the bit of the identifier, not the type
}

TEST(PropertyNaming, LayoutsMethodsAndInterfaces)
{
    EXPECT_EQ(ValueLayoutText(0), "value-size value-data padding");
    EXPECT_EQ(ValueLayoutText(1), "value-size value-IID value-data padding");
    EXPECT_EQ(ValueLayoutText(2), "value-data + padding");
    EXPECT_EQ(ValueLayoutText(3), "");

    EXPECT_EQ(AttachmentMethodText(0), "NO_ATTACHMENT");
    EXPECT_EQ(AttachmentMethodText(1), "ATTACH_BY_VALUE");
    EXPECT_EQ(AttachmentMethodText(5), "ATTACH_EMBEDDED_MSG");
    EXPECT_EQ(AttachmentMethodText(6), "ATTACH_OLE");
    EXPECT_EQ(AttachmentMethodText(7), "unknown PR_ATTACH_METHOD value");
    EXPECT_EQ(AttachmentMethodText(0xFFFFFFFF), "unknown PR_ATTACH_METHOD value");

    const auto message = platform::GuidToBytes(platform::IID_IMessage);
    const auto storage = platform::GuidToBytes(platform::IID_IStorage);
    const auto stream = platform::GuidToBytes(platform::IID_IStream);
    const auto unknown = platform::GuidToBytes(platform::IID_IUnknown);
    EXPECT_EQ(InterfaceIdentifierName(message.data()), "IID_IMessage");
    EXPECT_EQ(InterfaceIdentifierName(storage.data()), "IID_IStorage");
    EXPECT_EQ(InterfaceIdentifierName(stream.data()), "IID_IStream");
    EXPECT_EQ(InterfaceIdentifierName(unknown.data()), "");
    EXPECT_EQ(InterfaceIdentifierName(nullptr), "");

    EXPECT_EQ(FormatGuid(message.data()), "{00020307-0000-0000-C000-000000000046}");
    EXPECT_EQ(FormatGuid(nullptr), "");
}

TEST(PropertyNaming, NamedPropertyIdentity)
{
    EXPECT_EQ(NamedPropertyKindText(false, MNID_ID), "");
    EXPECT_EQ(NamedPropertyKindText(true, MNID_ID), "MNID_ID");
    EXPECT_EQ(NamedPropertyKindText(true, MNID_STRING), "MNID_STRING");
    EXPECT_EQ(NamedPropertyKindText(true, 2), "");

    EXPECT_EQ(NamedPropertyNameText(true, MNID_ID, 0x8000, nullptr), "0X8000");
    EXPECT_EQ(NamedPropertyNameText(true, MNID_ID, 0x8501, u"ignored"), "0X8501");
    EXPECT_EQ(NamedPropertyNameText(true, MNID_STRING, 0, u"Keywords"), "'Keywords'");
    EXPECT_EQ(NamedPropertyNameText(true, MNID_STRING, 0, u"Gr\u00FC\u00DFe"),
              "'Gr\xC3\xBC\xC3\x9F" "e'");
    EXPECT_EQ(NamedPropertyNameText(true, MNID_STRING, 0, nullptr), "''");
    EXPECT_EQ(NamedPropertyNameText(false, MNID_STRING, 0, u"Keywords"), "");
    EXPECT_EQ(NamedPropertyNameText(true, 7, 0x8000, u"Keywords"), "");
}

TEST(PropertyNaming, IdentifierRangesTakeTheFirstBoundThatHolds)
{
    const std::string envelope = "Message envelope properties defined by MAPI.";
    const std::string recipient = "Recipient properties defined by MAPI.";
    const std::string named = "Properties defined by clients and occasionally service "
                              "providers that are identified by name.";
    const std::string custom = "Non-transmittable properties for custom message classes "
                               "defined by creators of those classes.";
    EXPECT_EQ(IdentifierRangeText(0x0000001E), "Reserved by MAPI for the special value PR_NULL.");
    EXPECT_EQ(IdentifierRangeText(0x00010003), envelope);
    EXPECT_EQ(IdentifierRangeText(0x0BFF0003), envelope);
    EXPECT_EQ(IdentifierRangeText(0x0C000003), recipient);
    EXPECT_EQ(IdentifierRangeText(0x0DFF0003), recipient);
    EXPECT_EQ(IdentifierRangeText(0x0E000003),
              "Non-transmittable message properties defined by MAPI.");
    EXPECT_EQ(IdentifierRangeText(0x66000003),
              "Non-transmittable properties defined by a service provider. These properties "
              "can be visible or invisible to users.");
    EXPECT_EQ(IdentifierRangeText(0x7FFF0003), custom);
    EXPECT_EQ(IdentifierRangeText(0x80000003), named);
    EXPECT_EQ(IdentifierRangeText(0xFFFE0003), named);
    EXPECT_EQ(IdentifierRangeText(0xFFFF0003),
              "Reserved by MAPI for the special error value PROP_ID_INVALID");

    // Every identifier falls in some range, and the texts change only at the bounds.
    const std::uint32_t bounds[] = {0x0001, 0x0C00, 0x0E00, 0x1000, 0x3000, 0x4000, 0x5800,
                                    0x6000, 0x6600, 0x6800, 0x7C00, 0x8000, 0xFFFF};
    std::set<std::string> texts;
    for (std::uint32_t id = 0; id <= 0xFFFF; ++id) {
        const std::string text = IdentifierRangeText(id << 16);
        ASSERT_FALSE(text.empty()) << std::hex << id;
        if (id > 0 && text != IdentifierRangeText((id - 1) << 16)) {
            EXPECT_NE(std::find(std::begin(bounds), std::end(bounds), id), std::end(bounds))
                << std::hex << id;
        }
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), 14u);
}

TEST(PropertyNaming, MessageFlagsInTableOrder)
{
    EXPECT_EQ(MessageFlagsText(0), "");
    EXPECT_EQ(MessageFlagsText(0x00000019), "MSGFLAG_HASATTACH MSGFLAG_READ MSGFLAG_UNSENT ");
    EXPECT_EQ(MessageFlagsText(0x00000301),
              "MSGFLAG_NRN_PENDING MSGFLAG_READ MSGFLAG_RN_PENDING  ");
    EXPECT_EQ(MessageFlagsText(0xFFFFFC00), "");
    EXPECT_EQ(MessageFlagsText(0xFFFFFFFF),
              "MSGFLAG_ASSOCIATED MSGFLAG_FROMME MSGFLAG_HASATTACH MSGFLAG_NRN_PENDING "
              "MSGFLAG_READ MSGFLAG_RESEND MSGFLAG_RN_PENDING  MSGFLAG_SUBMIT "
              "MSGFLAG_UNMODIFIED MSGFLAG_UNSENT ");
}

TEST(PropertyCaption, FallsBackToTheTagWithoutAName)
{
    EXPECT_EQ(PropertyCaption(nullptr, 0x0037001E), "0X0037001E");
    EXPECT_EQ(PropertyCaption(nullptr, 0x00010003), "0X00010003");

    TagoraHandle dictionary = nullptr;
    ASSERT_EQ(TagoraInit(&dictionary), 1);
    EXPECT_EQ(PropertyCaption(dictionary, 0x0037001E), "PR_SUBJECT");
    EXPECT_EQ(PropertyCaption(dictionary, 0x0037001F), "PR_SUBJECT");
    EXPECT_EQ(PropertyCaption(dictionary, 0x3A54101F), "PR_CONTACT_ADDRTYPES_W");
    EXPECT_EQ(PropertyCaption(dictionary, 0x80000003), "0X80000003");
    EXPECT_EQ(PropertyCaption(dictionary, 0x00370102), "0X00370102");
    EXPECT_EQ(TagoraClose(dictionary), 1);
}

TEST(FormatBytes, ThreeModesOfTheSameBytes)
{
    const Bytes bytes{0x41, 0x00};
    EXPECT_EQ(BytesText(kBytesHex, bytes), "41 00 ");
    EXPECT_EQ(BytesText(kBytesPrintable, bytes), "A.");
    EXPECT_EQ(BytesText(kBytesText, bytes), "A");

    const Bytes edges{0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF, 0x61};
    EXPECT_EQ(BytesText(kBytesHex, edges), "1F 20 7E 7F 80 FF 61 ");
    EXPECT_EQ(BytesText(kBytesPrintable, edges), ". ~...a");
    EXPECT_EQ(BytesText(kBytesText, edges), "x ~xxxa");
}

TEST(FormatBytes, NothingToFormat)
{
    const Bytes bytes{0x41, 0x42};
    EXPECT_EQ(FormatBytes(kBytesHex, bytes.data(), 0), "");
    EXPECT_EQ(FormatBytes(kBytesHex, nullptr, 2), "");
    EXPECT_EQ(FormatBytes(3, bytes.data(), 2), "");
    EXPECT_EQ(FormatBytes(-1, bytes.data(), 2), "");
    EXPECT_EQ(BytesText(kBytesText, Bytes{0x00, 0x41}), "");
    EXPECT_EQ(BytesText(kBytesPrintable, Bytes{0x00, 0x41}), ".A");
    // Only `count` bytes are read, whatever follows.
    EXPECT_EQ(FormatBytes(kBytesText, bytes.data(), 1), "A");
}

TEST(FormatValueText, FixedSizeTypes)
{
    EXPECT_EQ(ValueText(0x0E080003, Le32(300)), "300");
    EXPECT_EQ(ValueText(0x0E080003, Le32(0xFFFFFFFF)), "-1");
    EXPECT_EQ(ValueText(0x3A4D0002, Bytes{0xFF, 0xFF, 0x00, 0x00}), "-1");
    EXPECT_EQ(ValueText(0x0E1B000B, Bytes{0x01, 0x00, 0x00, 0x00}), "1");
    EXPECT_EQ(ValueText(0x0E1B000B, Bytes{0xFF, 0xFF}), "65535");
    EXPECT_EQ(ValueText(0x8000000A, Le32(0x80004005)), "0X80004005");

    Bytes value(8);
    const double number = 1.5;
    std::memcpy(value.data(), &number, sizeof number);
    EXPECT_EQ(ValueText(0x80010005, value), "1.5");
    const double large = 1e20;
    std::memcpy(value.data(), &large, sizeof large);
    EXPECT_EQ(ValueText(0x80010005, value), "1E+20");

    // A multi-valued property formats one value by its base type.
    EXPECT_EQ(ValueText(0x360D1003, Le32(7)), "7");
}

TEST(FormatValueText, DataTooShortOrAbsentGivesNothing)
{
    // Each input is exactly as long as it claims; the sanitizer build catches an over-read.
    EXPECT_EQ(ValueText(0x0E080003, Bytes{0x2C, 0x01, 0x00}), "");
    EXPECT_EQ(ValueText(0x3A4D0002, Bytes{0x05}), "");
    EXPECT_EQ(ValueText(0x0E1B000B, Bytes{0x01}), "");
    EXPECT_EQ(ValueText(0x8000000A, Bytes{0x05, 0x40, 0x00}), "");
    EXPECT_EQ(ValueText(0x80010005, Bytes(7, 0x01)), "");
    EXPECT_EQ(ValueText(0x0037001F, Bytes{0x41}), "");
    EXPECT_EQ(FormatValueText(0x0E080003, nullptr, 4), "");
    const Bytes four = Le32(300);
    EXPECT_EQ(FormatValueText(0x0E080003, four.data(), 0), "");
}

TEST(FormatValueText, StringsStopAtZeroOrLength)
{
    EXPECT_EQ(ValueText(0x0037001E, Bytes{'a', 'b', 'c', 0, 'd'}), "abc");
    EXPECT_EQ(ValueText(0x0037001E, Bytes{'a', 'b', 'c'}), "abc");
    const Bytes longer{'a', 'b', 'c', 'd'};
    EXPECT_EQ(FormatValueText(0x0037001E, longer.data(), 2), "ab");

    // UTF-16LE "Hé", a zero unit, then more text.
    EXPECT_EQ(ValueText(0x0037001F, Bytes{'H', 0, 0xE9, 0, 0, 0, 'x', 0}), "H\xC3\xA9");
    EXPECT_EQ(ValueText(0x0037001F, Bytes{'H', 0, 'i', 0}), "Hi");
    EXPECT_EQ(ValueText(0x0037001F, Bytes{'H', 0, 'i'}), "H"); // odd last byte ignored
    EXPECT_EQ(ValueText(0x0037001F, Bytes{0x3D, 0xD8, 'a', 0}), "\xEF\xBF\xBD" "a");
}

TEST(FormatValueText, OtherTypesHaveNoShortText)
{
    const Bytes data{1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(ValueText(0x10090102, data), "");
    EXPECT_EQ(ValueText(0x00390040, data), "");
    EXPECT_EQ(ValueText(0x0E000014, data), "");
    EXPECT_EQ(ValueText(0x33020048, Bytes(16, 1)), "");
    EXPECT_EQ(ValueText(0x80000004, data), "");
}

} // namespace
} // namespace viewer::doc::naming
