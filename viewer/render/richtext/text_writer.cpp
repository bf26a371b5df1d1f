#include "viewer/render/richtext/text_writer.h"

#include <algorithm>
#include <string_view>

namespace viewer::render::richtext {

namespace {

class TextWriter {
  public:
    explicit TextWriter(const Document& doc) : m_doc(doc) {}

    std::string Write()
    {
        Blocks(m_doc.body);
        return std::move(m_out);
    }

    // What VisitBlocks calls.
    void OnParagraph(const richtext::Paragraph& paragraph)
    {
        Paragraph(paragraph);
        m_out.push_back('\n');
    }

    void OnTable(const richtext::Table& table) { Table(table); }

  private:
    void Blocks(Range range) { VisitBlocks(m_doc, range, *this); }

    void Paragraph(const richtext::Paragraph& paragraph)
    {
        if (paragraph.listText.count > 0) {
            m_out.append(m_doc.Text(paragraph.listText));
            m_out.push_back('\t');
        }
        for (const Run& run : m_doc.Runs(paragraph)) {
            if (run.kind == RunKind::Text && !m_doc.Format(run).hidden) {
                m_out.append(m_doc.Text(run));
            }
        }
    }

    // A cell that is one paragraph without a line break fits on a shared line.
    bool OneLine(const Cell& cell) const
    {
        const auto blocks = m_doc.Blocks(cell.blocks);
        if (blocks.size() > 1 || (blocks.size() == 1 && blocks[0].kind != BlockKind::Paragraph)) {
            return false;
        }
        if (blocks.empty()) {
            return true;
        }
        for (const Run& run : m_doc.Runs(m_doc.paragraphs[blocks[0].index])) {
            if (run.kind == RunKind::Text && m_doc.Text(run).find('\n') != std::string_view::npos) {
                return false;
            }
        }
        return true;
    }

    void Table(const richtext::Table& table)
    {
        for (const Row& row : m_doc.Rows(table)) {
            const auto cells = m_doc.Cells(row);
            const bool oneLine = std::all_of(cells.begin(), cells.end(), [&](const Cell& cell) {
                return cell.covered || OneLine(cell);
            });
            if (!oneLine) {
                for (const Cell& cell : cells) {
                    if (!cell.covered) {
                        Blocks(cell.blocks);
                    }
                }
                continue;
            }
            bool firstCell = true;
            for (const Cell& cell : cells) {
                if (cell.covered) {
                    continue;
                }
                if (!firstCell) {
                    m_out.push_back('\t');
                }
                firstCell = false;
                for (const Block& block : m_doc.Blocks(cell.blocks)) {
                    Paragraph(m_doc.paragraphs[block.index]);
                }
            }
            m_out.push_back('\n');
        }
    }

    const Document& m_doc;
    std::string m_out;
};

} // namespace

std::string WriteText(const Document& doc)
{
    return TextWriter(doc).Write();
}

} // namespace viewer::render::richtext
