// The panes' row file: an element's rows as the panes read them, any range at a time, and
// no file left behind by a load that is cancelled or fails.
#include "viewer/doc/panes/row_file.h"

#include <dirent.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/memory_stream.h"
#include "tests/viewer/doc/document/document_fixture.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element.h"

namespace viewer::doc::panes {
namespace {

using namespace viewer::doc::document;
using namespace viewer::doc::model;

// The attribute data `data` after a record's 9-byte head, as an ELEM_ATTRIBUTE_DATA element.
class AttributeDocument {
public:
    explicit AttributeDocument(const std::string& data) : m_element(ELEM_ATTRIBUTE_DATA)
    {
        std::vector<std::uint8_t> bytes(9, 0);
        bytes.insert(bytes.end(), data.begin(), data.end());
        m_document.AttachStream(platform::CreateMemoryStream(bytes), "rows.tnef");
        m_document.SetCodePage(65001);
        m_element.m_length = static_cast<std::uint32_t>(data.size());
    }

    CEnvelonDoc& Document() { return m_document; }
    const ElementRef* Element() const { return &m_element; }

private:
    CEnvelonDoc m_document;
    AttributeElement m_element;
};

// The names in the process's private temporary folder.
std::vector<std::string> PrivateTempFiles()
{
    std::string probe;
    platform::UniqueFd fd;
    EXPECT_EQ(platform::CreateUniqueTempFile("tnf", &probe, &fd), platform::S_OK);
    ::unlink(probe.c_str());
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(probe.substr(0, probe.rfind('/')).c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.') {
                names.emplace_back(entry->d_name);
            }
        }
        ::closedir(dir);
    }
    return names;
}

// Documents write through the file stream server, which the fixture registers.
class RowFiles : public testing_support::DocumentTest {};

TEST_F(RowFiles, ReadsAnyRangeOfALoadedElementsRows)
{
    const std::string data = "line one\nx\xE2\x80\xAEy and then some";
    AttributeDocument source(data);

    RowFile text(RowKind::Text);
    ASSERT_EQ(text.Load(source.Document(), source.Element()), platform::S_OK);
    EXPECT_EQ(text.RowCount(), 2u);
    // Direction changes are shown, never obeyed.
    EXPECT_EQ(text.Rows(0, 10),
              (std::vector<std::string>{"line one", "x\\u{202E}y and then some"}));
    EXPECT_EQ(text.Rows(1, 1), (std::vector<std::string>{"x\\u{202E}y and then some"}));
    EXPECT_TRUE(text.Rows(2, 1).empty());

    RowFile hex(RowKind::Hex);
    ASSERT_EQ(hex.Load(source.Document(), source.Element()), platform::S_OK);
    ASSERT_EQ(hex.RowCount(), 2u);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
    EXPECT_EQ(hex.Rows(1, 5),
              (std::vector<std::string>{FormatHexRow(1, bytes + 16, data.size() - 16)}));

    // A file taken over is the same file: the pane it came from holds nothing.
    RowFile next(RowKind::Hex);
    next.TakeOver(hex);
    EXPECT_FALSE(hex.HasFile());
    EXPECT_EQ(hex.RowCount(), 0u);
    EXPECT_EQ(next.Rows(0, 1), (std::vector<std::string>{FormatHexRow(0, bytes, 16)}));
}

TEST_F(RowFiles, CancelledOrFailedLoadLeavesNoFile)
{
    AttributeDocument source(std::string(1000, 'a'));
    const std::vector<std::string> before = PrivateTempFiles();

    RowFile rows(RowKind::Hex);
    ASSERT_EQ(rows.Load(source.Document(), source.Element()), platform::S_OK);
    EXPECT_EQ(rows.Load(source.Document(), source.Element(),
                        [](std::uint64_t, std::uint64_t) { return false; }),
              platform::E_CANCELLED);
    EXPECT_FALSE(rows.HasFile());
    EXPECT_EQ(rows.RowCount(), 0u);
    EXPECT_EQ(PrivateTempFiles(), before);

    source.Document().ReleaseContents();
    EXPECT_EQ(rows.Load(source.Document(), source.Element()), platform::E_UNEXPECTED);
    EXPECT_FALSE(rows.HasFile());
    EXPECT_EQ(PrivateTempFiles(), before);
}

} // namespace
} // namespace viewer::doc::panes
