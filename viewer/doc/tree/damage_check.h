// A careful reading of a whole stream for everything wrong with it: what the tree's walk
// meets (a wrong signature, records and lists cut short or reaching past their end, trailing
// bytes), stored checksums that do not match their data, compressed RTF that does not
// inflate or whose CRC does not match, and the same for every embedded message, whose
// findings carry offsets in the outer stream. pallion-cli's check lists the result; the
// desktop can show it beside the tree.
#pragma once

#include "dictionary/include/tagora.h"
#include "viewer/doc/model/damage.h"

namespace viewer::doc::document {
class CEnvelonDoc;
} // namespace viewer::doc::document

namespace viewer::doc::tree {

// Embedded messages inside embedded messages are checked this deep; deeper ones get a note.
inline constexpr unsigned kMaxCheckedNesting = 8;

// Reads the document's stream from its start. Property captions in messages come from
// `dictionary` (null: tag numbers).
model::DamageReport CheckDocument(document::CEnvelonDoc& document, TagoraHandle dictionary);

} // namespace viewer::doc::tree
