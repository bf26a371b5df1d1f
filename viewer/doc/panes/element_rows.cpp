#include "viewer/doc/panes/element_rows.h"

#include <fcntl.h>

#include "platform/file_io.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element.h"

namespace viewer::doc::panes {

using namespace viewer::doc::document;
using namespace viewer::doc::model;

using platform::StatusCode;

namespace {

// A text row completes a character cut at its end from up to 3 bytes of the next row.
constexpr std::size_t kFollowingBytes = 3;
constexpr std::size_t kReadBlock = 1 << 16;

} // namespace

StatusCode ElementRows::Begin(std::uint32_t rowBytes)
{
    m_rowBytes = rowBytes;
    m_row = 0;
    m_buffer.clear();
    m_pos = 0;
    m_end = false;
    std::string path;
    const StatusCode status = platform::CreateUniqueTempFile("tnf", &path);
    if (platform::Succeeded(status)) {
        m_file = platform::TempFile(path);
    }
    return status;
}

StatusCode ElementRows::OpenHex(CEnvelonDoc& document, const ElementRef* element)
{
    m_hex = true;
    StatusCode status = Begin(kHexRowBytes);
    if (platform::Succeeded(status)) {
        status = document.WriteElementData(element, m_file.Path().c_str());
    }
    if (platform::Succeeded(status)) {
        m_fd.Reset(::open(m_file.Path().c_str(), O_RDONLY | O_CLOEXEC));
    }
    return status;
}

StatusCode ElementRows::OpenText(CEnvelonDoc& document, const ElementRef* element)
{
    if (!element) {
        return platform::E_INVALIDARG;
    }
    m_hex = false;
    const bool unicode = element->m_textEncoding == TEXT_UNICODE;
    m_encoding = unicode ? TextRowEncoding::Utf8 : TextRowEncoding::EightBit;
    m_codePage = document.CodePage();
    StatusCode status = Begin(kTextRowBytes);
    TextRowContext context;
    if (platform::Succeeded(status)) {
        status = document.ConvertElementData(
            element, m_file.Path().c_str(), unicode ? UnicodeTextToRows : AnsiTextToRows, &context);
    }
    if (platform::Succeeded(status)) {
        m_fd.Reset(::open(m_file.Path().c_str(), O_RDONLY | O_CLOEXEC));
    }
    return status;
}

void ElementRows::Fill(std::size_t wanted)
{
    if (m_buffer.size() - m_pos >= wanted || m_end || !m_fd.Valid()) {
        return;
    }
    m_buffer.erase(0, m_pos);
    m_pos = 0;
    while (m_buffer.size() < wanted && !m_end) {
        const std::size_t had = m_buffer.size();
        m_buffer.resize(had + kReadBlock);
        std::size_t got = 0;
        const StatusCode status =
            platform::ReadAll(m_fd.Get(), m_buffer.data() + had, kReadBlock, &got);
        m_buffer.resize(had + got);
        m_end = platform::Failed(status) || got < kReadBlock;
    }
}

bool ElementRows::Next(std::string* row)
{
    Fill(m_rowBytes + kFollowingBytes + 1);
    if (m_pos >= m_buffer.size()) {
        return false;
    }
    const std::size_t take = std::min<std::size_t>(m_rowBytes, m_buffer.size() - m_pos);
    const std::string_view bytes(m_buffer.data() + m_pos, take);
    m_pos += take;
    if (m_hex) {
        *row = FormatHexRow(m_row++, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                            bytes.size());
    } else {
        const std::string_view following(m_buffer.data() + m_pos,
                                         std::min(kFollowingBytes, m_buffer.size() - m_pos));
        *row = TextRowForDisplay(bytes, following, m_encoding, m_codePage);
    }
    return true;
}

} // namespace viewer::doc::panes
