#include "viewer/doc/panes/row_file.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/file_io.h"
#include "platform/text_safety.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element.h"

namespace viewer::doc::panes {

using namespace viewer::doc::model;
using platform::StatusCode;

namespace {

// A text row completes a character cut at its end from up to 3 bytes of the next row.
constexpr std::size_t kFollowingBytes = 3;

} // namespace

bool ShowsRawData(std::uint32_t elementKind)
{
    return elementKind == ELEM_HEADER || IsAttributeKind(elementKind) || IsValueKind(elementKind);
}

StatusCode RowFile::Load(document::CEnvelonDoc& document, const ElementRef* element,
                         const platform::CopyProgress& progress)
{
    Release();
    if (!element) {
        return platform::E_INVALIDARG;
    }
    std::string path;
    platform::UniqueFd fd;
    StatusCode status = platform::CreateUniqueTempFile("tnf", &path, &fd);
    if (platform::Failed(status)) {
        return status;
    }
    // Unlinked when this ends, loaded or not; the open descriptor keeps a loaded file.
    const platform::TempFile name(path);
    TextRowEncoding encoding = TextRowEncoding::EightBit;
    if (m_kind == RowKind::Hex) {
        status = document.WriteElementData(element, path.c_str(), progress);
    } else {
        const bool unicode = element->m_textEncoding == TEXT_UNICODE;
        encoding = unicode ? TextRowEncoding::Utf8 : TextRowEncoding::EightBit;
        TextRowContext context;
        status = document.ConvertElementData(element, path.c_str(),
                                             unicode ? UnicodeTextToRows : AnsiTextToRows, &context,
                                             progress);
    }
    if (platform::Succeeded(status)) {
        Adopt(std::move(fd), encoding, document.CodePage());
    }
    return status;
}

void RowFile::Adopt(platform::UniqueFd file, TextRowEncoding encoding, std::uint32_t codePage)
{
    Release();
    struct stat info = {};
    m_size = ::fstat(file.Get(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    m_fd = std::move(file);
    m_encoding = encoding;
    m_codePage = codePage;
}

void RowFile::TakeOver(RowFile& previous)
{
    if (&previous == this) {
        return;
    }
    Release();
    m_fd = std::move(previous.m_fd);
    m_size = std::exchange(previous.m_size, 0);
    m_encoding = previous.m_encoding;
    m_codePage = previous.m_codePage;
}

void RowFile::Release()
{
    m_fd.Reset();
    m_size = 0;
}

std::uint64_t RowFile::RowCount() const
{
    return m_size / RowBytes() + (m_size % RowBytes() != 0 ? 1 : 0);
}

std::vector<std::string> RowFile::Rows(std::uint64_t first, std::size_t count) const
{
    std::vector<std::string> rows;
    const std::uint64_t total = RowCount();
    if (first >= total || count == 0) {
        return rows;
    }
    const std::uint64_t n = std::min<std::uint64_t>(count, total - first);
    const std::uint64_t rowBytes = RowBytes();
    const std::uint64_t offset = first * rowBytes;
    const std::uint64_t following = m_kind == RowKind::Text ? kFollowingBytes : 0;
    const std::uint64_t want = std::min(n * rowBytes + following, m_size - offset);
    std::string buffer(static_cast<std::size_t>(want), '\0');
    std::size_t got = 0;
    if (platform::Failed(platform::ReadAll(m_fd.Get(), buffer.data(), buffer.size(), &got,
                                           static_cast<std::int64_t>(offset)))) {
        got = 0;
    }
    buffer.resize(got);
    const std::string_view bytes(buffer);
    rows.reserve(static_cast<std::size_t>(n));
    for (std::uint64_t i = 0; i < n; ++i) {
        const std::size_t start =
            static_cast<std::size_t>(std::min<std::uint64_t>(i * rowBytes, got));
        const std::string_view row = bytes.substr(start, rowBytes);
        if (m_kind == RowKind::Hex) {
            // Offsets have eight digits: an element holds at most 4 GiB.
            rows.push_back(FormatHexRow(static_cast<std::uint32_t>(first + i),
                                        reinterpret_cast<const std::uint8_t*>(row.data()),
                                        row.size()));
        } else {
            const std::string_view next =
                bytes.substr(std::min<std::size_t>(start + rowBytes, got), kFollowingBytes);
            rows.push_back(
                platform::EscapeForDisplay(TextRowForDisplay(row, next, m_encoding, m_codePage)));
        }
    }
    return rows;
}

} // namespace viewer::doc::panes
