// RowFile: the private file behind a hex or text pane, and its rows as a person sees them.
//
// An element's bytes (hex) or its rows of text (text) are written once into a temporary file
// of the pane's own; the pane then reads only the rows it shows, so an attachment of any size
// never sits in memory. The file loses its name as soon as it is open: nothing is left behind
// whatever ends the process, and closing it deletes it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/status.h"
#include "platform/text.h"
#include "viewer/doc/panes/hex_text_rows.h"

namespace viewer::doc::document {
class CEnvelonDoc;
} // namespace viewer::doc::document

namespace viewer::doc::model {
class ElementRef;
} // namespace viewer::doc::model

namespace viewer::doc::panes {

enum class RowKind { Hex, Text };

// Whether the hex and text panes show an element of this kind: the header, attribute
// records, attribute data and property values. Other elements have no bytes of their own.
bool ShowsRawData(std::uint32_t elementKind);

class RowFile {
public:
    explicit RowFile(RowKind kind) : m_kind(kind) {}

    RowKind Kind() const { return m_kind; }
    std::uint32_t RowBytes() const { return m_kind == RowKind::Hex ? kHexRowBytes : kTextRowBytes; }

    // Releases the current file, then writes the element's rows into a new temporary file
    // through the document: its bytes (hex), or its text converted to rows, 8-bit or UTF-16
    // by the element's text encoding and shown in the document's code page (text). The copy
    // reports to `progress`. On failure, a cancel included, no file is left and the RowFile
    // stays empty.
    [[nodiscard]] platform::StatusCode Load(document::CEnvelonDoc& document,
                                            const model::ElementRef* element,
                                            const platform::CopyProgress& progress = {});

    // Takes a file already in row form, open for reading (tests and benchmarks hand the panes
    // files they made themselves). Its name, if it still has one, is the caller's.
    void Adopt(platform::UniqueFd file, TextRowEncoding encoding = TextRowEncoding::EightBit,
               std::uint32_t codePage = platform::kDefaultCodePage);

    // Moves the other's file here, leaving the other empty; nothing is written or deleted.
    void TakeOver(RowFile& previous);

    // Closes the file, which deletes it.
    void Release();

    bool HasFile() const { return m_fd.Valid(); }
    // The file's size when it was opened.
    std::uint64_t Size() const { return m_size; }
    std::uint64_t RowCount() const;

    // The rows from `first` on, at most `count` of them and none past the last, read with one
    // read: hex rows as FormatHexRow makes them, text rows as TextRowForDisplay makes them
    // with their formatting characters escaped. Rows that cannot be read show as hex rows
    // without bytes or as empty text rows.
    std::vector<std::string> Rows(std::uint64_t first, std::size_t count) const;

private:
    RowKind m_kind;
    platform::UniqueFd m_fd;
    std::uint64_t m_size = 0;
    TextRowEncoding m_encoding = TextRowEncoding::EightBit;
    std::uint32_t m_codePage = platform::kDefaultCodePage;
};

} // namespace viewer::doc::panes
