// The reader's property-list operations: list and row headers, properties, values.
#include <cstring>

#include <gtest/gtest.h>

#include "tests/viewer/doc/document/reader_fixture.h"

namespace viewer::doc::document {
using namespace viewer::doc::model;

namespace {

using namespace testing_support;
using platform::E_FAIL;
using reader_tests::DocAtList;
using reader_tests::DocOver;

// The list starts after the 6-byte header and the 9-byte record head; its first property
// follows the 4-byte count.
constexpr std::uint64_t kListAt = 6 + 9;
constexpr std::uint64_t kFirstPropertyAt = kListAt + 4;

const GuidBytes kStorageIid = {0x0B, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};

// Reads the next property and all its values.
struct ReadBack {
    platform::StatusCode status = 0;
    std::unique_ptr<PropertyElement> property = std::make_unique<PropertyElement>();
    std::vector<std::unique_ptr<ValueElement>> values;
};

ReadBack ReadWhole(CEnvelonDoc& doc)
{
    ReadBack result;
    result.status = doc.ReadProperty(result.property.get());
    for (std::uint32_t i = 0; platform::Succeeded(result.status) && i < result.property->m_valueCount; ++i) {
        auto value = std::make_unique<ValueElement>();
        result.status = doc.ReadValue(result.property.get(), value.get());
        result.values.push_back(std::move(value));
    }
    return result;
}

TEST(PropertyListReader, ListHeaderReadsTheCountAtDataStart)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList().Long(PR_MESSAGE_FLAGS, 1).Long(PR_ATTACH_METHOD, 1), &list);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(list.m_position, kListAt);
    EXPECT_EQ(list.m_count, 2u);
    AttributeElement attribute(ELEM_ATTRIBUTE);
    EXPECT_EQ(doc->ReadPropertyListHeader(nullptr, &list), E_FAIL);
    EXPECT_EQ(doc->ReadPropertyListHeader(&attribute, nullptr), E_FAIL);
}

TEST(PropertyListReader, RecipientRowsFollowOneAnother)
{
    const auto bytes = TnefBuilder()
                           .Header()
                           .RecipientTable({PropertyList().String8(PR_DISPLAY_NAME, "Ann"),
                                            PropertyList().String8(PR_DISPLAY_NAME, "Bob").Long(0x0C150003, 1)})
                           .Bytes();
    auto doc = DocOver(bytes);
    AttributeElement attribute(ELEM_ATTRIBUTE);
    ASSERT_EQ(doc->ReadFirstAttribute(&attribute), 0);
    ListElement table(ELEM_RECIPIENT_TABLE);
    ASSERT_EQ(doc->ReadPropertyListHeader(&attribute, &table), 0);
    EXPECT_EQ(table.m_count, 2u);

    ListElement row(ELEM_PROPERTY_LIST);
    ASSERT_EQ(doc->ReadRowHeader(&row), 0);
    EXPECT_EQ(row.m_position, kListAt + 4);
    EXPECT_EQ(row.m_count, 1u);
    ReadBack ann = ReadWhole(*doc);
    ASSERT_EQ(ann.status, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ann.values[0]->Data())), "Ann");

    ASSERT_EQ(doc->ReadRowHeader(&row), 0);
    EXPECT_EQ(row.m_count, 2u);
    ReadBack bob = ReadWhole(*doc);
    ASSERT_EQ(bob.status, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bob.values[0]->Data())), "Bob");
    EXPECT_EQ(doc->ReadRowHeader(nullptr), E_FAIL);
}

// ---- Layouts and padding ---------------------------------------------------------------------

TEST(PropertyReader, SingleLongHasNoCountAndNoPadding)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList().Long(PR_MESSAGE_FLAGS, 0x19).Long(PR_ATTACH_METHOD, 5), &list);
    ReadBack first = ReadWhole(*doc);
    ASSERT_EQ(first.status, 0);
    EXPECT_EQ(first.property->m_position, kFirstPropertyAt);
    EXPECT_EQ(first.property->m_tag, PR_MESSAGE_FLAGS);
    EXPECT_EQ(first.property->m_valueCount, 1u);
    EXPECT_EQ(first.property->m_layout, kLayoutFixed);
    EXPECT_EQ(first.property->Identity(), nullptr);
    const ValueElement& value = *first.values[0];
    EXPECT_EQ(value.m_position, kFirstPropertyAt + 4);
    EXPECT_EQ(value.m_size, 4u);
    EXPECT_EQ(value.m_tag, PR_MESSAGE_FLAGS);
    EXPECT_EQ(value.m_layout, kLayoutFixed);
    ASSERT_NE(value.Data(), nullptr);
    EXPECT_EQ(value.Data()[0], 0x19);

    ReadBack second = ReadWhole(*doc);
    ASSERT_EQ(second.status, 0);
    EXPECT_EQ(second.property->m_position, kFirstPropertyAt + 8);
}

TEST(PropertyReader, TwoByteTypesArePaddedToFour)
{
    for (std::uint32_t tag : {PROP_TAG(PT_I2, 0x0E0A), PROP_TAG(PT_BOOLEAN, 0x0E1B)}) {
        ListElement list(ELEM_PROPERTY_LIST);
        auto doc = DocAtList(PropertyList().Short(tag, 0xFFFE).Long(PR_ATTACH_METHOD, 7), &list);
        ReadBack first = ReadWhole(*doc);
        ASSERT_EQ(first.status, 0);
        EXPECT_EQ(first.values[0]->m_size, 2u);
        EXPECT_EQ(first.values[0]->DataLength(), 2u);
        ReadBack second = ReadWhole(*doc);
        ASSERT_EQ(second.status, 0);
        EXPECT_EQ(second.property->m_position, kFirstPropertyAt + 8);
        EXPECT_EQ(second.values[0]->Data()[0], 7);
    }
}

TEST(PropertyReader, StringsAreCountedAndPadded)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList()
                             .String8(PR_SUBJECT, "Helo")      // size 5: 3 padding bytes
                             .String8(PR_DISPLAY_NAME, "Hello12") // size 8: none
                             .Unicode(0x3001001F, u"Ab")         // size 6: 2
                             .Long(PR_ATTACH_METHOD, 1),
                         &list);
    ReadBack five = ReadWhole(*doc);
    ASSERT_EQ(five.status, 0);
    EXPECT_EQ(five.property->m_valueCount, 1u);
    EXPECT_EQ(five.property->m_layout, kLayoutCounted);
    EXPECT_EQ(five.values[0]->m_position, kFirstPropertyAt + 8);
    EXPECT_EQ(five.values[0]->m_size, 5u);
    EXPECT_STREQ(reinterpret_cast<const char*>(five.values[0]->Data()), "Helo");

    ReadBack eight = ReadWhole(*doc);
    ASSERT_EQ(eight.status, 0);
    EXPECT_EQ(eight.property->m_position, kFirstPropertyAt + 4 + 4 + 4 + 8);
    EXPECT_EQ(eight.values[0]->m_size, 8u);

    ReadBack wide = ReadWhole(*doc);
    ASSERT_EQ(wide.status, 0);
    EXPECT_EQ(wide.property->m_position, kFirstPropertyAt + 20 + 4 + 4 + 4 + 8);
    EXPECT_EQ(wide.values[0]->m_size, 6u);

    ReadBack last = ReadWhole(*doc);
    ASSERT_EQ(last.status, 0);
    EXPECT_EQ(last.property->m_tag, PR_ATTACH_METHOD);
    EXPECT_EQ(last.values[0]->Data()[0], 1);
}

TEST(PropertyReader, ObjectOfSizeThirtyKeepsIdentifierAndFourteenBytes)
{
    ListElement list(ELEM_PROPERTY_LIST);
    const ByteVector data = Pattern(14, 0x40);
    auto doc = DocAtList(PropertyList().Object(PR_ATTACH_DATA_OBJ, kStorageIid, data).Long(PR_ATTACH_METHOD, 6), &list);
    ReadBack object = ReadWhole(*doc);
    ASSERT_EQ(object.status, 0);
    EXPECT_EQ(object.property->m_layout, kLayoutObject);
    const ValueElement& value = *object.values[0];
    EXPECT_EQ(value.m_position, kFirstPropertyAt + 8);
    EXPECT_EQ(value.m_size, 30u);
    EXPECT_EQ(value.DataLength(), 14u);
    ASSERT_NE(value.Iid(), nullptr);
    EXPECT_EQ(std::memcmp(value.Iid(), kStorageIid.data(), 16), 0);
    ASSERT_NE(value.Data(), nullptr);
    EXPECT_EQ(std::memcmp(value.Data(), data.data(), 14), 0);
    ReadBack next = ReadWhole(*doc);
    ASSERT_EQ(next.status, 0);
    EXPECT_EQ(next.property->m_position, value.m_position + 4 + 30 + 2);
    EXPECT_EQ(next.values[0]->Data()[0], 6);
}

TEST(PropertyReader, MultiValuedLongReadsACountThenValues)
{
    ListElement list(ELEM_PROPERTY_LIST);
    ByteVector one, two, three;
    PutDword(one, 1);
    PutDword(two, 2);
    PutDword(three, 3);
    auto doc = DocAtList(PropertyList().Multi(PROP_TAG(PT_MV_LONG, 0x8000 - 1), {one, two, three}), &list);
    ReadBack multi = ReadWhole(*doc);
    ASSERT_EQ(multi.status, 0);
    EXPECT_EQ(multi.property->m_valueCount, 3u);
    EXPECT_EQ(multi.property->m_layout, kLayoutFixed);
    ASSERT_EQ(multi.values.size(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(multi.values[i]->m_position, kFirstPropertyAt + 8 + 4 * i);
        EXPECT_EQ(multi.values[i]->Data()[0], i + 1);
    }
}

TEST(PropertyReader, MultiValuedStringsEachCarryTheirSize)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList().Multi(PROP_TAG(PT_MV_STRING8, 0x0E03), {BytesOf("a"), BytesOf("bcdef")}), &list);
    ReadBack multi = ReadWhole(*doc);
    ASSERT_EQ(multi.status, 0);
    ASSERT_EQ(multi.values.size(), 2u);
    EXPECT_EQ(multi.values[0]->m_size, 1u);
    EXPECT_EQ(multi.values[1]->m_position, multi.values[0]->m_position + 8);
    EXPECT_EQ(multi.values[1]->m_size, 5u);
}

TEST(PropertyReader, LargeBinaryKeepsPositionAndSizeOnly)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList().Binary(PR_ATTACH_DATA_BIN, Pattern(4096)).Long(PR_ATTACH_METHOD, 1), &list);
    ReadBack large = ReadWhole(*doc);
    ASSERT_EQ(large.status, 0);
    EXPECT_EQ(large.values[0]->m_size, 4096u);
    EXPECT_EQ(large.values[0]->Data(), nullptr);
    EXPECT_EQ(large.values[0]->m_position, kFirstPropertyAt + 8);
    ReadBack next = ReadWhole(*doc);
    ASSERT_EQ(next.status, 0);
    EXPECT_EQ(next.property->m_position, kFirstPropertyAt + 8 + 4 + 4096);
}

TEST(PropertyReader, DataBoundaryAt1024)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList().Binary(0x10000102, Pattern(1024)).Binary(0x10010102, Pattern(1025)), &list);
    ReadBack kept = ReadWhole(*doc);
    ASSERT_EQ(kept.status, 0);
    ASSERT_NE(kept.values[0]->Data(), nullptr);
    EXPECT_EQ(kept.values[0]->Data()[1023], 0xFF);
    ReadBack skipped = ReadWhole(*doc);
    ASSERT_EQ(skipped.status, 0);
    EXPECT_EQ(skipped.values[0]->Data(), nullptr);
    EXPECT_EQ(skipped.values[0]->m_size, 1025u);
}

TEST(PropertyReader, EmptyStringValueReadsNothing)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList().Binary(PR_ATTACH_DATA_BIN, {}).Long(PR_ATTACH_METHOD, 2), &list);
    ReadBack empty = ReadWhole(*doc);
    ASSERT_EQ(empty.status, 0);
    EXPECT_EQ(empty.values[0]->m_size, 0u);
    EXPECT_EQ(empty.values[0]->Data(), nullptr);
    ReadBack next = ReadWhole(*doc);
    ASSERT_EQ(next.status, 0);
    EXPECT_EQ(next.values[0]->Data()[0], 2);
}

TEST(PropertyReader, NullAndUnspecifiedSingleValuesTakeNoBytes)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList().Fixed(PROP_TAG(PT_NULL, 0x0E00), {}).Fixed(PROP_TAG(PT_UNSPECIFIED, 0x0E01), {}).Long(PR_ATTACH_METHOD, 3), &list);
    for (std::uint32_t i = 0; i < 2; ++i) {
        ReadBack nothing = ReadWhole(*doc);
        ASSERT_EQ(nothing.status, 0);
        EXPECT_EQ(nothing.property->m_valueCount, 1u);
        EXPECT_EQ(nothing.values[0]->m_size, 0u);
        EXPECT_EQ(nothing.values[0]->Data(), nullptr);
    }
    ReadBack next = ReadWhole(*doc);
    ASSERT_EQ(next.status, 0);
    EXPECT_EQ(next.property->m_position, kFirstPropertyAt + 8);
    EXPECT_EQ(next.values[0]->Data()[0], 3);
}

TEST(PropertyReader, MultiValuedTypesOfNoSizeAreDamaged)
{
    for (std::uint32_t type : {0x1000u, 0x1001u}) {
        ListElement list(ELEM_PROPERTY_LIST);
        auto doc = DocAtList(PropertyList().ValueCount(0xFFFFFFFFu).Multi(PROP_TAG(type, 0x0E00), {}), &list);
        PropertyElement property;
        EXPECT_EQ(doc->ReadProperty(&property), E_FAIL) << std::hex << type;
        EXPECT_EQ(property.m_tag, 0u) << "a failed property is reset";
        EXPECT_EQ(property.m_valueCount, 0u);
    }
}

TEST(PropertyReader, UnknownLayoutOnAHandMadePropertyFails)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList().Long(PR_ATTACH_METHOD, 1), &list);
    PropertyElement property;
    property.m_layout = 3;
    ValueElement value;
    EXPECT_EQ(doc->ReadValue(&property, &value), E_FAIL);
    EXPECT_EQ(doc->ReadValue(nullptr, &value), E_FAIL);
    EXPECT_EQ(doc->ReadValue(&property, nullptr), E_FAIL);
    EXPECT_EQ(doc->ReadProperty(nullptr), E_FAIL);
}

// ---- Named properties ---------------------------------------------------------------------

TEST(NamedPropertyReader, NumericIdentity)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList().NamedId(PublicStringsGuid(), 0x8233).Long(PROP_TAG(PT_LONG, 0x8000), 42), &list);
    ReadBack named = ReadWhole(*doc);
    ASSERT_EQ(named.status, 0);
    const NamedPropertyIdentity* identity = named.property->Identity();
    ASSERT_NE(identity, nullptr);
    EXPECT_EQ(identity->kind, MNID_ID);
    EXPECT_EQ(identity->id, 0x8233u);
    EXPECT_EQ(std::memcmp(identity->guid, PublicStringsGuid().data(), 16), 0);
    EXPECT_EQ(identity->name, nullptr);
    EXPECT_EQ(named.values[0]->m_position, kFirstPropertyAt + 4 + 16 + 4 + 4);
    EXPECT_EQ(named.values[0]->Data()[0], 42);
}

TEST(NamedPropertyReader, NameOfTenBytesSkipsTwoPaddingBytes)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList().NamedString(PublicStringsGuid(), u"Abcd").Long(PROP_TAG(PT_LONG, 0x8001), 7), &list);
    ReadBack named = ReadWhole(*doc);
    ASSERT_EQ(named.status, 0);
    ASSERT_NE(named.property->Identity(), nullptr);
    EXPECT_EQ(named.property->Identity()->kind, MNID_STRING);
    EXPECT_EQ(std::u16string(named.property->Identity()->name), u"Abcd");
    EXPECT_EQ(named.values[0]->m_position, kFirstPropertyAt + 4 + 16 + 4 + 4 + 10 + 2);
    EXPECT_EQ(named.values[0]->Data()[0], 7);
}

TEST(NamedPropertyReader, NameOfTwelveBytesHasNoPadding)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList().NamedString(PublicStringsGuid(), u"Abcde").Long(PROP_TAG(PT_LONG, 0xFFFE), 7), &list);
    ReadBack named = ReadWhole(*doc);
    ASSERT_EQ(named.status, 0);
    EXPECT_EQ(std::u16string(named.property->Identity()->name), u"Abcde");
    EXPECT_EQ(named.values[0]->m_position, kFirstPropertyAt + 4 + 16 + 4 + 4 + 12);
}

TEST(NamedPropertyReader, OddNameLengthEndsAfterTheLastWholeCharacter)
{
    // L = 5: two whole characters and half of a third; the name is cut after two.
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList()
                             .NamedStringRaw(PublicStringsGuid(), 5, {'X', 0, 'Y', 0, 'Z'})
                             .Long(PROP_TAG(PT_LONG, 0x8002), 9),
                         &list);
    ReadBack named = ReadWhole(*doc);
    ASSERT_EQ(named.status, 0);
    EXPECT_EQ(std::u16string(named.property->Identity()->name), u"XY");
    EXPECT_EQ(named.values[0]->Data()[0], 9);
}

TEST(NamedPropertyReader, NameWithoutTerminatorIsStillTerminated)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList().NamedStringRaw(PublicStringsGuid(), 4, {'A', 0, 'B', 0}).Long(PROP_TAG(PT_LONG, 0x8002), 9), &list);
    ReadBack named = ReadWhole(*doc);
    ASSERT_EQ(named.status, 0);
    EXPECT_EQ(std::u16string(named.property->Identity()->name), u"AB");
}

// A malformed list item, the damage it carries and what its reading leaves behind.
struct DamagedRow {
    const char* name;
    PropertyList list;
};

std::string RowName(const ::testing::TestParamInfo<DamagedRow>& info) { return info.param.name; }

// Values whose property reads well but whose own bytes are damaged: the value read fails and
// keeps no data.
class DamagedValue : public ::testing::TestWithParam<DamagedRow> {};

TEST_P(DamagedValue, FailsAndKeepsNoData)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(GetParam().list, &list);
    ASSERT_NE(doc, nullptr);
    PropertyElement property;
    ASSERT_EQ(doc->ReadProperty(&property), 0);
    ValueElement value;
    EXPECT_EQ(doc->ReadValue(&property, &value), E_FAIL);
    EXPECT_EQ(value.Iid(), nullptr);
    EXPECT_EQ(value.Data(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    PropertyReader, DamagedValue,
    ::testing::Values(
        DamagedRow{"ObjectShorterThanItsIdentifier", PropertyList().CountedRaw(PR_ATTACH_DATA_OBJ, 15, Pattern(16))},
        DamagedRow{"SizeNegativeAsSigned", PropertyList().CountedRaw(PR_ATTACH_DATA_BIN, 0x80000000u, Pattern(8))},
        DamagedRow{"TypeWithoutFixedSize", PropertyList().Fixed(PROP_TAG(0x0008, 0x0E00), Pattern(8))},
        DamagedRow{"TypeUnknown", PropertyList().Fixed(PROP_TAG(0x00FB, 0x0E00), Pattern(8))},
        DamagedRow{"MultiValuedTypeWithoutFixedSize", PropertyList().Fixed(PROP_TAG(0x1008, 0x0E00), Pattern(8))}),
    RowName);

// Named properties whose identity is damaged: the property read fails and leaves a reset
// property without an identity.
class DamagedIdentity : public ::testing::TestWithParam<DamagedRow> {};

TEST_P(DamagedIdentity, FailsAndLeavesNoIdentity)
{
    ListElement list(ELEM_PROPERTY_LIST);
    PropertyList items = GetParam().list;
    items.Count(1);
    auto doc = DocAtList(items, &list);
    ASSERT_NE(doc, nullptr);
    PropertyElement property;
    EXPECT_EQ(doc->ReadProperty(&property), E_FAIL);
    EXPECT_EQ(property.Identity(), nullptr);
    EXPECT_EQ(property.m_tag, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    NamedPropertyReader, DamagedIdentity,
    ::testing::Values(
        DamagedRow{"EmptyName", PropertyList().NamedStringRaw(PublicStringsGuid(), 0, {}).Long(PROP_TAG(PT_LONG, 0x8000), 1)},
        DamagedRow{"NameOf1025Bytes", PropertyList().NamedStringRaw(PublicStringsGuid(), 1025, ByteVector(1025, 'a')).Long(PROP_TAG(PT_LONG, 0x8000), 1)},
        DamagedRow{"NameOfFourGigabytes", PropertyList().NamedStringRaw(PublicStringsGuid(), 0xFFFFFFFFu, {}).Long(PROP_TAG(PT_LONG, 0x8000), 1)},
        DamagedRow{"KindTwo", PropertyList().NamedOtherKind(PublicStringsGuid(), 2, Pattern(8)).Long(PROP_TAG(PT_LONG, 0x8000), 1)},
        DamagedRow{"GuidCut", PropertyList().Raw({0x03, 0x00, 0x00, 0x80, 1, 2, 3})},
        DamagedRow{"NameCut", PropertyList().NamedStringRaw(PublicStringsGuid(), 40, Pattern(10)).Long(PROP_TAG(PT_LONG, 0x8000), 1)}),
    RowName);

TEST(NamedPropertyReader, NameOf1024BytesIsAccepted)
{
    ListElement list(ELEM_PROPERTY_LIST);
    ByteVector name(1022, 'b');
    name.push_back(0);
    name.push_back(0);
    auto doc = DocAtList(PropertyList().NamedStringRaw(PublicStringsGuid(), 1024, name).Long(PROP_TAG(PT_LONG, 0x8000), 5), &list);
    ReadBack named = ReadWhole(*doc);
    ASSERT_EQ(named.status, 0);
    EXPECT_EQ(std::u16string(named.property->Identity()->name).size(), 511u);
    EXPECT_EQ(named.values[0]->Data()[0], 5);
}

TEST(NamedPropertyReader, OnlyIdentifiers8000ToFFFEAreNamed)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList().Long(PROP_TAG(PT_LONG, 0xFFFF), 11).Long(PROP_TAG(PT_LONG, 0x7FFF), 12), &list);
    for (std::uint8_t expected : {11, 12}) {
        ReadBack plain = ReadWhole(*doc);
        ASSERT_EQ(plain.status, 0);
        EXPECT_EQ(plain.property->Identity(), nullptr);
        EXPECT_EQ(plain.values[0]->Data()[0], expected);
    }
}

TEST(NamedPropertyReader, ReusedPropertyDropsItsEarlierIdentity)
{
    ListElement list(ELEM_PROPERTY_LIST);
    auto doc = DocAtList(PropertyList().NamedString(PublicStringsGuid(), u"X").Long(PROP_TAG(PT_LONG, 0x8000), 1).Long(PR_ATTACH_METHOD, 1), &list);
    PropertyElement property;
    ValueElement value;
    ASSERT_EQ(doc->ReadProperty(&property), 0);
    ASSERT_NE(property.Identity(), nullptr);
    ASSERT_EQ(doc->ReadValue(&property, &value), 0);
    ASSERT_EQ(doc->ReadProperty(&property), 0);
    EXPECT_EQ(property.Identity(), nullptr);
    EXPECT_EQ(property.m_tag, PR_ATTACH_METHOD);
}

} // namespace
} // namespace viewer::doc::document
