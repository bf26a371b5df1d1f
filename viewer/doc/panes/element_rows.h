// The rows of one element as the hex and text panes show them, read from the first to the
// last: the element's bytes (hex) or its text rows (text) are written to a private temporary
// file as the panes write theirs, and read back a block at a time, so that memory stays the
// same whatever the element's size.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/status.h"
#include "viewer/doc/panes/hex_text_rows.h"

namespace viewer::doc::document {
class CEnvelonDoc;
} // namespace viewer::doc::document

namespace viewer::doc::model {
class ElementRef;
} // namespace viewer::doc::model

namespace viewer::doc::panes {

class ElementRows {
public:
    // Prepares the hex rows of the element's bytes.
    [[nodiscard]] platform::StatusCode OpenHex(document::CEnvelonDoc& document,
                                               const model::ElementRef* element);
    // Prepares the text rows of the element's text, 8-bit in the document's code page or
    // UTF-16 as the element's text encoding says.
    [[nodiscard]] platform::StatusCode OpenText(document::CEnvelonDoc& document,
                                                const model::ElementRef* element);

    // The next row as UTF-8 for display (FormatHexRow, TextRowForDisplay); false after the
    // last row.
    bool Next(std::string* row);

private:
    [[nodiscard]] platform::StatusCode Begin(std::uint32_t rowBytes);
    // Keeps at least `wanted` bytes after the read position when the file has them.
    void Fill(std::size_t wanted);

    platform::TempFile m_file;
    platform::UniqueFd m_fd;
    bool m_hex = true;
    TextRowEncoding m_encoding = TextRowEncoding::EightBit;
    std::uint32_t m_codePage = 0;
    std::uint32_t m_rowBytes = kHexRowBytes;
    std::uint32_t m_row = 0;
    std::string m_buffer;
    std::size_t m_pos = 0;
    bool m_end = false;
};

} // namespace viewer::doc::panes
