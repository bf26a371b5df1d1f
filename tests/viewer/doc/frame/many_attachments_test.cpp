// Extracting many attachments of one name: slow (it makes 10 000 files), so apart.
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/memory_stream.h"
#include "tests/support/test_files.h"
#include "tests/support/tnef_builder.h"
#include "tests/viewer/doc/document/document_fixture.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/frame/tool_commands.h"
#include "viewer/doc/tree/tree_builder.h"

namespace viewer::doc::frame {

using namespace viewer::doc::document;
using namespace viewer::doc::tree;
using namespace format;
using testing_support::BytesOf;
using testing_support::TnefBuilder;

class ManyAttachments : public testing_support::DocumentTest {
protected:
    CEnvelonDoc m_doc;
    DocumentTree m_tree;
};

// 10 000 attachments of one name, with three of its numbered names taken beforehand: each
// name is tried once, so the file-system calls grow with the attachments, not their square.
TEST_F(ManyAttachments, OfOneNameTryEachNameOnce)
{
    constexpr std::uint32_t kAttachments = 10000;
    TnefBuilder builder;
    builder.Header();
    for (std::uint32_t i = 0; i < kAttachments; ++i) {
        builder.StartAttachment().AttachmentAttribute(attAttachTitle, "a.txt").AttachmentAttribute(
            attAttachData, BytesOf("x"));
    }
    m_doc.AttachStream(platform::CreateMemoryStream(builder.Bytes()), "/in/winmail.dat");
    m_tree.Build(m_doc, nullptr);
    const std::string folder = testing_support::Scratch() + "many/";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    testing_support::WriteFile(folder + "a.txt", std::string("taken"));
    testing_support::WriteFile(folder + "a (3).txt", std::string("taken"));
    ASSERT_EQ(::symlink("nowhere", (folder + "a (5).txt").c_str()), 0);

    std::set<std::string> names;
    std::uint64_t tries = 0;
    FolderFailure failure = FolderFailure::None;
    ASSERT_EQ(ExtractAttachments(
                  m_doc, m_tree.GetTree(), m_tree.Index(), folder,
                  [&](const ExtractedAttachment& file) {
                      EXPECT_EQ(file.status, platform::S_OK) << file.name;
                      EXPECT_EQ(file.written, 1u);
                      names.insert(file.name);
                      tries += file.tries;
                  },
                  &failure),
              platform::S_OK);
    EXPECT_EQ(names.size(), kAttachments);
    EXPECT_EQ(tries, kAttachments + 3);
    EXPECT_EQ(names.count("a (2).txt") + names.count("a (10003).txt"), 2u);
    EXPECT_EQ(testing_support::ReadFile(folder + "a (3).txt"), BytesOf("taken"));
}

} // namespace viewer::doc::frame
