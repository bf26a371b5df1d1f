// Element data access: byte ranges, writing and converting an element's bytes, and
// extracting the RTF body.
#include <gtest/gtest.h>

#include "platform/memory_stream.h"
#include "tests/support/test_files.h"
#include "tests/support/tnef_builder.h"
#include "tests/viewer/doc/document/document_fixture.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/document/envelon_doc.h"

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using namespace testing_support;
using platform::E_FAIL;
using platform::E_INVALIDARG;
using platform::S_OK;

namespace {

struct Range {
    std::uint64_t offset = 0;
    std::uint32_t count = 0;
};

Range RangeOf(CEnvelonDoc& doc, const ElementRef& element)
{
    Range range;
    EXPECT_EQ(doc.GetElementRange(&element, &range.offset, &range.count), S_OK);
    return range;
}

std::unique_ptr<ValueElement> Value(std::uint32_t tag, std::uint32_t layout, std::uint64_t position,
                                    std::uint32_t size, std::uint32_t kind = ELEM_VALUE)
{
    auto value = std::make_unique<ValueElement>(kind);
    value->m_tag = tag;
    value->m_layout = layout;
    value->m_position = position;
    value->m_size = size;
    return value;
}

// Records the pieces a converter receives and writes them through.
struct PieceLog {
    std::vector<std::uint32_t> lengths;
};

StatusCode LogPieces(const std::uint8_t* piece, std::uint32_t length, platform::IStream* output,
                     void* context)
{
    static_cast<PieceLog*>(context)->lengths.push_back(length);
    return output->Write(piece, length, nullptr);
}

class DataAccess : public DocumentTest {
protected:
    void Attach(const ByteVector& bytes) { m_doc.AttachStream(platform::CreateMemoryStream(bytes), "x.dat"); }

    CEnvelonDoc m_doc;
};

} // namespace

TEST_F(DataAccess, RangesFollowTheElementKind)
{
    Attach(Pattern(200));
    HeaderElement header;
    header.m_signature = 0; // whatever the signature
    EXPECT_EQ(RangeOf(m_doc, header).offset, 0u);
    EXPECT_EQ(RangeOf(m_doc, header).count, 6u);

    AttributeElement record(ELEM_ATTRIBUTE);
    record.m_position = 6;
    record.m_length = 10;
    EXPECT_EQ(RangeOf(m_doc, record).offset, 6u);
    EXPECT_EQ(RangeOf(m_doc, record).count, 21u);
    AttributeElement decoded(ELEM_ATTRIBUTE_DATA);
    ASSERT_TRUE(record.CopyTo(&record)); // a record copies onto its own kind only
    decoded.m_position = 6;
    decoded.m_length = 10;
    EXPECT_EQ(RangeOf(m_doc, decoded).offset, 15u);
    EXPECT_EQ(RangeOf(m_doc, decoded).count, 10u);

    auto object = Value(0x3701000D, kLayoutObject, 100, 30, ELEM_OLE_OBJECT);
    EXPECT_EQ(RangeOf(m_doc, *object).offset, 120u);
    EXPECT_EQ(RangeOf(m_doc, *object).count, 14u);
    auto number = Value(0x0E070003, kLayoutFixed, 100, 4);
    EXPECT_EQ(RangeOf(m_doc, *number).offset, 100u);
    EXPECT_EQ(RangeOf(m_doc, *number).count, 4u);
    auto text = Value(0x0037001E, kLayoutCounted, 100, 7);
    EXPECT_EQ(RangeOf(m_doc, *text).offset, 104u);
}

TEST_F(DataAccess, ElementsWithoutRangeAndMissingArgumentsAreRefused)
{
    Attach(Pattern(10));
    std::uint64_t offset = 0;
    std::uint32_t count = 0;
    for (std::uint32_t kind : {ELEM_RECIPIENT_TABLE, ELEM_PROPERTY_LIST, ELEM_PROPERTY, ELEM_FOLDER}) {
        auto element = CreateElement(kind);
        EXPECT_EQ(m_doc.GetElementRange(element.get(), &offset, &count), E_FAIL) << kind;
        EXPECT_EQ(m_doc.WriteElementData(element.get(), (TempDir() + "never").c_str()), E_FAIL);
    }
    EXPECT_FALSE(FileExists(TempDir() + "never"));
    HeaderElement header;
    EXPECT_EQ(m_doc.GetElementRange(nullptr, &offset, &count), E_INVALIDARG);
    EXPECT_EQ(m_doc.GetElementRange(&header, nullptr, &count), E_INVALIDARG);
    // A record whose length makes the whole-record count negative has no range.
    AttributeElement huge(ELEM_ATTRIBUTE);
    huge.m_length = 0x7FFFFFF8;
    EXPECT_EQ(m_doc.GetElementRange(&huge, &offset, &count), E_FAIL);
    auto shortObject = Value(0x3701000D, kLayoutObject, 0, 15);
    EXPECT_EQ(m_doc.GetElementRange(shortObject.get(), &offset, &count), E_FAIL);
}

TEST_F(DataAccess, ConverterSeesOnlyTheElementsBytesInPiecesOf32768)
{
    Attach(Pattern(70100));
    AttributeElement data(ELEM_ATTACH_DATA);
    data.m_position = 0;
    data.m_length = 70000; // data at 9 .. 70009, the stream goes on beyond
    PieceLog log;
    const std::string out = TempDir() + "converted";
    ASSERT_EQ(m_doc.ConvertElementData(&data, out.c_str(), LogPieces, &log), S_OK);
    EXPECT_EQ(log.lengths, (std::vector<std::uint32_t>{32768, 32768, 4464}));
    const ByteVector all = Pattern(70100);
    EXPECT_EQ(ReadFile(out), ByteVector(all.begin() + 9, all.begin() + 70009));
}

TEST_F(DataAccess, ConverterFailsAtAPieceCutByTheEndOfTheStream)
{
    Attach(Pattern(40000));
    AttributeElement data(ELEM_ATTACH_DATA);
    data.m_length = 70000;
    PieceLog log;
    EXPECT_EQ(m_doc.ConvertElementData(&data, (TempDir() + "cut").c_str(), LogPieces, &log), E_FAIL);
    EXPECT_EQ(log.lengths, (std::vector<std::uint32_t>{32768}));
}

TEST_F(DataAccess, WritingOverALongerFileLeavesNoOldTail)
{
    Attach(Pattern(100));
    const std::string out = TempDir() + "saved.bin";
    WriteFile(out, std::string(5000, 'x'));
    auto value = Value(0x37010102, kLayoutCounted, 10, 50, ELEM_ATTACH_DATA_BIN);
    ASSERT_EQ(m_doc.WriteElementData(value.get(), out.c_str()), S_OK);
    const ByteVector all = Pattern(100);
    EXPECT_EQ(ReadFile(out), ByteVector(all.begin() + 14, all.begin() + 64));
}

TEST_F(DataAccess, LargeValuesAreWrittenWholeFromTheStream)
{
    const ByteVector big = Pattern(5000, 7);
    const ByteVector stream =
        TnefBuilder().Header().MessageProperties(PropertyList().Binary(0x37010102, big)).Bytes();
    Attach(stream);
    AttributeElement record(ELEM_ATTRIBUTE);
    ASSERT_EQ(m_doc.ReadFirstAttribute(&record), S_OK);
    ListElement list(ELEM_PROPERTY_LIST);
    ASSERT_EQ(m_doc.ReadPropertyListHeader(&record, &list), S_OK);
    PropertyElement property;
    ASSERT_EQ(m_doc.ReadProperty(&property), S_OK);
    ValueElement value;
    ASSERT_EQ(m_doc.ReadValue(&property, &value), S_OK);
    EXPECT_EQ(value.Data(), nullptr); // too large to keep
    const std::string out = TempDir() + "big.bin";
    ASSERT_EQ(m_doc.WriteElementData(&value, out.c_str()), S_OK);
    EXPECT_EQ(ReadFile(out), big);
}

TEST_F(DataAccess, RtfBodyIsInflatedIntoTheFileWithNothingLeftBehind)
{
    // A stored-uncompressed body: header with "MELA", then the text itself.
    const std::string text = "{\\rtf1 Hello}";
    ByteVector value = {0, 0, 0, 0, 0, 0, 0, 0, 'M', 'E', 'L', 'A', 0, 0, 0, 0};
    const auto size = static_cast<std::uint32_t>(text.size() + 12);
    value[0] = static_cast<std::uint8_t>(size);
    value[4] = static_cast<std::uint8_t>(text.size());
    for (char c : text) {
        value.push_back(static_cast<std::uint8_t>(c));
    }
    Attach(TnefBuilder().Header().MessageProperties(PropertyList().Binary(0x10090102, value)).Bytes());
    auto body = Value(0x10090102, kLayoutCounted, 6 + 9 + 4 + 4 + 4, static_cast<std::uint32_t>(value.size()),
                      ELEM_COMPRESSED_RTF);

    const auto before = TempFolderEntries();
    const std::string out = Scratch() + "body.rtf";
    WriteFile(out, std::string(300, 'x'));
    ASSERT_EQ(m_doc.ExtractRtfBody(body.get(), out.c_str()), S_OK);
    EXPECT_EQ(ReadFile(out), ByteVector(text.begin(), text.end()));
    EXPECT_EQ(TempFolderEntries(), before);
}

TEST_F(DataAccess, DamagedRtfBodyFailsWithoutLeftovers)
{
    ByteVector value = {40, 0, 0, 0, 100, 0, 0, 0, 'L', 'Z', 'F', 'u', 1, 2, 3, 4, 0x00, 'a', 'b'};
    Attach(TnefBuilder().Header().MessageProperties(PropertyList().Binary(0x10090102, value)).Bytes());
    auto body = Value(0x10090102, kLayoutCounted, 6 + 9 + 4 + 4 + 4, static_cast<std::uint32_t>(value.size()),
                      ELEM_COMPRESSED_RTF);
    const auto before = TempFolderEntries();
    const std::string out = Scratch() + "damaged.rtf";
    EXPECT_TRUE(platform::Failed(m_doc.ExtractRtfBody(body.get(), out.c_str())));
    EXPECT_TRUE(FileExists(out));
    EXPECT_EQ(TempFolderEntries(), before);

    auto plain = Value(0x10090102, kLayoutCounted, 0, 10);
    EXPECT_EQ(m_doc.ExtractRtfBody(plain.get(), (Scratch() + "never.rtf").c_str()), E_INVALIDARG);
    EXPECT_FALSE(FileExists(Scratch() + "never.rtf"));
}

TEST_F(DataAccess, ProgressSeesTheCopyAndCanStopIt)
{
    Attach(Pattern(100));
    const std::string out = TempDir() + "progress.bin";
    auto value = Value(0x37010102, kLayoutCounted, 10, 50, ELEM_ATTACH_DATA_BIN);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
    const auto record = [&calls](bool goOn) {
        return [&calls, goOn](std::uint64_t done, std::uint64_t total) {
            calls.emplace_back(done, total);
            return goOn;
        };
    };
    ASSERT_EQ(m_doc.WriteElementData(value.get(), out.c_str(), record(true)), S_OK);
    EXPECT_EQ(calls, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{50, 50}}));
    EXPECT_EQ(m_doc.WriteElementData(value.get(), out.c_str(), record(false)),
              platform::E_CANCELLED);
    PieceLog log;
    EXPECT_EQ(m_doc.ConvertElementData(value.get(), out.c_str(), LogPieces, &log, record(false)),
              S_OK)
        << "a copy shorter than one chunk is not asked";
}
