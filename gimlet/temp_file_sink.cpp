#include "gimlet/temp_file_sink.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "platform/file_io.h"

namespace gimlet {

using platform::S_OK;
using platform::StatusCode;

TempFileSink::TempFileSink() : m_buffer(new std::uint8_t[kBufferSize]) {}

TempFileSink::~TempFileSink() = default;

StatusCode TempFileSink::Write(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return S_OK;
    }
    if (m_file.Empty()) {
        std::string path;
        const StatusCode status = platform::CreateUniqueTempFile("tnf", &path, &m_fd);
        if (platform::Failed(status)) {
            return status;
        }
        m_file = platform::TempFile(std::move(path));
    }
    while (size > 0) {
        const std::size_t room = kBufferSize - m_buffered;
        const std::size_t take = size < room ? size : room;
        std::memcpy(m_buffer.get() + m_buffered, data, take);
        m_buffered += take;
        m_written += take;
        data += take;
        size -= take;
        if (m_buffered == kBufferSize) {
            const StatusCode status = Flush();
            if (platform::Failed(status)) {
                return status;
            }
        }
    }
    return S_OK;
}

StatusCode TempFileSink::Flush()
{
    const StatusCode status = platform::WriteAll(m_fd.Get(), m_buffer.get(), m_buffered);
    m_buffered = 0;
    return status;
}

StatusCode TempFileSink::Commit(std::string* path)
{
    if (m_file.Empty()) {
        return platform::E_FAIL;
    }
    StatusCode status = Flush();
    if (platform::Failed(status)) {
        return status;
    }
    // close() is where a network or quota-limited file system reports a failed write.
    if (::close(m_fd.Release()) != 0 && errno != EINTR) {
        return platform::StatusFromErrno();
    }
    *path = m_file.Release();
    return S_OK;
}

} // namespace gimlet
