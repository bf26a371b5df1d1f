// Any bytes as an RTF body: the model must hold together (every index and range inside its
// vector, grids consistent, within its budget), and both writers must walk it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "viewer/render/richtext/html_writer.h"
#include "viewer/render/richtext/rtf_reader.h"
#include "viewer/render/richtext/text_writer.h"

namespace {

using namespace viewer::render::richtext;

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

template <typename T> void CheckRange(const std::vector<T>& items, Range range)
{
    Check(range.first <= items.size() && range.count <= items.size() - range.first);
}

void CheckModel(const Document& doc)
{
    CheckRange(doc.blocks, doc.body);
    for (const Block& block : doc.blocks) {
        Check(block.kind == BlockKind::Paragraph ? block.index < doc.paragraphs.size()
                                                 : block.index < doc.tables.size());
    }
    for (const Paragraph& paragraph : doc.paragraphs) {
        Check(paragraph.format < doc.paragraphFormats.size());
        CheckRange(doc.runs, paragraph.runs);
        Check(paragraph.listText.first <= doc.text.size() &&
              paragraph.listText.count <= doc.text.size() - paragraph.listText.first);
    }
    for (const Run& run : doc.runs) {
        Check(run.format < doc.charFormats.size());
        if (run.kind == RunKind::Picture) {
            Check(run.first < doc.pictures.size());
        } else {
            Check(run.first <= doc.text.size() && run.count <= doc.text.size() - run.first);
        }
    }
    for (const CharFormat& format : doc.charFormats) {
        Check(format.font == kNoFont || format.font < doc.fonts.size());
        Check(format.link == kNoLink || format.link < doc.links.size());
    }
    for (const Table& table : doc.tables) {
        CheckRange(doc.rows, table.rows);
        CheckRange(doc.columnEdges, table.columnEdges);
        Check(table.columnEdges.count == std::size_t{table.columns} + 1);
        for (const Row& row : doc.Rows(table)) {
            CheckRange(doc.cells, row.cells);
            for (const Cell& cell : doc.Cells(row)) {
                CheckRange(doc.blocks, cell.blocks);
                Check(cell.columnSpan >= 1 &&
                      std::size_t{cell.column} + cell.columnSpan <= table.columns);
            }
        }
    }
    for (const Picture& picture : doc.pictures) {
        const PictureSize size = DisplaySize(picture);
        Check(size.width >= 0 && size.width <= 22 * 1440 && size.height >= 0 &&
              size.height <= 22 * 1440);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Document doc = ReadRtf({data, size});
    CheckModel(doc);
    (void)WriteText(doc);
    HtmlOptions options;
    options.convertPicture = [](const Picture& picture) -> std::optional<EncodedImage> {
        return EncodedImage{"image/x-test", std::string(picture.data.begin(), picture.data.end())};
    };
    (void)WriteHtml(doc, options);
    return 0;
}
