// What a message gives the HTML body pane beside the body: the HTML's charset hint, the
// attachment a cid: image names, and that attachment's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/status.h"
#include "viewer/doc/tree/tree_index.h"

namespace viewer::doc::document {
class CEnvelonDoc;
} // namespace viewer::doc::document

namespace viewer::doc::tree {

// A body larger than this (as stored, or inflated) is not shown: the panes hold it whole.
inline constexpr std::uint32_t kMaxShownBodyBytes = 64 * 1024 * 1024;

// The element's bytes in memory, for a pane that decodes them whole (a picture); an element
// of more than `maxBytes` bytes is refused with E_OUTOFMEMORY.
[[nodiscard]] platform::StatusCode ReadWholeElement(document::CEnvelonDoc& document,
                                                    const model::ElementRef* element,
                                                    std::size_t maxBytes,
                                                    std::vector<std::uint8_t>* bytes);

// PR_INTERNET_CPID of the message; 0 when absent.
[[nodiscard]] std::uint32_t InternetCodePage(const TreeIndex& index);

// The data element of the message's attachment whose PR_ATTACH_CONTENT_ID, else whose
// PR_ATTACH_CONTENT_LOCATION, is `id` (compared without '<' '>' and without regard to ASCII
// case); null when none is.
[[nodiscard]] const model::ElementRef* FindAttachmentByContentId(const TreeIndex& index,
                                                                 std::string_view id);

} // namespace viewer::doc::tree
