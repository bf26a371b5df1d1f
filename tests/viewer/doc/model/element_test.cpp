#include "viewer/doc/model/element.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "viewer/rtf/chain_alloc.h"

namespace viewer::doc::model {
namespace {

// Whatever the kind, a made element can show itself: it starts in a view it supports, the
// details view is always there, and its kind's name is its own.
TEST(ElementKinds, EveryKindStartsInAViewItSupports)
{
    std::set<std::string> names;
    for (std::uint32_t kind = ELEM_HEADER; kind <= ELEM_ATTACH_DATA_BIN; ++kind) {
        auto element = CreateElement(kind);
        if (!element) {
            EXPECT_EQ(kind, 15u); // the one number the design leaves out
            continue;
        }
        SCOPED_TRACE(ElementKindName(kind));
        EXPECT_EQ(element->Kind(), kind);
        EXPECT_EQ(element->CurrentView(), DefaultViewOf(kind));
        EXPECT_TRUE(element->SupportsView(element->CurrentView()));
        EXPECT_TRUE(element->SupportsView(VIEW_DETAILS));
        EXPECT_EQ(element->m_textEncoding, TEXT_NONE);
        EXPECT_TRUE(names.insert(ElementKindName(kind)).second);
    }
}

// The commands trust the kinds that allow them: Calculate Checksum reads a raw record's stored
// sum, Save Mail Body inflates compressed RTF, Open Attachment opens embedded messages and OLE
// objects as such.
TEST(ElementKinds, ActionsOnlyWhereTheirCommandCanRun)
{
    const std::pair<std::uint32_t, std::uint32_t> onlyFor[] = {
        {ACTION_CHECKSUM, ELEM_ATTRIBUTE},
        {ACTION_SAVE_BODY, ELEM_COMPRESSED_RTF},
        {ACTION_OPEN_MESSAGE, ELEM_EMBEDDED_MESSAGE},
        {ACTION_OPEN_OBJECT, ELEM_OLE_OBJECT},
    };
    for (std::uint32_t kind = ELEM_HEADER; kind <= ELEM_ATTACH_DATA_BIN; ++kind) {
        const auto element = CreateElement(kind);
        for (const auto& [action, owner] : onlyFor) {
            if (element && element->SupportsAction(action)) {
                EXPECT_EQ(kind, owner) << "action " << action;
            }
        }
    }
}

TEST(ElementKinds, NumbersThatAreNoKindMakeNothing)
{
    for (std::uint32_t kind : {0u, 15u, 19u, 0xFFFFFFFFu}) {
        EXPECT_EQ(CreateElement(kind), nullptr) << kind;
        EXPECT_STREQ(ElementKindName(kind), "");
    }
}

TEST(ElementKinds, AttachmentDataOpensItsFileOnlyWhileNamed)
{
    for (std::uint32_t kind : {ELEM_ATTACH_DATA, ELEM_ATTACH_DATA_BIN}) {
        auto element = CreateElement(kind);
        EXPECT_FALSE(element->SupportsAction(ACTION_OPEN_FILE));
        element->m_name = "report.pdf";
        EXPECT_TRUE(element->SupportsAction(ACTION_OPEN_FILE));
        EXPECT_TRUE(element->SupportsAction(ACTION_SAVE_DATA));
        element->m_name.clear();
        EXPECT_FALSE(element->SupportsAction(ACTION_OPEN_FILE));
    }
    auto value = CreateElement(ELEM_VALUE);
    value->m_name = "named anyway";
    EXPECT_FALSE(value->SupportsAction(ACTION_OPEN_FILE));
}

TEST(ElementKinds, SetCurrentViewRefusesUnsupportedViews)
{
    ValueElement value;
    EXPECT_TRUE(value.SetCurrentView(VIEW_TEXT));
    EXPECT_EQ(value.CurrentView(), VIEW_TEXT);
    EXPECT_FALSE(value.SetCurrentView(VIEW_RTF));
    EXPECT_EQ(value.CurrentView(), VIEW_TEXT);
    EXPECT_FALSE(value.SetCurrentView(0));
    EXPECT_FALSE(value.SetCurrentView(40));
    EXPECT_EQ(value.CurrentView(), VIEW_TEXT);
}

TEST(ElementKinds, AttributeBuffersHoldWhatTheirKindIsMadeFor)
{
    // The walk makes dates and renderings of 14-byte records only: they are kept whole.
    EXPECT_GE(AttributeElement(ELEM_DATE).Capacity(), 14u);
    EXPECT_GE(AttributeElement(ELEM_RENDERING).Capacity(), 14u);
    // A record's own element keeps no data: a view goes back to the stream for it.
    EXPECT_EQ(AttributeElement(ELEM_ATTRIBUTE).Buffer(), nullptr);
    AttributeElement data(ELEM_ATTRIBUTE_DATA);
    for (std::uint32_t i = 0; i < data.Capacity(); ++i) {
        ASSERT_EQ(data.Buffer()[i], 0) << i;
    }
}

// ---- CopyTo -------------------------------------------------------------------------------

std::unique_ptr<AttributeElement> FilledAttribute(std::uint32_t kind, std::uint32_t length)
{
    auto element = std::make_unique<AttributeElement>(kind);
    AttributeElement& attribute = *element;
    attribute.m_position = 0x1234;
    attribute.m_level = LVL_ATTACHMENT;
    attribute.m_identifier = attAttachData;
    attribute.m_length = length;
    attribute.m_checksum = 0xBEEF;
    for (std::uint32_t i = 0; i < attribute.Capacity(); ++i) {
        attribute.Buffer()[i] = static_cast<std::uint8_t>(i + 1);
    }
    attribute.m_textEncoding = TEXT_ANSI;
    attribute.m_name = "a.txt";
    attribute.SetCurrentView(VIEW_TEXT);
    return element;
}

TEST(ElementCopy, AttributeCopiesScalarsBasePartAndBufferOfSameCapacity)
{
    const auto sourceOwner = FilledAttribute(ELEM_ATTRIBUTE_DATA, 3000);
    const AttributeElement& source = *sourceOwner;
    AttributeElement target(ELEM_ATTRIBUTE_DATA);
    ASSERT_TRUE(source.CopyTo(&target));
    EXPECT_EQ(target.m_position, 0x1234u);
    EXPECT_EQ(target.m_level, LVL_ATTACHMENT);
    EXPECT_EQ(target.m_identifier, attAttachData);
    EXPECT_EQ(target.m_length, 3000u);
    EXPECT_EQ(target.m_checksum, 0xBEEF);
    EXPECT_EQ(target.m_name, "a.txt");
    EXPECT_EQ(target.m_textEncoding, TEXT_ANSI);
    EXPECT_EQ(target.CurrentView(), VIEW_TEXT);
    EXPECT_EQ(std::memcmp(target.Buffer(), source.Buffer(), 1024), 0);
}

TEST(ElementCopy, AttributeBufferOfAnotherCapacityIsNotCopied)
{
    const auto sourceOwner = FilledAttribute(ELEM_ATTRIBUTE_DATA, 10);
    const AttributeElement& source = *sourceOwner;
    AttributeElement target(ELEM_ATTRIBUTE_DATA);
    target.ReplaceBuffer(16);
    target.Buffer()[0] = 0x77;
    ASSERT_TRUE(source.CopyTo(&target));
    EXPECT_EQ(target.m_length, 10u);
    EXPECT_EQ(target.Capacity(), 16u);
    EXPECT_EQ(target.Buffer()[0], 0) << "the reset zero-fills, no bytes follow";
}

TEST(ElementCopy, MetafileTargetGetsABufferOfTheSourceLength)
{
    // A tree element (capacity 1024) of a 500-byte metafile: the copy's buffer is 500
    // bytes, and since the capacities differ no bytes are copied.
    const auto smallOwner = FilledAttribute(ELEM_METAFILE, 500);
    const AttributeElement& small = *smallOwner;
    AttributeElement target(ELEM_METAFILE);
    ASSERT_TRUE(small.CopyTo(&target));
    EXPECT_EQ(target.Capacity(), 500u);
    EXPECT_EQ(target.Buffer()[0], 0);
    EXPECT_EQ(target.m_length, 500u);

    // A metafile of exactly 1024 bytes: both capacities are 1024, the bytes follow.
    const auto exactOwner = FilledAttribute(ELEM_METAFILE, 1024);
    const AttributeElement& exact = *exactOwner;
    AttributeElement second(ELEM_METAFILE);
    ASSERT_TRUE(exact.CopyTo(&second));
    EXPECT_EQ(second.Capacity(), 1024u);
    EXPECT_EQ(std::memcmp(second.Buffer(), exact.Buffer(), 1024), 0);

    // The same length on both sides keeps the target's buffer as it is.
    AttributeElement third(ELEM_METAFILE);
    third.m_length = 500;
    ASSERT_TRUE(small.CopyTo(&third));
    EXPECT_EQ(third.Capacity(), 1024u);
}

TEST(ElementCopy, MetafileLongerThanAnyWalkedOneGetsNoBuffer)
{
    AttributeElement huge(ELEM_METAFILE);
    huge.m_length = 0xFFFFFFF0u;
    AttributeElement target(ELEM_METAFILE);
    ASSERT_TRUE(huge.CopyTo(&target));
    EXPECT_EQ(target.Capacity(), 0u);
    EXPECT_EQ(target.Buffer(), nullptr);
    EXPECT_EQ(target.m_length, 0xFFFFFFF0u);
    EXPECT_EQ(target.KeptLength(), 0u);
}

TEST(ElementCopy, CopyBetweenKindsIsRefusedAndLeavesTheTargetAlone)
{
    const auto sourceOwner = FilledAttribute(ELEM_ATTRIBUTE_DATA, 20);
    const AttributeElement& source = *sourceOwner;
    AttributeElement date(ELEM_DATE);
    date.m_length = 14;
    date.Buffer()[0] = 9;
    EXPECT_FALSE(source.CopyTo(&date));
    EXPECT_EQ(date.m_length, 14u);
    EXPECT_EQ(date.Buffer()[0], 9);

    ValueElement value;
    value.m_size = 7;
    EXPECT_FALSE(source.CopyTo(&value));
    EXPECT_EQ(value.m_size, 7u);

    ValueElement rtf(ELEM_COMPRESSED_RTF);
    EXPECT_FALSE(value.CopyTo(&rtf));
    HeaderElement header;
    EXPECT_FALSE(header.CopyTo(nullptr));
    FolderElement folder;
    EXPECT_FALSE(folder.CopyTo(&header));
    FolderElement other;
    other.m_name = "x";
    EXPECT_TRUE(other.CopyTo(&folder));
    EXPECT_EQ(folder.m_name, "x");
}

TEST(ElementCopy, HeaderAndListCopyTheirFields)
{
    HeaderElement header;
    header.m_signature = 0x12345678;
    header.m_key = 0x0102;
    EXPECT_FALSE(header.IsValid());
    HeaderElement headerCopy;
    ASSERT_TRUE(header.CopyTo(&headerCopy));
    EXPECT_EQ(headerCopy.m_signature, 0x12345678u);
    EXPECT_EQ(headerCopy.m_key, 0x0102);
    headerCopy.Reset();
    EXPECT_TRUE(headerCopy.IsValid());
    EXPECT_EQ(headerCopy.m_key, 0);

    ListElement table(ELEM_RECIPIENT_TABLE);
    table.m_position = 99;
    table.m_count = 3;
    ListElement tableCopy(ELEM_RECIPIENT_TABLE);
    ASSERT_TRUE(table.CopyTo(&tableCopy));
    EXPECT_EQ(tableCopy.m_position, 99u);
    EXPECT_EQ(tableCopy.m_count, 3u);
    ListElement list(ELEM_PROPERTY_LIST);
    EXPECT_FALSE(table.CopyTo(&list));
}

// A property with an MNID_STRING identity, built the way the reader builds one.
void GiveStringIdentity(PropertyElement& property, const std::u16string& name)
{
    void* root = nullptr;
    ASSERT_EQ(rtf::ChainAllocBuffer(sizeof(NamedPropertyIdentity), &root), 0);
    std::memset(root, 0, sizeof(NamedPropertyIdentity));
    ChainPtr<NamedPropertyIdentity> identity(static_cast<NamedPropertyIdentity*>(root));
    void* guid = nullptr;
    ASSERT_EQ(rtf::ChainAllocMore(16, root, &guid), 0);
    std::memset(guid, 0xAB, 16);
    identity->guid = static_cast<std::uint8_t*>(guid);
    identity->kind = MNID_STRING;
    void* text = nullptr;
    const auto bytes = static_cast<std::uint32_t>((name.size() + 1) * 2);
    ASSERT_EQ(rtf::ChainAllocMore(bytes, root, &text), 0);
    std::memcpy(text, name.c_str(), bytes);
    identity->name = static_cast<char16_t*>(text);
    property.SetIdentity(std::move(identity));
}

TEST(ElementCopy, PropertyCopyOwnsItsOwnIdentity)
{
    PropertyElement source;
    GiveStringIdentity(source, u"Keywords");
    source.m_position = 40;
    source.m_tag = 0x8005001F;
    source.m_valueCount = 2;
    source.m_layout = kLayoutCounted;

    auto target = std::make_unique<PropertyElement>();
    ASSERT_TRUE(source.CopyTo(target.get()));
    ASSERT_NE(target->Identity(), nullptr);
    EXPECT_NE(target->Identity(), source.Identity());
    EXPECT_EQ(target->Identity()->kind, MNID_STRING);
    EXPECT_EQ(std::u16string(target->Identity()->name), u"Keywords");
    EXPECT_EQ(target->Identity()->guid[15], 0xAB);
    EXPECT_EQ(target->m_tag, 0x8005001Fu);
    EXPECT_EQ(target->m_valueCount, 2u);
    EXPECT_EQ(target->m_position, 40u);

    // The source outlives the copy and the other way round; each frees its own chain.
    target.reset();
    EXPECT_EQ(std::u16string(source.Identity()->name), u"Keywords");
    PropertyElement plain;
    ASSERT_TRUE(plain.CopyTo(&source));
    EXPECT_EQ(source.Identity(), nullptr);
    EXPECT_EQ(source.m_tag, 0u);
}

TEST(ElementCopy, PropertyCopyOfANumericIdentity)
{
    PropertyElement source;
    void* root = nullptr;
    ASSERT_EQ(rtf::ChainAllocBuffer(sizeof(NamedPropertyIdentity), &root), 0);
    std::memset(root, 0, sizeof(NamedPropertyIdentity));
    ChainPtr<NamedPropertyIdentity> identity(static_cast<NamedPropertyIdentity*>(root));
    identity->kind = MNID_ID;
    identity->id = 0x8233;
    source.SetIdentity(std::move(identity));
    PropertyElement target;
    ASSERT_TRUE(source.CopyTo(&target));
    ASSERT_NE(target.Identity(), nullptr);
    EXPECT_EQ(target.Identity()->id, 0x8233u);
    EXPECT_EQ(target.Identity()->name, nullptr);
    ASSERT_NE(target.Identity()->guid, nullptr);
    EXPECT_EQ(target.Identity()->guid[0], 0);
}

std::unique_ptr<ValueElement> ObjectValue(std::uint32_t size, bool withData)
{
    auto element = std::make_unique<ValueElement>(ELEM_OLE_OBJECT);
    ValueElement& value = *element;
    value.m_position = 500;
    value.m_tag = PR_ATTACH_DATA_OBJ;
    value.m_layout = kLayoutObject;
    value.m_size = size;
    const std::uint8_t iid[16] = {0x0B, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    value.SetIid(CopyToChain(iid, 16));
    if (withData) {
        std::vector<std::uint8_t> data(size - 16, 0x5A);
        value.SetData(CopyToChain(data.data(), static_cast<std::uint32_t>(data.size())));
    }
    return element;
}

TEST(ElementCopy, ValueCopiesIdentifierAndKeptData)
{
    const auto sourceOwner = ObjectValue(30, true);
    const ValueElement& source = *sourceOwner;
    EXPECT_EQ(source.DataLength(), 14u);
    ValueElement target(ELEM_OLE_OBJECT);
    ASSERT_TRUE(source.CopyTo(&target));
    ASSERT_NE(target.Iid(), nullptr);
    EXPECT_NE(target.Iid(), source.Iid());
    EXPECT_EQ(std::memcmp(target.Iid(), source.Iid(), 16), 0);
    ASSERT_NE(target.Data(), nullptr);
    EXPECT_EQ(std::memcmp(target.Data(), source.Data(), 14), 0);
    EXPECT_EQ(target.m_size, 30u);
    EXPECT_EQ(target.m_tag, PR_ATTACH_DATA_OBJ);
    EXPECT_EQ(target.m_position, 500u);
    EXPECT_EQ(target.m_layout, kLayoutObject);

    // A large value has no data: nothing to copy, size and position still follow.
    const auto largeOwner = ObjectValue(16 + 5000, false);
    const ValueElement& large = *largeOwner;
    ValueElement largeCopy(ELEM_OLE_OBJECT);
    ASSERT_TRUE(large.CopyTo(&largeCopy));
    EXPECT_EQ(largeCopy.Data(), nullptr);
    EXPECT_EQ(largeCopy.DataLength(), 5000u);
}

TEST(ElementCopy, TakeOverMovesValueFieldsAndKeepsBaseParts)
{
    ValueElement plain;
    plain.m_position = 80;
    plain.m_tag = PR_RTF_COMPRESSED;
    plain.m_layout = kLayoutCounted;
    plain.m_size = 3;
    const std::uint8_t bytes[3] = {1, 2, 3};
    plain.SetData(CopyToChain(bytes, 3));
    plain.m_name = "plain";
    const std::uint8_t* data = plain.Data();

    ValueElement rtf(ELEM_COMPRESSED_RTF);
    rtf.m_name = "rtf";
    rtf.TakeOver(plain);
    EXPECT_EQ(rtf.Data(), data) << "ownership moves, nothing is copied";
    EXPECT_EQ(rtf.m_position, 80u);
    EXPECT_EQ(rtf.m_tag, PR_RTF_COMPRESSED);
    EXPECT_EQ(rtf.m_size, 3u);
    EXPECT_EQ(rtf.m_name, "rtf");
    EXPECT_EQ(rtf.CurrentView(), VIEW_RTF);
    EXPECT_EQ(plain.Data(), nullptr);
    EXPECT_EQ(plain.m_size, 0u);
    EXPECT_EQ(plain.m_tag, 0u);
    EXPECT_EQ(plain.m_name, "plain");
}

TEST(ElementCopy, ObjectValueTooShortForItsIdentifierHasNoDataLength)
{
    ValueElement value(ELEM_VALUE);
    value.m_layout = kLayoutObject;
    value.m_size = 10;
    EXPECT_EQ(value.DataLength(), 0u);
    value.m_layout = kLayoutCounted;
    EXPECT_EQ(value.DataLength(), 10u);
}

TEST(ElementReset, AttributeResetZeroesFieldsAndBuffer)
{
    auto owner = FilledAttribute(ELEM_ATTACH_DATA, 77);
    AttributeElement& attribute = *owner;
    attribute.Reset();
    EXPECT_EQ(attribute.m_position, 0u);
    EXPECT_EQ(attribute.m_level, 0);
    EXPECT_EQ(attribute.m_identifier, 0u);
    EXPECT_EQ(attribute.m_length, 0u);
    EXPECT_EQ(attribute.m_checksum, 0);
    EXPECT_EQ(attribute.Capacity(), 1024u);
    EXPECT_EQ(attribute.Buffer()[0], 0);
    EXPECT_EQ(attribute.Buffer()[1023], 0);
    EXPECT_EQ(attribute.m_name, "a.txt") << "the base part is not the attribute's";
}

} // namespace
} // namespace viewer::doc::model
