// Any bytes as a document: the tree built and decorated in normal and in raw view (under
// small limits), every node's details rows, every caption checked to be valid UTF-8 without
// raw control characters, every element name made into a file name and an extension, and
// the bytes themselves through the hex rows and both text converters and their display, and
// read back from the panes' row files in ranges that run over the end.
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "platform/memory_stream.h"
#include "platform/text_safety.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/frame/tool_commands.h"
#include "viewer/doc/panes/details_rows.h"
#include "viewer/doc/panes/hex_text_rows.h"
#include "viewer/doc/panes/row_file.h"
#include "viewer/doc/tree/tree_builder.h"

namespace {

using namespace viewer::doc::document;
using namespace viewer::doc::frame;
using namespace viewer::doc::model;
using namespace viewer::doc::panes;
using namespace viewer::doc::tree;

// Valid UTF-8 with no control character: what a caption, a cell or a row may hold.
void CheckShown(const std::string& text)
{
    if (!platform::IsValidUtf8(text)) {
        __builtin_trap();
    }
    for (std::size_t i = 0; i < text.size();) {
        if (platform::IsControlCharacter(platform::NextUtf8Char(text, i))) {
            __builtin_trap();
        }
    }
}

void Visit(const MemoryTree& tree, NodeId node, std::uint32_t codePage)
{
    for (NodeId child = tree.FirstChild(node); child != kNoNode; child = tree.NextSibling(child)) {
        CheckShown(tree.Caption(child));
        const ElementRef* element = tree.Element(child);
        const DetailsTable table = BuildDetailsTable(element, nullptr, codePage);
        for (const auto& row : table.rows) {
            if (row.size() != table.columns.size()) {
                __builtin_trap();
            }
            for (const std::string& cell : row) {
                CheckShown(cell);
            }
        }
        if (element && !element->m_name.empty()) {
            const std::string name = platform::SafeFileName(element->m_name);
            if (name.find('/') != std::string::npos || name.size() > 255) {
                __builtin_trap();
            }
            static_cast<void>(PlanSaveData(element->m_name));
        }
        Visit(tree, child, codePage);
    }
}

// `bytes` as a pane's row file, read seven rows at a time from every third row on: each row
// shown as a pane shows it, none past the last, and no hidden formatting left unescaped.
void ReadRowFile(RowKind kind, const std::uint8_t* bytes, std::size_t size,
                 TextRowEncoding encoding)
{
    platform::UniqueFd file(::memfd_create("rows", MFD_CLOEXEC));
    if (!file.Valid() || platform::Failed(platform::WriteAll(file.Get(), bytes, size))) {
        return;
    }
    RowFile rows(kind);
    rows.Adopt(std::move(file), encoding, 1252);
    for (std::uint64_t first = 0; first <= rows.RowCount(); first += 3) {
        const std::vector<std::string> read = rows.Rows(first, 7);
        if (read.size() != std::min<std::uint64_t>(7, rows.RowCount() - first)) {
            __builtin_trap();
        }
        for (const std::string& row : read) {
            CheckShown(row);
            for (std::size_t i = 0; i < row.size();) {
                if (platform::IsHiddenFormatting(platform::NextUtf8Char(row, i))) {
                    __builtin_trap();
                }
            }
        }
    }
}

// The dictionary, opened once: captions then come from names, as in the application.
TagoraHandle Dictionary()
{
    static TagoraHandle dictionary = [] {
        TagoraHandle handle = nullptr;
        TagoraInit(&handle);
        return handle;
    }();
    return dictionary;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> bytes(data, data + size);
    TreeLimits limits;
    limits.maxNodes = 200000;
    limits.maxBytes = 64u << 20;
    for (bool raw : {false, true}) {
        CEnvelonDoc doc;
        doc.AttachStream(platform::CreateMemoryStream(bytes), "fuzz.dat");
        doc.SetRawView(raw);
        DocumentTree tree;
        tree.Build(doc, raw ? nullptr : Dictionary(), limits);
        Visit(tree.GetTree(), tree.GetTree().Root(), doc.CodePage());
        static_cast<void>(tree.Index().FindMailBody());
    }

    for (std::size_t at = 0; at < size; at += kHexRowBytes) {
        const std::size_t count = size - at < kHexRowBytes ? size - at : kHexRowBytes;
        CheckShown(FormatHexRow(static_cast<std::uint32_t>(at / kHexRowBytes), data + at, count));
    }
    const std::size_t half = size / 2;
    for (ElementConverter converter : {AnsiTextToRows, UnicodeTextToRows}) {
        auto output = platform::MemoryStream::Create();
        TextRowContext context;
        if (platform::Failed(converter(data, static_cast<std::uint32_t>(half), output.Get(), &context)) ||
            platform::Failed(converter(data + half, static_cast<std::uint32_t>(size - half), output.Get(), &context))) {
            __builtin_trap();
        }
        const std::vector<std::uint8_t>& rows = output->Bytes();
        const bool eightBit = converter == AnsiTextToRows;
        for (std::size_t at = 0; at < rows.size(); at += kTextRowBytes) {
            const std::size_t end = std::min(rows.size(), at + kTextRowBytes);
            const std::string row(rows.begin() + static_cast<std::ptrdiff_t>(at),
                                  rows.begin() + static_cast<std::ptrdiff_t>(end));
            const std::string following(rows.begin() + static_cast<std::ptrdiff_t>(end),
                                        rows.begin() + static_cast<std::ptrdiff_t>(std::min(rows.size(), end + 3)));
            CheckShown(TextRowForDisplay(row, following,
                                         eightBit ? TextRowEncoding::EightBit : TextRowEncoding::Utf8,
                                         1252));
        }
        ReadRowFile(RowKind::Text, rows.data(), rows.size(),
                    eightBit ? TextRowEncoding::EightBit : TextRowEncoding::Utf8);
    }
    ReadRowFile(RowKind::Hex, data, size, TextRowEncoding::EightBit);
    return 0;
}
