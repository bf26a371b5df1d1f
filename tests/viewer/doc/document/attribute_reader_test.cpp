// The reader's primitives and its attribute-record operations.
#include <cstring>

#include <gtest/gtest.h>

#include "tests/viewer/doc/document/reader_fixture.h"

namespace viewer::doc::document {
using namespace viewer::doc::model;

namespace {

using namespace testing_support;
using platform::E_FAIL;
using platform::E_INVALIDARG;
using reader_tests::DocOver;

// ---- Primitives ----------------------------------------------------------------------------

TEST(ReaderPrimitives, ReadLittleEndianValuesInSequence)
{
    auto doc = DocOver({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77});
    std::uint8_t byte = 0;
    std::uint16_t word = 0;
    std::uint32_t dword = 0;
    ASSERT_EQ(doc->ReadByte(&byte), 0);
    ASSERT_EQ(doc->ReadWord(&word), 0);
    ASSERT_EQ(doc->ReadDword(&dword), 0);
    EXPECT_EQ(byte, 0x11);
    EXPECT_EQ(word, 0x3322);
    EXPECT_EQ(dword, 0x77665544u);
    EXPECT_EQ(doc->ReadByte(&byte), E_FAIL) << "end of stream";
    EXPECT_EQ(byte, 0x11) << "a failed read leaves the out value";
}

TEST(ReaderPrimitives, ShortReadsFailAndLeaveTheOutValue)
{
    auto doc = DocOver({0xAA, 0xBB, 0xCC});
    std::uint32_t dword = 7;
    EXPECT_EQ(doc->ReadDword(&dword), E_FAIL);
    EXPECT_EQ(dword, 7u);
    auto second = DocOver({0xAA});
    std::uint16_t word = 9;
    EXPECT_EQ(second->ReadWord(&word), E_FAIL);
    EXPECT_EQ(word, 9);
}

TEST(ReaderPrimitives, StreamErrorsBecomeFailures)
{
    auto stream = MeanStream::Create({1, 2, 3, 4, 5, 6, 7, 8}, {.poison = true, .failAt = 5});
    auto doc = DocOver(stream);
    std::uint32_t dword = 0;
    ASSERT_EQ(doc->ReadDword(&dword), 0);
    EXPECT_EQ(dword, 0x04030201u);
    EXPECT_EQ(doc->ReadDword(&dword), E_FAIL);
    EXPECT_EQ(dword, 0x04030201u);
}

TEST(ReaderPrimitives, ReadBlockCountZeroTouchesNothing)
{
    auto doc = DocOver({1, 2, 3});
    std::uint8_t buffer[4] = {9, 9, 9, 9};
    EXPECT_EQ(doc->ReadBlock(buffer, sizeof buffer, 0), 0);
    EXPECT_EQ(buffer[0], 9);
    EXPECT_EQ(buffer[3], 9);
    std::uint8_t byte = 0;
    ASSERT_EQ(doc->ReadByte(&byte), 0);
    EXPECT_EQ(byte, 1) << "nothing was read";
}

TEST(ReaderPrimitives, ReadBlockLargerThanTheBufferZeroFillsAndSkips)
{
    auto doc = DocOver({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    std::uint8_t buffer[4] = {9, 9, 9, 9};
    EXPECT_EQ(doc->ReadBlock(buffer, sizeof buffer, 6), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 4), std::vector<std::uint8_t>(4, 0));
    std::uint8_t byte = 0;
    ASSERT_EQ(doc->ReadByte(&byte), 0);
    EXPECT_EQ(byte, 7);
}

TEST(ReaderPrimitives, ReadBlockFitsReadsExactlyAndFailsShort)
{
    auto doc = DocOver({1, 2, 3, 4, 5});
    std::uint8_t buffer[8];
    std::memset(buffer, 9, sizeof buffer);
    ASSERT_EQ(doc->ReadBlock(buffer, sizeof buffer, 3), 0);
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(buffer[2], 3);
    EXPECT_EQ(buffer[3], 0) << "the whole buffer is zero-filled first";
    EXPECT_EQ(buffer[7], 0);
    EXPECT_EQ(doc->ReadBlock(buffer, sizeof buffer, 3), E_FAIL) << "only 2 bytes left";
    EXPECT_EQ(doc->ReadBlock(nullptr, 4, 1), E_INVALIDARG);
}

TEST(ReaderPrimitives, ShortBlockLeavesNothingOfThePoisonedBuffer)
{
    auto stream = MeanStream::Create({1, 2}, {.poison = true});
    auto doc = DocOver(stream);
    std::uint8_t buffer[6];
    EXPECT_EQ(doc->ReadBlock(buffer, sizeof buffer, 6), E_FAIL);
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(buffer[1], 2);
    for (int i = 2; i < 6; ++i) {
        EXPECT_EQ(buffer[i], 0) << i;
    }
}

TEST(ReaderPrimitives, SkipBytesSeeksForwardAndReportsRefusal)
{
    auto doc = DocOver({1, 2, 3, 4});
    ASSERT_EQ(doc->SkipBytes(2), 0);
    std::uint8_t byte = 0;
    ASSERT_EQ(doc->ReadByte(&byte), 0);
    EXPECT_EQ(byte, 3);

    auto strict = DocOver(MeanStream::Create({1, 2, 3, 4}, {.refuseSeekPastEnd = true}));
    EXPECT_EQ(strict->SkipBytes(0xFFFFFFFFu), STG_E_INVALIDFUNCTION);
}

TEST(ReaderPrimitives, TypesWithoutAFixedSizeAreRefused)
{
    // Counted and object types, and numbers that are no type, must never be read as fixed:
    // a wrong size would put every later property out of step.
    for (std::uint32_t type : {0x0008u, 0x0009u, 0x000Cu, 0x000Du, 0x001Eu, 0x001Fu, 0x00FBu,
                               0x0049u, 0x0102u, 0xFFFFu}) {
        std::uint32_t size = 99;
        EXPECT_EQ(CEnvelonDoc::FixedValueSize(type, &size), E_FAIL) << std::hex << type;
        EXPECT_EQ(size, 0u);
    }
    EXPECT_EQ(CEnvelonDoc::FixedValueSize(PT_LONG, nullptr), E_FAIL);
}

// ---- Header and records ----------------------------------------------------------------------

TEST(AttributeReader, SixByteStreamHasAHeaderAndNoAttribute)
{
    auto doc = DocOver(TnefBuilder().Header(TNEF_SIGNATURE, 0x0A0B).Bytes());
    HeaderElement header;
    ASSERT_EQ(doc->ReadHeader(&header), 0);
    EXPECT_TRUE(header.IsValid());
    EXPECT_EQ(header.m_key, 0x0A0B);
    AttributeElement attribute(ELEM_ATTRIBUTE);
    EXPECT_EQ(doc->ReadFirstAttribute(&attribute), E_FAIL);
    EXPECT_EQ(attribute.m_position, 6u);

    auto invalid = DocOver(TnefBuilder().Header(0x01020304, 0).Bytes());
    ASSERT_EQ(invalid->ReadHeader(&header), 0);
    EXPECT_FALSE(header.IsValid());
    EXPECT_EQ(header.m_signature, 0x01020304u);
}

TEST(AttributeReader, HeaderCutShortFails)
{
    auto doc = DocOver({0x78, 0x9F, 0x3E, 0x22, 0x01});
    HeaderElement header;
    header.m_key = 5;
    EXPECT_EQ(doc->ReadHeader(&header), E_FAIL);
    EXPECT_EQ(header.m_key, 0) << "the header was reset first";
    EXPECT_EQ(doc->ReadHeader(nullptr), E_FAIL);
}

TEST(AttributeReader, WrongSignatureStillReadsAttributesFromOffsetSix)
{
    auto doc = DocOver(TnefBuilder().Header(0).MessageAttribute(attSubject, "Hi").Bytes());
    HeaderElement header;
    ASSERT_EQ(doc->ReadHeader(&header), 0);
    EXPECT_FALSE(header.IsValid());
    AttributeElement attribute(ELEM_ATTRIBUTE);
    ASSERT_EQ(doc->ReadFirstAttribute(&attribute), 0);
    EXPECT_EQ(attribute.m_identifier, attSubject);
}

TEST(AttributeReader, RecordFieldsAndNextPosition)
{
    const auto bytes = TnefBuilder()
                           .Header()
                           .MessageAttribute(attSubject, "Hello")
                           .Attribute(LVL_MESSAGE, attMessageClass, BytesOf("IPM.Note"), 0x1234)
                           .Bytes();
    auto doc = DocOver(bytes);
    AttributeElement attribute(ELEM_ATTRIBUTE);
    ASSERT_EQ(doc->ReadFirstAttribute(&attribute), 0);
    EXPECT_EQ(attribute.m_position, 6u);
    EXPECT_EQ(attribute.m_level, LVL_MESSAGE);
    EXPECT_EQ(attribute.m_identifier, attSubject);
    EXPECT_EQ(attribute.m_length, 6u);
    EXPECT_EQ(attribute.m_checksum, ChecksumOf(BytesOf(std::string("Hello", 6))));
    EXPECT_EQ(attribute.Buffer(), nullptr);

    ASSERT_EQ(doc->ReadNextAttribute(&attribute), 0);
    EXPECT_EQ(attribute.m_position, 6u + 11 + 6);
    EXPECT_EQ(attribute.m_identifier, attMessageClass);
    EXPECT_EQ(attribute.m_checksum, 0x1234) << "the stored checksum, as read";
    EXPECT_EQ(doc->ReadNextAttribute(&attribute), E_FAIL);
    EXPECT_EQ(doc->ReadNextAttribute(nullptr), E_FAIL);
}

TEST(AttributeReader, LevelOtherThanOneOrTwoEndsTheWalk)
{
    for (std::uint8_t level : {0, 3, 0xFF}) {
        auto doc = DocOver(TnefBuilder().Header().Attribute(level, attSubject, {1, 2}).Bytes());
        AttributeElement attribute(ELEM_ATTRIBUTE);
        EXPECT_EQ(doc->ReadFirstAttribute(&attribute), E_FAIL) << int(level);
        EXPECT_EQ(attribute.m_identifier, 0u) << "nothing further is read";
    }
}

TEST(AttributeReader, LengthZeroReadsTheChecksumRightAfterTheLength)
{
    auto doc = DocOver(TnefBuilder()
                           .Header()
                           .Attribute(LVL_MESSAGE, attSubject, {}, 0x4142)
                           .MessageAttribute(attBody, "x")
                           .Bytes());
    AttributeElement attribute(ELEM_ATTRIBUTE_DATA);
    ASSERT_EQ(doc->ReadFirstAttribute(&attribute), 0);
    EXPECT_EQ(attribute.m_length, 0u);
    EXPECT_EQ(attribute.m_checksum, 0x4142);
    EXPECT_EQ(attribute.KeptLength(), 0u);
    ASSERT_EQ(doc->ReadNextAttribute(&attribute), 0);
    EXPECT_EQ(attribute.m_identifier, attBody);
}

TEST(AttributeReader, LongRecordKeepsTheFirstCapacityBytesAndSkipsTheRest)
{
    const ByteVector data = Pattern(3000, 1);
    auto doc = DocOver(TnefBuilder().Header().MessageAttribute(attBody, data).Bytes());
    AttributeElement walked(ELEM_ATTRIBUTE);
    ASSERT_EQ(doc->ReadFirstAttribute(&walked), 0);
    AttributeElement decoded(ELEM_ATTRIBUTE_DATA);
    ASSERT_EQ(doc->ReadAttributeAt(&walked, &decoded), 0);
    EXPECT_EQ(decoded.m_length, 3000u);
    EXPECT_EQ(decoded.KeptLength(), 1024u);
    EXPECT_EQ(std::memcmp(decoded.Buffer(), data.data(), 1024), 0);
    EXPECT_EQ(decoded.m_checksum, ChecksumOf(data)) << "checksum at 9 + 3000";
}

TEST(AttributeReader, ShortRecordIntoAReusedElementShowsNoEarlierBytes)
{
    auto doc = DocOver(TnefBuilder()
                           .Header()
                           .MessageAttribute(attBody, Pattern(20, 1))
                           .MessageAttribute(attSubject, ByteVector{0x41, 0x42})
                           .Bytes());
    AttributeElement element(ELEM_ATTRIBUTE_DATA);
    ASSERT_EQ(doc->ReadFirstAttribute(&element), 0);
    ASSERT_EQ(doc->ReadNextAttribute(&element), 0);
    EXPECT_EQ(element.Buffer()[0], 0x41);
    EXPECT_EQ(element.Buffer()[1], 0x42);
    EXPECT_EQ(element.Buffer()[2], 0);
}

TEST(AttributeReader, DateAndRenderingKeepFourteenBytes)
{
    const ByteVector date = DateBytes(2026, 12, 7, 9, 30, 0, 1);
    auto doc = DocOver(TnefBuilder()
                           .Header()
                           .MessageAttribute(attDateSent, date)
                           .StartAttachment(atypOle)
                           .Bytes());
    AttributeElement walked(ELEM_ATTRIBUTE);
    ASSERT_EQ(doc->ReadFirstAttribute(&walked), 0);
    AttributeElement dateElement(ELEM_DATE);
    ASSERT_EQ(doc->ReadAttributeAt(&walked, &dateElement), 0);
    EXPECT_EQ(std::memcmp(dateElement.Buffer(), date.data(), 14), 0);
    ASSERT_EQ(doc->ReadNextAttribute(&walked), 0);
    EXPECT_TRUE(CEnvelonDoc::StartsAttachment(walked));
    AttributeElement rendering(ELEM_RENDERING);
    ASSERT_EQ(doc->ReadAttributeAt(&walked, &rendering), 0);
    EXPECT_EQ(rendering.Buffer()[0], atypOle);
}

TEST(AttributeReader, ReadAttributeAtNeedsBothElements)
{
    auto doc = DocOver(TnefBuilder().Header().MessageAttribute(attSubject, "a").Bytes());
    AttributeElement element(ELEM_ATTRIBUTE);
    EXPECT_EQ(doc->ReadAttributeAt(nullptr, &element), E_FAIL);
    EXPECT_EQ(doc->ReadAttributeAt(&element, nullptr), E_FAIL);
}

TEST(AttributeReader, LengthBeyondTheEndFailsAtSkipOrChecksum)
{
    const auto bytes = TnefBuilder().Header().RecordHead(LVL_MESSAGE, attBody, 5000).Raw(Pattern(100)).Bytes();
    // A stream that seeks past its end: the checksum read fails.
    AttributeElement attribute(ELEM_ATTRIBUTE);
    EXPECT_EQ(DocOver(bytes)->ReadFirstAttribute(&attribute), E_FAIL);
    EXPECT_EQ(attribute.m_length, 5000u);
    // An element with a buffer already fails at reading the data it keeps.
    AttributeElement data(ELEM_ATTRIBUTE_DATA);
    EXPECT_EQ(DocOver(bytes)->ReadFirstAttribute(&data), E_FAIL);
    // A stream that refuses: the skip fails with the stream's code.
    auto strict = DocOver(MeanStream::Create(bytes, {.refuseSeekPastEnd = true}));
    EXPECT_EQ(strict->ReadFirstAttribute(&attribute), STG_E_INVALIDFUNCTION);
}

TEST(AttributeReader, SkipAttributeMovesToTheNextRecordWhateverWasRead)
{
    auto doc = DocOver(TnefBuilder()
                           .Header()
                           .MessageAttribute(attBody, Pattern(50))
                           .MessageAttribute(attSubject, "next")
                           .Bytes());
    AttributeElement attribute(ELEM_ATTRIBUTE);
    ASSERT_EQ(doc->ReadFirstAttribute(&attribute), 0);
    ListElement list(ELEM_PROPERTY_LIST);
    ASSERT_EQ(doc->ReadPropertyListHeader(&attribute, &list), 0); // back inside the data
    ASSERT_EQ(doc->SkipAttribute(&attribute), 0);
    ASSERT_EQ(doc->ReadNextAttribute(&attribute), 0);
    EXPECT_EQ(attribute.m_identifier, attSubject);
    EXPECT_EQ(doc->SkipAttribute(nullptr), E_FAIL);
}

TEST(AttributeReader, PositionsNearTheTopOfTheRangeFailInsteadOfWrapping)
{
    auto doc = DocOver(TnefBuilder().Header().MessageAttribute(attSubject, "a").Bytes());
    AttributeElement attribute(ELEM_ATTRIBUTE);
    attribute.m_length = 0xFFFFFFFFu;
    for (std::uint64_t position : {std::uint64_t{INT64_MAX} - 11, std::uint64_t{INT64_MAX},
                                   ~std::uint64_t{0} - 5}) {
        attribute.m_position = position;
        EXPECT_EQ(doc->SkipAttribute(&attribute), E_FAIL);
        std::uint16_t sum = 1;
        EXPECT_EQ(doc->ComputeChecksum(&attribute, &sum), E_FAIL);
        EXPECT_EQ(sum, 0);
        AttributeElement target(ELEM_ATTRIBUTE);
        EXPECT_EQ(doc->ReadAttributeAt(&attribute, &target), E_FAIL);
        ListElement list(ELEM_PROPERTY_LIST);
        EXPECT_EQ(doc->ReadPropertyListHeader(&attribute, &list), E_FAIL);
    }
}

TEST(AttributeReader, StartsAttachmentOnlyForRenddataAtAttachmentLevel)
{
    AttributeElement attribute(ELEM_ATTRIBUTE);
    attribute.m_level = LVL_ATTACHMENT;
    attribute.m_identifier = attAttachRenddata;
    EXPECT_TRUE(CEnvelonDoc::StartsAttachment(attribute));
    attribute.m_level = LVL_MESSAGE;
    EXPECT_FALSE(CEnvelonDoc::StartsAttachment(attribute));
    attribute.m_level = LVL_ATTACHMENT;
    attribute.m_identifier = attAttachData;
    EXPECT_FALSE(CEnvelonDoc::StartsAttachment(attribute));
}

TEST(AttributeReader, FirstAttributeMayStartAnAttachment)
{
    auto doc = DocOver(TnefBuilder()
                           .Header()
                           .StartAttachment()
                           .AttachmentAttribute(attAttachTitle, "a.txt")
                           .Bytes());
    AttributeElement attribute(ELEM_ATTRIBUTE);
    ASSERT_EQ(doc->ReadFirstAttribute(&attribute), 0);
    EXPECT_TRUE(CEnvelonDoc::StartsAttachment(attribute));
    ASSERT_EQ(doc->ReadNextAttribute(&attribute), 0);
    EXPECT_FALSE(CEnvelonDoc::StartsAttachment(attribute));
}

// ---- Checksum -------------------------------------------------------------------------------

TEST(AttributeChecksum, SumsInPiecesOf2048)
{
    ByteVector data = Pattern(5000, 3);
    const auto bytes = TnefBuilder().Header().MessageAttribute(attBody, data).Bytes();
    auto stream = MeanStream::Create(bytes);
    auto doc = DocOver(stream);
    AttributeElement attribute(ELEM_ATTRIBUTE);
    ASSERT_EQ(doc->ReadFirstAttribute(&attribute), 0);
    stream->ClearReadSizes();
    std::uint16_t sum = 0;
    ASSERT_EQ(doc->ComputeChecksum(&attribute, &sum), 0);
    EXPECT_EQ(sum, ChecksumOf(data));
    EXPECT_EQ(sum, attribute.m_checksum);
    EXPECT_EQ(stream->ReadSizes(), (std::vector<std::uint32_t>{2048, 2048, 904}));
}

TEST(AttributeChecksum, BytesAreUnsignedAndTheSumWraps)
{
    auto doc = DocOver(TnefBuilder().Header().MessageAttribute(attBody, ByteVector{0xFF, 0x01}).Bytes());
    AttributeElement attribute(ELEM_ATTRIBUTE);
    ASSERT_EQ(doc->ReadFirstAttribute(&attribute), 0);
    std::uint16_t sum = 0;
    ASSERT_EQ(doc->ComputeChecksum(&attribute, &sum), 0);
    EXPECT_EQ(sum, 256);

    const ByteVector many(300, 0xFF); // 76500 wraps to 10964
    auto wraps = DocOver(TnefBuilder().Header().MessageAttribute(attBody, many).Bytes());
    ASSERT_EQ(wraps->ReadFirstAttribute(&attribute), 0);
    ASSERT_EQ(wraps->ComputeChecksum(&attribute, &sum), 0);
    EXPECT_EQ(sum, 76500 % 65536);
}

TEST(AttributeChecksum, WrongStoredChecksumIsFoundOnlyByComputing)
{
    auto doc = DocOver(
        TnefBuilder().Header().Attribute(LVL_MESSAGE, attBody, {1, 2, 3}, 7).MessageAttribute(attSubject, "s").Bytes());
    AttributeElement attribute(ELEM_ATTRIBUTE);
    ASSERT_EQ(doc->ReadFirstAttribute(&attribute), 0);
    std::uint16_t sum = 0;
    ASSERT_EQ(doc->ComputeChecksum(&attribute, &sum), 0);
    EXPECT_EQ(sum, 6);
    EXPECT_NE(sum, attribute.m_checksum);
}

TEST(AttributeChecksum, CutDataFailsWithTheSumSoFar)
{
    const auto bytes = TnefBuilder().Header().RecordHead(LVL_MESSAGE, attBody, 3000).Raw(ByteVector(2500, 1)).Bytes();
    auto doc = DocOver(bytes);
    AttributeElement attribute(ELEM_ATTRIBUTE);
    attribute.m_position = 6;
    attribute.m_length = 3000;
    std::uint16_t sum = 0;
    EXPECT_EQ(doc->ComputeChecksum(&attribute, &sum), E_FAIL);
    EXPECT_EQ(sum, 2048) << "the first piece was summed";
    EXPECT_EQ(doc->ComputeChecksum(nullptr, &sum), E_FAIL);
    EXPECT_EQ(sum, 0);
    EXPECT_EQ(doc->ComputeChecksum(&attribute, nullptr), E_FAIL);
}

} // namespace
} // namespace viewer::doc::document
