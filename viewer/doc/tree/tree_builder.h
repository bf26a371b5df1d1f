// Building the tree of a document's TNEF stream and decorating it so that it reads like
// the mail: one walk in stream order with the document's reader, one node per piece (header,
// attribute groups, attributes, property lists, properties, values, recipient rows), then
// the message group takes the subject and shows the body, attachment groups take their file
// names and show their data, recipient rows take display names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "dictionary/include/tagora.h"
#include "platform/status.h"
#include "viewer/doc/model/damage.h"
#include "viewer/doc/tree/tree.h"
#include "viewer/doc/tree/tree_index.h"

namespace viewer::doc::document {
class CEnvelonDoc;
} // namespace viewer::doc::document

namespace viewer::doc::tree {

// Image indices of the tree's image list.
enum TreeImage : int {
    kImageEnvelope = 0,
    kImageTick = 1,
    kImageCross = 2,
    kImageOpenEnvelope = 3,
    kImagePaperClip = 4,
    kImageOleObject = 5,
    kImageBinary = 6,
    kImageRecord = 7,
    kImageList = 8,
    kImageTag = 9,
    kImagePerson = 10,
    kImagePeople = 11,
    kImageRtf = 12,
    kImageCalendar = 13,
};

// A stream can describe far more items than anyone can look at (a million zero-byte
// values cost four bytes each): the walk stops at these limits and says so in the tree.
inline constexpr std::size_t kMaxTreeNodes = 4'000'000;
inline constexpr std::uint64_t kMaxTreeBytes = 384ull << 20;

struct TreeLimits {
    std::size_t maxNodes = kMaxTreeNodes;
    std::uint64_t maxBytes = kMaxTreeBytes; // nodes, captions and what their elements hold
};

// The caption of the last node under the root when the walk stopped at a limit.
inline constexpr const char* kTreeCutCaption = "(tree cut short: too many items to show)";

struct BuildResult {
    NodeId root = kNoNode;
    bool decorated = false;
    bool cut = false;          // stopped at a limit; the cut node is the root's last child
    std::size_t nodes = 0;     // nodes made, the cut node excepted
    std::uint64_t bytes = 0;   // bytes counted against the budget
    // Where the walk met damage (a wrong signature, records or lists cut short or reaching
    // past their end, trailing bytes) and what it found unusual. A walk stopped at a limit
    // leaves the rest unread, not damaged.
    model::DamageReport damage;
};

// Builds and decorates the tree of `document` into `tree` (which should be empty) and
// sets up `index`. Captions of properties come from `dictionary` (null: tag numbers). Works
// out the message's code page into the document (SetCodePage). Damage never stops the build
// with a failure: a stream that cannot be read beyond some point gives the tree of what came
// before it, and the result's damage report says what was wrong there.
BuildResult BuildDocumentTree(document::CEnvelonDoc& document, Tree& tree, TreeIndex& index,
                              TagoraHandle dictionary, const TreeLimits& limits = {});

// Makes `target` designate a copy of `source`'s element (none when the source has none).
// When the copy fails the target keeps its element.
void LinkNodeElement(Tree& tree, NodeId source, NodeId target);

// The text of a node's element as the decoration reads it: attribute data up to its first
// zero byte, a value's short text; 8-bit text decoded with `codePage`. Empty for other
// kinds. Controls, bidirectional and zero-width formatting characters are left in; use
// CaptionText for display.
std::string ElementText(const model::ElementRef* element, std::uint32_t codePage);

// The tree, its index and the build's outcome, owned together: for the command-line tool,
// tests and benchmarks. The left pane keeps its own tree control and index the same way.
class DocumentTree {
public:
    BuildResult Build(document::CEnvelonDoc& document, TagoraHandle dictionary,
                      const TreeLimits& limits = {})
    {
        m_result = BuildDocumentTree(document, m_tree, m_index, dictionary, limits);
        return m_result;
    }
    MemoryTree& GetTree() { return m_tree; }
    const MemoryTree& GetTree() const { return m_tree; }
    const TreeIndex& Index() const { return m_index; }
    const BuildResult& Result() const { return m_result; }

private:
    MemoryTree m_tree;
    TreeIndex m_index;
    BuildResult m_result;
};

} // namespace viewer::doc::tree
