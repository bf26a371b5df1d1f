// What the message gives the HTML pane: the attachment a cid: image names, by its content
// identifier before any content location, and its bytes within a bound.
#include "viewer/doc/tree/mail_bodies.h"

#include <gtest/gtest.h>

#include "format/mapi.h"
#include "platform/memory_stream.h"
#include "tests/support/test_files.h"
#include "tests/support/tnef_builder.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/tree/tree_builder.h"

namespace viewer::doc::tree {
namespace {

using namespace format;
using namespace testing_support;

class MailBodiesTest : public ::testing::Test {
protected:
    void Build(const ByteVector& bytes)
    {
        m_doc.AttachStream(platform::CreateMemoryStream(bytes), "/in/winmail.dat");
        m_tree.Build(m_doc, nullptr);
    }
    document::CEnvelonDoc m_doc;
    DocumentTree m_tree;
};

TEST_F(MailBodiesTest, FindsAnInlineImageByContentIdBeforeAnyLocation)
{
    const auto attachment = [](const PropertyList& names, const std::string& data) {
        return PropertyList(names)
            .Long(PR_ATTACH_METHOD, ATTACH_BY_VALUE)
            .Binary(PR_ATTACH_DATA_BIN, BytesOf(data));
    };
    Build(TnefBuilder()
              .Header()
              .MessageProperties(PropertyList().String8(PR_BODY_HTML_A, "<img src=cid:logo>"))
              .StartAttachment()
              .AttachmentProperties(
                  attachment(PropertyList().String8(PR_ATTACH_CONTENT_LOCATION, "logo"), "first"))
              .StartAttachment()
              .AttachmentProperties(attachment(
                  PropertyList().Unicode(CHANGE_PROP_TYPE(PR_ATTACH_CONTENT_ID, PT_UNICODE),
                                         u"<LOGO>"),
                  "second"))
              .StartAttachment()
              .AttachmentProperties(attachment(
                  PropertyList().String8(PR_ATTACH_CONTENT_LOCATION, "chart.png"), "third"))
              .Bytes());
    const auto bytesOf = [&](std::string_view id) {
        std::vector<std::uint8_t> bytes;
        const model::ElementRef* element = FindAttachmentByContentId(m_tree.Index(), id);
        if (element == nullptr || platform::Failed(ReadWholeElement(m_doc, element, 64, &bytes))) {
            return std::string("(none)");
        }
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(bytesOf("logo"), "second");
    EXPECT_EQ(bytesOf("chart.png"), "third");
    EXPECT_EQ(bytesOf("missing"), "(none)");

    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ReadWholeElement(m_doc, FindAttachmentByContentId(m_tree.Index(), "logo"), 5, &bytes),
              platform::E_OUTOFMEMORY);
}

} // namespace
} // namespace viewer::doc::tree
