// The rows of one element as the hex and text panes show them, read from the first to the
// last: the element's rows are written to a private temporary file as the panes write
// theirs, and read back a batch at a time, so that memory stays the same whatever the
// element's size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/status.h"
#include "viewer/doc/panes/row_file.h"

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

    // The next row as RowFile::Rows gives it; false after the last row.
    bool Next(std::string* row);

private:
    [[nodiscard]] platform::StatusCode Open(RowKind kind, document::CEnvelonDoc& document,
                                            const model::ElementRef* element);

    RowFile m_file{RowKind::Hex};
    std::uint64_t m_next = 0;
    std::vector<std::string> m_batch;
    std::size_t m_pos = 0;
};

} // namespace viewer::doc::panes
