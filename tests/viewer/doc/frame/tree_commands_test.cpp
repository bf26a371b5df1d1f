// The window's commands and the panes' row files over a real document and the file stream
// server: Calculate Checksum on raw records, Save Mail Body by the body found, the text
// pane's rows of a long UTF-16 value, the hex rows of a written element.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/memory_stream.h"
#include "tests/support/test_files.h"
#include "tests/support/tnef_builder.h"
#include "tests/viewer/doc/document/document_fixture.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/frame/commands.h"
#include "viewer/doc/frame/tool_commands.h"
#include "viewer/doc/panes/hex_text_rows.h"
#include "viewer/doc/tree/tree_builder.h"

namespace viewer::doc::frame {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using namespace viewer::doc::panes;
using namespace viewer::doc::tree;

namespace {

using testing_support::ByteVector;
using testing_support::BytesOf;
using testing_support::PropertyList;
using testing_support::TnefBuilder;

class TreeCommands : public testing_support::DocumentTest {
protected:
    void Open(const ByteVector& bytes, bool raw = false)
    {
        m_doc.AttachStream(platform::CreateMemoryStream(bytes), "/in/winmail.dat");
        m_doc.SetRawView(raw);
        m_tree.Build(m_doc, nullptr);
    }
    const MemoryTree& Tree() const { return m_tree.GetTree(); }
    NodeId Top(std::size_t i) const { return Tree().Children(Tree().Root()).at(i); }

    CEnvelonDoc m_doc;
    DocumentTree m_tree;
};

TEST_F(TreeCommands, ChecksumOfRawRecords)
{
    Open(TnefBuilder()
             .Header()
             .Attribute(LVL_MESSAGE, attSubject, {0xFF, 0x01, 0x00}, 256)
             .Attribute(LVL_MESSAGE, attMessageClass, BytesOf("IPM"), 7)
             .Bytes(),
         true);
    const auto records = Tree().Children(Top(1));
    ASSERT_EQ(records.size(), 2u);

    CalculateChecksum(m_doc, Tree().Element(records[0]), m_sink);
    CalculateChecksum(m_doc, Tree().Element(records[1]), m_sink);
    // The decoded node allows no checksum: nothing is shown.
    CalculateChecksum(m_doc, Tree().Element(Tree().FirstChild(records[0])), m_sink);
    ASSERT_EQ(m_sink.Messages().size(), 2u);
    EXPECT_EQ(m_sink.Messages()[0].text, "Checksum OK. Computed value: 256");
    EXPECT_EQ(m_sink.Messages()[0].icon, MessageIcon::Information);
    EXPECT_EQ(m_sink.Messages()[1].text, "Checksum failed. Computed value: 230");
    EXPECT_EQ(m_sink.Messages()[1].icon, MessageIcon::Error);
}

TEST_F(TreeCommands, SaveMailBodyWritesTheBodyAsStored)
{
    Open(TnefBuilder()
             .Header()
             .MessageAttribute(attBody, "plain text")
             .MessageProperties(PropertyList().Binary(PR_BODY_HTML, BytesOf("<p>html</p>")))
             .Bytes());
    const MailBody body = m_tree.Index().FindMailBody();
    ASSERT_EQ(body.kind, MailBodyKind::Html);
    const std::string path = testing_support::TempDir() + "body.html";
    ASSERT_EQ(SaveMailBody(m_doc, body, path), platform::S_OK);
    EXPECT_EQ(testing_support::ReadFile(path), BytesOf("<p>html</p>"));

    // The same body is found whatever node the right pane shows.
    CommandContext context;
    context.hasRightView = true;
    context.element = Tree().Element(Top(0));
    context.mailBody = body.element;
    EXPECT_TRUE(QueryCommandState(ID_TOOLS_SAVE_BODY, context).enabled);
}

TEST_F(TreeCommands, TextRowsOfALongUtf16ValueKeepCharactersWhole)
{
    // 16383 letters put the emoji's surrogate pair across the first 32768-byte piece.
    std::u16string text(16383, u'a');
    text += u"\U0001F600\nnext line";
    Open(TnefBuilder()
             .Header()
             .MessageProperties(PropertyList().Unicode(PROP_TAG(PT_UNICODE, 0x1000), text))
             .Bytes());
    const NodeId properties = Tree().Children(Top(1)).at(0);
    const ElementRef* value = Tree().Element(Tree().FirstChild(Tree().Children(properties).at(0)));
    ASSERT_NE(value, nullptr);
    ASSERT_EQ(value->m_textEncoding, TEXT_UNICODE);

    const std::string path = testing_support::TempDir() + "rows";
    TextRowContext context;
    ASSERT_EQ(m_doc.ConvertElementData(value, path.c_str(), UnicodeTextToRows, &context),
              platform::S_OK);
    const ByteVector file = testing_support::ReadFile(path);
    // 16383 letters, 4 bytes of emoji, padding to the row's end, "next line" and the
    // terminator shown as a space.
    const std::size_t firstLine = 16383 + 4;
    const std::size_t padded = (firstLine + 79) / 80 * 80;
    ASSERT_EQ(file.size(), padded + 10);
    const std::string rows(file.begin(), file.end());
    EXPECT_EQ(rows.substr(16383, 4), "\xF0\x9F\x98\x80");
    EXPECT_EQ(rows.substr(padded), "next line ");
    const std::size_t emojiRow = 16383 / 80;
    const std::string shown =
        TextRowForDisplay(rows.substr(emojiRow * 80, 80), rows.substr(emojiRow * 80 + 80, 3),
                          TextRowEncoding::Utf8, m_doc.CodePage());
    EXPECT_EQ(shown, std::string(16383 - emojiRow * 80, 'a') + "\xF0\x9F\x98\x80");
}

TEST_F(TreeCommands, HexRowsOfAWrittenElement)
{
    Open(TnefBuilder()
             .Header()
             .StartAttachment()
             .AttachmentAttribute(attAttachTitle, "seventeen.bin")
             .AttachmentAttribute(attAttachData, BytesOf("ABCDEFGHIJKLMNOPQ"))
             .Bytes());
    const ElementRef* data = Tree().Element(Top(1)); // the group shows the attachment data
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->m_name, "seventeen.bin");
    const SaveDialogPlan plan = PlanSaveData(data->m_name);
    EXPECT_EQ(plan.defaultExtension, ".bin");

    const std::string path = testing_support::TempDir() + "hex";
    ASSERT_EQ(m_doc.WriteElementData(data, path.c_str()), platform::S_OK);
    const ByteVector bytes = testing_support::ReadFile(path);
    ASSERT_EQ(bytes.size(), 17u);
    EXPECT_EQ(FormatHexRow(1, bytes.data() + 16, 1).substr(0, 14), "00000010    51");
    EXPECT_EQ(FormatHexRow(1, bytes.data() + 16, 1).substr(65), "Q");
}

} // namespace
} // namespace viewer::doc::frame
