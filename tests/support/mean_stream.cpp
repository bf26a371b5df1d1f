#include "tests/support/mean_stream.h"

#include <algorithm>
#include <cstring>

namespace testing_support {

using namespace platform;

ComPtr<MeanStream> MeanStream::Create(std::vector<std::uint8_t> bytes, MeanStreamOptions options)
{
    return ComPtr<MeanStream>::Adopt(new MeanStream(std::move(bytes), options));
}

StatusCode MeanStream::QueryInterface(const IID& iid, void** object)
{
    return AnswerQuery(iid, object, {IID_IUnknown, IID_ISequentialStream, IID_IStream},
                       static_cast<IStream*>(this));
}

StatusCode MeanStream::Read(void* buffer, std::uint32_t count, std::uint32_t* done)
{
    if (done) {
        *done = 0;
    }
    if (!buffer) {
        return STG_E_INVALIDPOINTER;
    }
    ++m_reads;
    m_readSizes.push_back(count);
    if (m_options.poison) {
        std::memset(buffer, 0xA5, count);
    }
    std::uint64_t end = m_bytes.size();
    bool fault = false;
    if (m_options.failAt && *m_options.failAt < end) {
        end = *m_options.failAt;
        fault = m_position + count > end;
    }
    const std::uint64_t available = m_position < end ? end - m_position : 0;
    const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, available));
    if (n > 0) {
        std::memcpy(buffer, m_bytes.data() + m_position, n);
        m_position += n;
        m_delivered += n;
    }
    if (done) {
        *done = n;
    }
    return fault ? STG_E_READFAULT : S_OK;
}

StatusCode MeanStream::Write(const void*, std::uint32_t, std::uint32_t* done)
{
    if (done) {
        *done = 0;
    }
    return E_ACCESSDENIED;
}

StatusCode MeanStream::Seek(std::int64_t offset, std::uint32_t origin, std::uint64_t* newPosition)
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
    if (m_options.refuseSeekPastEnd && static_cast<std::uint64_t>(target) > m_bytes.size()) {
        return STG_E_INVALIDFUNCTION;
    }
    m_position = static_cast<std::uint64_t>(target);
    if (newPosition) {
        *newPosition = m_position;
    }
    return S_OK;
}

StatusCode MeanStream::SetSize(std::uint64_t) { return E_ACCESSDENIED; }

StatusCode MeanStream::CopyTo(IStream* target, std::uint64_t count, std::uint64_t* read,
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
    std::uint64_t moved = 0;
    std::uint8_t piece[4096];
    while (moved < count) {
        const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(count - moved, sizeof piece));
        std::uint32_t got = 0;
        const StatusCode status = Read(piece, want, &got);
        std::uint32_t put = 0;
        const StatusCode wrote = got > 0 ? target->Write(piece, got, &put) : S_OK;
        moved += got;
        if (read) {
            *read += got;
        }
        if (written) {
            *written += put;
        }
        if (Failed(status)) {
            return status;
        }
        if (Failed(wrote)) {
            return wrote;
        }
        if (got < want) {
            break;
        }
    }
    return S_OK;
}

StatusCode MeanStream::Commit(std::uint32_t) { return S_OK; }
StatusCode MeanStream::Revert() { return S_OK; }
StatusCode MeanStream::LockRegion(std::uint64_t, std::uint64_t, std::uint32_t) { return E_NOTIMPL; }
StatusCode MeanStream::UnlockRegion(std::uint64_t, std::uint64_t, std::uint32_t) { return E_NOTIMPL; }

StatusCode MeanStream::Stat(STATSTG* result, std::uint32_t)
{
    if (!result) {
        return STG_E_INVALIDPOINTER;
    }
    *result = STATSTG{};
    result->type = STGTY_STREAM;
    result->cbSize = m_bytes.size();
    return S_OK;
}

StatusCode MeanStream::Clone(IStream** result)
{
    if (result) {
        *result = nullptr;
    }
    return E_NOTIMPL;
}

} // namespace testing_support
