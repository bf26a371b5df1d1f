// The mail body of a message: which of its possible forms the tree found, and its element.
#pragma once

namespace viewer::doc::model {

class ElementRef;

// In the order they are looked for: the compressed RTF value, the HTML value (binary,
// 8-bit or UTF-16), the attBody attribute.
enum class MailBodyKind { None, CompressedRtf, Html, PlainText };

struct MailBody {
    MailBodyKind kind = MailBodyKind::None;
    ElementRef* element = nullptr; // owned by the tree
};

} // namespace viewer::doc::model
