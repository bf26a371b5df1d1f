#include "platform/memory_stream.h"

#include <algorithm>
#include <cstring>

namespace platform {

ComPtr<MemoryStream> MemoryStream::Create(std::vector<std::uint8_t> bytes)
{
    return ComPtr<MemoryStream>::Adopt(new MemoryStream(std::move(bytes)));
}

ComPtr<IStream> CreateMemoryStream(std::vector<std::uint8_t> bytes)
{
    return ComPtr<IStream>::Adopt(MemoryStream::Create(std::move(bytes)).Detach());
}

StatusCode MemoryStream::QueryInterface(const IID& iid, void** object)
{
    return AnswerQuery(iid, object, {IID_IUnknown, IID_ISequentialStream, IID_IStream},
                       static_cast<IStream*>(this));
}

StatusCode MemoryStream::Read(void* buffer, std::uint32_t count, std::uint32_t* done)
{
    if (done) {
        *done = 0;
    }
    if (!buffer) {
        return STG_E_INVALIDPOINTER;
    }
    const std::uint64_t size = m_bytes.size();
    const std::uint64_t available = m_position < size ? size - m_position : 0;
    const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, available));
    if (n > 0) {
        std::memcpy(buffer, m_bytes.data() + m_position, n);
        m_position += n;
    }
    if (done) {
        *done = n;
    }
    return S_OK;
}

StatusCode MemoryStream::Write(const void* buffer, std::uint32_t count, std::uint32_t* done)
{
    if (done) {
        *done = 0;
    }
    if (!buffer) {
        return STG_E_INVALIDPOINTER;
    }
    if (count == 0) {
        return S_OK;
    }
    const std::uint64_t end = m_position + count;
    if (end > m_bytes.size()) {
        m_bytes.resize(end);
    }
    std::memcpy(m_bytes.data() + m_position, buffer, count);
    m_position = end;
    if (done) {
        *done = count;
    }
    return S_OK;
}

StatusCode MemoryStream::Seek(std::int64_t offset, std::uint32_t origin,
                              std::uint64_t* newPosition)
{
    std::int64_t base = 0;
    switch (origin) {
    case STREAM_SEEK_SET:
        break;
    case STREAM_SEEK_CUR:
        base = static_cast<std::int64_t>(m_position);
        break;
    case STREAM_SEEK_END:
        base = static_cast<std::int64_t>(m_bytes.size());
        break;
    default:
        return E_INVALIDARG;
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0) {
        return E_INVALIDARG;
    }
    m_position = static_cast<std::uint64_t>(target);
    if (newPosition) {
        *newPosition = m_position;
    }
    return S_OK;
}

StatusCode MemoryStream::SetSize(std::uint64_t size)
{
    try {
        m_bytes.resize(size);
    } catch (const std::exception&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

StatusCode MemoryStream::CopyTo(IStream* target, std::uint64_t count, std::uint64_t* read,
                                std::uint64_t* written)
{
    if (read) {
        *read = 0;
    }
    if (written) {
        *written = 0;
    }
    if (!target) {
        return STG_E_INVALIDPOINTER;
    }
    std::uint64_t totalRead = 0;
    std::uint64_t totalWritten = 0;
    StatusCode status = S_OK;
    while (totalRead < count && m_position < m_bytes.size()) {
        const auto piece = static_cast<std::uint32_t>(std::min<std::uint64_t>(
            {count - totalRead, m_bytes.size() - m_position, 1u << 20}));
        std::uint32_t done = 0;
        status = target->Write(m_bytes.data() + m_position, piece, &done);
        m_position += piece;
        totalRead += piece;
        totalWritten += done;
        if (Failed(status)) {
            break;
        }
        if (done < piece) {
            status = E_FAIL;
            break;
        }
    }
    if (read) {
        *read = totalRead;
    }
    if (written) {
        *written = totalWritten;
    }
    return status;
}

StatusCode MemoryStream::Commit(std::uint32_t) { return S_OK; }
StatusCode MemoryStream::Revert() { return E_NOTIMPL; }
StatusCode MemoryStream::LockRegion(std::uint64_t, std::uint64_t, std::uint32_t)
{
    return E_NOTIMPL;
}
StatusCode MemoryStream::UnlockRegion(std::uint64_t, std::uint64_t, std::uint32_t)
{
    return E_NOTIMPL;
}

StatusCode MemoryStream::Stat(STATSTG* result, std::uint32_t)
{
    if (!result) {
        return STG_E_INVALIDPOINTER;
    }
    *result = STATSTG{};
    result->type = STGTY_STREAM;
    result->cbSize = m_bytes.size();
    return S_OK;
}

StatusCode MemoryStream::Clone(IStream**) { return E_NOTIMPL; }

} // namespace platform
