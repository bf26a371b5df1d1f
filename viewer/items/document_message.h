// The exporters' message out of an open document: the message group, recipient table and
// attachment groups of its built tree, with every value the tree keeps only in part read from
// the document's stream; or out of the embedded message an element of that tree designates.
// Works the same in normal and raw view, for TNEF streams, converted .msg files and the TNEF
// part of .eml mails alike, since all of them are a TNEF stream by then.
#pragma once

#include <cstdint>

#include "dictionary/include/tagora.h"
#include "platform/status.h"
#include "viewer/items/message.h"

namespace viewer::doc::document {
class CEnvelonDoc;
} // namespace viewer::doc::document

namespace viewer::doc::model {
class ElementRef;
} // namespace viewer::doc::model

namespace viewer::doc::tree {
class Tree;
class TreeIndex;
} // namespace viewer::doc::tree

namespace viewer::items {

// What one value may bring into the model: a longer text is cut there, a longer blob is
// left out (a contact picture has its own limit, kMaxPhotoBytes). All the values of a
// message together bring at most kMaxMessageBytes; the values beyond it are cut or left out
// as if they were longer.
inline constexpr std::uint32_t kMaxTextBytes = 4u << 20;
inline constexpr std::uint32_t kMaxBlobBytes = 1u << 20;
inline constexpr std::uint64_t kMaxMessageBytes = 16u << 20;

// The message of `document`, whose `tree` and `index` BuildDocumentTree made. What cannot
// be read is left out; the call fails only when the tree has no message group. Without
// `bodyText`, the text of an RTF or HTML body is not worked out.
[[nodiscard]] platform::StatusCode ReadDocumentMessage(doc::document::CEnvelonDoc& document,
                                                       const doc::tree::Tree& tree,
                                                       const doc::tree::TreeIndex& index,
                                                       Message& message, bool bodyText = true);

// The element is an embedded message (one that Open Attachment opens as a document).
[[nodiscard]] bool IsEmbeddedMessage(const doc::model::ElementRef* element);

// The message embedded in `element` of `document`: its bytes copied to a private temporary
// file, opened as a document of its own, its tree built (property captions from
// `dictionary`) and read as ReadDocumentMessage does. The file is gone on return.
[[nodiscard]] platform::StatusCode ReadEmbeddedMessage(doc::document::CEnvelonDoc& document,
                                                       const doc::model::ElementRef& element,
                                                       TagoraHandle dictionary, Message& message,
                                                       bool bodyText = true);

} // namespace viewer::items
