// The bodies a message stores, read out of its document: what the forms of a mail body (the
// RTF, a web page, plain text) are made from, for pallion-cli's body command and for Save
// Mail Body to Disk's extra entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/status.h"
#include "viewer/render/body/body_forms.h"

namespace viewer::doc::document {
class CEnvelonDoc;
} // namespace viewer::doc::document

namespace viewer::doc::tree {
class MemoryTree;
class TreeIndex;
} // namespace viewer::doc::tree

namespace viewer::doc::frame {

// A form is made in memory: a body larger than this is refused with E_OUTOFMEMORY.
inline constexpr std::size_t kMaxStoredBodyBytes = std::size_t{256} << 20;

struct StoredBodies {
    std::vector<std::uint8_t> rtf;   // PR_RTF_COMPRESSED, inflated
    std::vector<std::uint8_t> html;  // PR_BODY_HTML in any of its three types
    std::vector<std::uint8_t> plain; // PR_BODY, else attBody
    render::body::MailBodies about;  // everything but the bytes: kinds, code pages, shown body

    // The bodies with their bytes, valid while this object is unchanged.
    render::body::MailBodies View() const;
};

// Reads every body of the message the tree shows. A damaged RTF body fails with the
// inflation's status (0x8004011B a corrupt header, 0x80004004 damaged or cut short).
[[nodiscard]] platform::StatusCode ReadStoredBodies(document::CEnvelonDoc& document,
                                                    const tree::MemoryTree& tree,
                                                    const tree::TreeIndex& index,
                                                    StoredBodies* bodies);

// The body in `form` (RenderBody); MAPI_E_NOT_FOUND when the message has no body for it.
[[nodiscard]] platform::StatusCode RenderStoredBody(document::CEnvelonDoc& document,
                                                    const tree::MemoryTree& tree,
                                                    const tree::TreeIndex& index,
                                                    render::body::BodyForm form, std::string* text);

} // namespace viewer::doc::frame
