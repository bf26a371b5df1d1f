#include "convert/stream_on_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/file_io.h"
#include "platform/files.h"
#include "platform/ref_counted.h"

namespace ferrule {

using platform::E_FAIL;
using platform::E_INVALIDARG;
using platform::E_NOTIMPL;
using platform::E_POINTER;
using platform::IStream;
using platform::S_OK;

namespace {

constexpr std::size_t kWriteBufferSize = 64 * 1024;

// An IStream over one file descriptor. Writes collect in a buffer while they follow each
// other; anything else (a read, a seek, a size change, a commit) writes the buffer first.
class FileStream final : public platform::RefCounted<IStream> {
public:
    FileStream(platform::UniqueFd fd, bool writable) : m_fd(std::move(fd)), m_writable(writable)
    {
        m_buffer.reserve(kWriteBufferSize);
    }

    StatusCode QueryInterface(const platform::IID& iid, void** object) override
    {
        return platform::AnswerQuery(
            iid, object, {platform::IID_IUnknown, platform::IID_ISequentialStream, platform::IID_IStream},
            static_cast<IStream*>(this));
    }

    StatusCode Read(void* buffer, std::uint32_t count, std::uint32_t* done) override
    {
        if (done) {
            *done = 0;
        }
        if (!buffer) {
            return platform::STG_E_INVALIDPOINTER;
        }
        if (const StatusCode status = Flush(); platform::Failed(status)) {
            return status;
        }
        std::size_t total = 0;
        const StatusCode status =
            platform::ReadAll(m_fd.Get(), buffer, count, &total, static_cast<std::int64_t>(m_position));
        m_position += total;
        if (platform::Failed(status)) {
            return status;
        }
        if (done) {
            *done = static_cast<std::uint32_t>(total);
        }
        return total == count ? S_OK : platform::S_FALSE;
    }

    StatusCode Write(const void* buffer, std::uint32_t count, std::uint32_t* done) override
    {
        if (done) {
            *done = 0;
        }
        if (!buffer) {
            return platform::STG_E_INVALIDPOINTER;
        }
        if (!m_writable) {
            return platform::E_ACCESSDENIED;
        }
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        if (!m_buffer.empty() && m_bufferStart + m_buffer.size() != m_position) {
            if (const StatusCode status = Flush(); platform::Failed(status)) {
                return status;
            }
        }
        if (m_buffer.empty()) {
            m_bufferStart = m_position;
        }
        if (m_buffer.size() + count > kWriteBufferSize) {
            if (const StatusCode status = Flush(); platform::Failed(status)) {
                return status;
            }
            m_bufferStart = m_position;
            if (count >= kWriteBufferSize) {
                if (const StatusCode status = WriteAt(bytes, count, m_position); platform::Failed(status)) {
                    return status;
                }
                m_position += count;
                if (done) {
                    *done = count;
                }
                return S_OK;
            }
        }
        m_buffer.insert(m_buffer.end(), bytes, bytes + count);
        m_position += count;
        if (done) {
            *done = count;
        }
        return S_OK;
    }

    StatusCode Seek(std::int64_t offset, std::uint32_t origin, std::uint64_t* newPosition) override
    {
        std::int64_t base = 0;
        switch (origin) {
        case platform::STREAM_SEEK_SET:
            base = 0;
            break;
        case platform::STREAM_SEEK_CUR:
            base = static_cast<std::int64_t>(m_position);
            break;
        case platform::STREAM_SEEK_END: {
            std::uint64_t size = 0;
            if (const StatusCode status = Size(&size); platform::Failed(status)) {
                return status;
            }
            base = static_cast<std::int64_t>(size);
            break;
        }
        default:
            return E_INVALIDARG;
        }
        if ((offset < 0 && base + offset < 0) ||
            (offset > 0 && base > INT64_MAX - offset)) {
            return E_INVALIDARG;
        }
        m_position = static_cast<std::uint64_t>(base + offset);
        if (newPosition) {
            *newPosition = m_position;
        }
        return S_OK;
    }

    StatusCode SetSize(std::uint64_t size) override
    {
        if (!m_writable) {
            return platform::E_ACCESSDENIED;
        }
        if (const StatusCode status = Flush(); platform::Failed(status)) {
            return status;
        }
        if (size > static_cast<std::uint64_t>(INT64_MAX) ||
            ::ftruncate(m_fd.Get(), static_cast<off_t>(size)) != 0) {
            return platform::StatusFromErrno();
        }
        return S_OK;
    }

    StatusCode CopyTo(IStream*, std::uint64_t, std::uint64_t*, std::uint64_t*) override
    {
        return E_NOTIMPL;
    }
    StatusCode Commit(std::uint32_t) override { return Flush(); }
    StatusCode Revert() override { return S_OK; }
    StatusCode LockRegion(std::uint64_t, std::uint64_t, std::uint32_t) override { return E_NOTIMPL; }
    StatusCode UnlockRegion(std::uint64_t, std::uint64_t, std::uint32_t) override
    {
        return E_NOTIMPL;
    }
    StatusCode Stat(platform::STATSTG* result, std::uint32_t) override
    {
        if (!result) {
            return platform::STG_E_INVALIDPOINTER;
        }
        std::memset(result, 0, sizeof *result);
        result->type = platform::STGTY_STREAM;
        return Size(&result->cbSize);
    }
    StatusCode Clone(IStream**) override { return E_NOTIMPL; }

private:
    ~FileStream() override = default;

    void Destroy() override
    {
        static_cast<void>(Flush());
        delete this;
    }

    StatusCode WriteAt(const std::uint8_t* bytes, std::size_t count, std::uint64_t offset)
    {
        return platform::WriteAll(m_fd.Get(), bytes, count, static_cast<std::int64_t>(offset));
    }

    StatusCode Flush()
    {
        if (m_buffer.empty()) {
            return S_OK;
        }
        const StatusCode status = WriteAt(m_buffer.data(), m_buffer.size(), m_bufferStart);
        m_buffer.clear();
        return status;
    }

    StatusCode Size(std::uint64_t* size)
    {
        struct stat info {};
        if (::fstat(m_fd.Get(), &info) != 0) {
            return platform::StatusFromErrno();
        }
        std::uint64_t end = static_cast<std::uint64_t>(info.st_size);
        if (!m_buffer.empty() && m_bufferStart + m_buffer.size() > end) {
            end = m_bufferStart + m_buffer.size();
        }
        *size = end;
        return S_OK;
    }

    platform::UniqueFd m_fd;
    bool m_writable;
    std::uint64_t m_position = 0;
    std::uint64_t m_bufferStart = 0;
    std::vector<std::uint8_t> m_buffer;
};

} // namespace

StatusCode OpenStreamOnFile(ALLOCATEBUFFER allocateBuffer, FREEBUFFER freeBuffer,
                            std::uint32_t flags, const char* fileName, const char* prefix,
                            IStream** stream)
{
    if (!stream) {
        return E_INVALIDARG;
    }
    *stream = nullptr;
    if (!allocateBuffer || !freeBuffer || !fileName || prefix) {
        return E_INVALIDARG;
    }
    const bool writable = (flags & (platform::STGM_WRITE | platform::STGM_READWRITE)) != 0;
    int openFlags = O_CLOEXEC | O_NOFOLLOW | (writable ? O_RDWR : O_RDONLY);
    if (flags & platform::STGM_CREATE) {
        if (!writable) {
            return E_INVALIDARG;
        }
        openFlags |= O_CREAT | O_TRUNC;
    }
    platform::UniqueFd fd(::open(fileName, openFlags, 0600));
    if (!fd.Valid()) {
        return platform::StatusFromErrno();
    }
    const std::uint32_t share = flags & 0x70;
    if (share == platform::STGM_SHARE_EXCLUSIVE || share == platform::STGM_SHARE_DENY_WRITE) {
        if (const StatusCode status = platform::LockFile(fd.Get(), LOCK_EX, platform::LockWait::DontWait);
            platform::Failed(status)) {
            return status;
        }
    }
    *stream = new FileStream(std::move(fd), writable);
    return S_OK;
}

} // namespace ferrule
