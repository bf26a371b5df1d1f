#include "viewer/doc/panes/element_rows.h"

namespace viewer::doc::panes {

using platform::StatusCode;

namespace {

constexpr std::size_t kBatchRows = 1024;

} // namespace

StatusCode ElementRows::Open(RowKind kind, document::CEnvelonDoc& document,
                             const model::ElementRef* element)
{
    m_file = RowFile(kind);
    m_next = 0;
    m_batch.clear();
    m_pos = 0;
    return m_file.Load(document, element);
}

StatusCode ElementRows::OpenHex(document::CEnvelonDoc& document, const model::ElementRef* element)
{
    return Open(RowKind::Hex, document, element);
}

StatusCode ElementRows::OpenText(document::CEnvelonDoc& document, const model::ElementRef* element)
{
    return Open(RowKind::Text, document, element);
}

bool ElementRows::Next(std::string* row)
{
    if (m_pos == m_batch.size()) {
        m_batch = m_file.Rows(m_next, kBatchRows);
        m_next += m_batch.size();
        m_pos = 0;
    }
    if (m_pos == m_batch.size()) {
        return false;
    }
    *row = std::move(m_batch[m_pos++]);
    return true;
}

} // namespace viewer::doc::panes
