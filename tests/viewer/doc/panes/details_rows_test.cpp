// The details rows of every element kind, the value data rules (text, too large, no data,
// string and hex), named properties, and the column widths kept between elements.
#include "viewer/doc/panes/details_rows.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/memory_stream.h"
#include "tests/support/tnef_builder.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/tree/tree_builder.h"

namespace viewer::doc::panes {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using namespace viewer::doc::tree;

namespace {

using Rows = std::vector<std::vector<std::string>>;
using testing_support::ByteVector;
using testing_support::PropertyList;
using testing_support::TnefBuilder;

std::unique_ptr<ValueElement> Value(std::uint32_t tag, const ByteVector& data,
                                    std::uint32_t size)
{
    auto value = std::make_unique<ValueElement>();
    value->m_tag = tag;
    value->m_layout = kLayoutCounted;
    value->m_size = size;
    if (!data.empty()) {
        value->SetData(CopyToChain(data.data(), static_cast<std::uint32_t>(data.size())));
    }
    return value;
}

// The cells of the row labelled `label`.
std::vector<std::string> RowOf(const DetailsTable& table, const std::string& label)
{
    for (const auto& row : table.rows) {
        if (!row.empty() && row[0] == label) {
            return row;
        }
    }
    return {};
}

TEST(DetailsRows, FolderHasNoColumnsAndHeaderHasTwo)
{
    EXPECT_TRUE(BuildDetailsTable(CreateElement(ELEM_FOLDER).get(), nullptr, 1252).columns.empty());
    EXPECT_TRUE(BuildDetailsTable(nullptr, nullptr, 1252).rows.empty());

    HeaderElement header;
    header.m_key = 1;
    const DetailsTable table = BuildDetailsTable(&header, nullptr, 1252);
    EXPECT_EQ(table.columns, (std::vector<std::string>{"Type", "Value"}));
    EXPECT_EQ(table.rows, (Rows{{"Signature", "0X223E9F78"}, {"Key", "1"}}));
}

TEST(DetailsRows, AttributeRecordAndData)
{
    AttributeElement record(ELEM_ATTRIBUTE);
    record.m_level = LVL_MESSAGE;
    record.m_identifier = attSubject;
    record.m_checksum = 65535;
    record.m_length = 3000;
    const DetailsTable table = BuildDetailsTable(&record, nullptr, 1252);
    EXPECT_EQ(table.columns, (std::vector<std::string>{"Type", "Value", "Details"}));
    EXPECT_EQ(table.rows, (Rows{{"LVL", "1", "LVL_MESSAGE"},
                                {"attribute", "0X00018004", "attSubject"},
                                {"Checksum", "65535", ""},
                                {"Size", "3000", ""}}));

    AttributeElement data(ELEM_ATTRIBUTE_DATA);
    data.m_length = 3;
    data.Buffer()[0] = 'A';
    data.Buffer()[1] = 0;
    data.Buffer()[2] = 0x7F;
    EXPECT_EQ(BuildDetailsTable(&data, nullptr, 1252).rows,
              (Rows{{"String", "A.."}, {"Hex", "41 00 7F "}}));
}

TEST(DetailsRows, DateAndRendering)
{
    AttributeElement date(ELEM_DATE);
    date.m_length = 14;
    const ByteVector fields = testing_support::DateBytes(2026, 12, 7, 9, 45, 30, 1);
    std::copy(fields.begin(), fields.end(), date.Buffer());
    EXPECT_EQ(BuildDetailsTable(&date, nullptr, 1252).rows,
              (Rows{{"Year", "2026"},
                    {"Month", "12"},
                    {"Day", "7"},
                    {"Hour", "9"},
                    {"Minute", "45"},
                    {"Second", "30"},
                    {"Day of week", "1"}}));

    AttributeElement rendering(ELEM_RENDERING);
    rendering.m_length = 14;
    const ByteVector bytes = testing_support::Rendering(atypOle, 0xFFFFFFFF, 32, 48, 2);
    std::copy(bytes.begin(), bytes.end(), rendering.Buffer());
    EXPECT_EQ(BuildDetailsTable(&rendering, nullptr, 1252).rows,
              (Rows{{"Type", "atypOle"},
                    {"Position", "4294967295"},
                    {"Width", "32"},
                    {"Height", "48"},
                    {"Flags", "2"}}));
}

TEST(DetailsRows, ValueDataRules)
{
    const ByteVector le300 = {0x2C, 0x01, 0, 0};
    auto longValue = Value(0x66000003, le300, 4);
    longValue->m_layout = kLayoutFixed;
    const DetailsTable longTable = BuildDetailsTable(longValue.get(), nullptr, 1252);
    EXPECT_EQ(longTable.rows, (Rows{{"Property-Tag", "0X66000003", ""},
                                    {"Value size", "4", ""},
                                    {"Value GUID", "", ""},
                                    {"Value data", "300", ""}}));

    auto binary = Value(PROP_TAG(PT_BINARY, 0x6601), {0x41, 0x00, 0x7F}, 3);
    const DetailsTable binaryTable = BuildDetailsTable(binary.get(), nullptr, 1252);
    EXPECT_EQ(RowOf(binaryTable, "Value String"), (std::vector<std::string>{"Value String", "A..", ""}));
    EXPECT_EQ(RowOf(binaryTable, "Value Hex"), (std::vector<std::string>{"Value Hex", "41 00 7F ", ""}));
    EXPECT_TRUE(RowOf(binaryTable, "Value data").empty());

    auto large = Value(PROP_TAG(PT_BINARY, 0x6601), {}, 2000);
    EXPECT_EQ(RowOf(BuildDetailsTable(large.get(), nullptr, 1252), "Value data")[1], "(too large)");
    auto empty = Value(PROP_TAG(PT_BINARY, 0x6601), {}, 0);
    EXPECT_EQ(RowOf(BuildDetailsTable(empty.get(), nullptr, 1252), "Value data")[1], "(no data )");

    // 8-bit text is decoded with the message's code page; controls are escaped.
    auto text = Value(PR_SUBJECT, {'d', 0xF6, 0x07, 0}, 4);
    EXPECT_EQ(RowOf(BuildDetailsTable(text.get(), nullptr, 1252), "Value data")[1],
              "d\xC3\xB6\\x07");
}

TEST(DetailsRows, FlagsAndMethodTextsAndInterfaceNames)
{
    auto flags = Value(PR_MESSAGE_FLAGS, {0x01, 0x03, 0, 0}, 4);
    EXPECT_EQ(RowOf(BuildDetailsTable(flags.get(), nullptr, 1252), "Property-Tag")[2],
              "MSGFLAG_NRN_PENDING MSGFLAG_READ MSGFLAG_RN_PENDING  ");
    auto method = Value(PR_ATTACH_METHOD, {5, 0, 0, 0}, 4);
    EXPECT_EQ(RowOf(BuildDetailsTable(method.get(), nullptr, 1252), "Property-Tag")[2],
              "ATTACH_EMBEDDED_MSG");
    auto shortFlags = Value(PR_MESSAGE_FLAGS, {0x01, 0x03}, 2);
    EXPECT_EQ(RowOf(BuildDetailsTable(shortFlags.get(), nullptr, 1252), "Property-Tag")[2], "");

    auto object = Value(PR_ATTACH_DATA_OBJ, {'x'}, 17);
    object->m_layout = kLayoutObject;
    const auto iid = platform::GuidToBytes(platform::IID_IMessage);
    object->SetIid(CopyToChain(iid.data(), 16));
    EXPECT_EQ(RowOf(BuildDetailsTable(object.get(), nullptr, 1252), "Value GUID"),
              (std::vector<std::string>{"Value GUID", "{00020307-0000-0000-C000-000000000046}",
                                        "IID_IMessage"}));
}

TEST(DetailsRows, PropertyRowsWithAndWithoutName)
{
    CEnvelonDoc doc;
    doc.AttachStream(platform::CreateMemoryStream(
                         TnefBuilder()
                             .Header()
                             .MessageProperties(
                                 PropertyList()
                                     .Long(0x66000003, 7)
                                     .NamedString(testing_support::PublicStringsGuid(), u"Keywords")
                                     .Multi(PROP_TAG(PT_MV_STRING8, 0x8001),
                                            {testing_support::BytesOf("a")}))
                             .Bytes()),
                     "/in/x.dat");
    DocumentTree tree;
    tree.Build(doc, nullptr);
    const MemoryTree& t = tree.GetTree();
    const NodeId group = t.Children(t.Root())[1];
    ASSERT_EQ(t.Children(group).size(), 1u);
    const NodeId properties = t.Children(group)[0];
    const auto props = t.Children(properties);
    ASSERT_EQ(props.size(), 2u);

    const DetailsTable plain = BuildDetailsTable(t.Element(props[0]), nullptr, 1252);
    EXPECT_EQ(plain.rows,
              (Rows{{"Property-Tag", "0X66000003", "0X66000003"},
                    {"Property-Type", "0X0003", "PT_LONG"},
                    {"Property-ID", "0X6600",
                     "Non-transmittable properties defined by a service provider. These properties "
                     "can be visible or invisible to users."},
                    {"Multi valued", "FALSE", ""},
                    {"Total Values", "1", ""},
                    {"Named-Property", "FALSE", ""}}));

    const DetailsTable named = BuildDetailsTable(t.Element(props[1]), nullptr, 1252);
    EXPECT_EQ(RowOf(named, "Multi valued")[1], "TRUE");
    EXPECT_EQ(RowOf(named, "Named-Property")[1], "TRUE");
    EXPECT_EQ(RowOf(named, "Named-Property GUID")[1], "{00020329-0000-0000-C000-000000000046}");
    EXPECT_EQ(RowOf(named, "Named-Property Kind"),
              (std::vector<std::string>{"Named-Property Kind", "1", "MNID_STRING"}));
    EXPECT_EQ(RowOf(named, "Named-Property name")[1], "'Keywords'");

    // The value of an unnamed tag shows the tag number as its caption.
    const DetailsTable value = BuildDetailsTable(t.Element(t.FirstChild(props[0])), nullptr, 1252);
    EXPECT_EQ(RowOf(value, "Property-Tag")[1], "0X66000003");
}

TEST(DetailsColumns, WidthsCarryOverAndTakeOver)
{
    ColumnWidths widths;
    EXPECT_EQ(widths.Width(0), 100);
    EXPECT_EQ(widths.Width(9), 100);
    // A three-column element was shown and resized; a two-column one keeps widths 0 and 1.
    widths.Store({150, 60, 300});
    EXPECT_EQ(widths.Width(0), 150);
    EXPECT_EQ(widths.Width(2), 300);
    widths.Store({80, 90});
    EXPECT_EQ(widths.Width(2), 300);
    widths.Store(std::vector<int>(12, 5));
    EXPECT_EQ(widths.Width(9), 5);
    EXPECT_EQ(widths.Width(10), 100);

    HeaderElement header;
    DetailsPaneState previous;
    previous.element = &header;
    previous.displayMode = 1;
    previous.widths.Set(2, 222);
    DetailsPaneState next;
    next.TakeOver(previous, {120, 130});
    EXPECT_EQ(next.element, &header);
    EXPECT_EQ(next.displayMode, 1);
    EXPECT_EQ(next.widths.Width(0), 120);
    EXPECT_EQ(next.widths.Width(1), 130);
    EXPECT_EQ(next.widths.Width(2), 222);
}

} // namespace
} // namespace viewer::doc::panes
