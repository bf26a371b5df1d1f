// The output of an extraction: a "tnf" temporary file, made on the first byte written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "gimlet/byte_sink.h"
#include "platform/files.h"

namespace gimlet {

// Writes through a fixed buffer into a new unique temporary file. The file is created only
// when the first byte arrives, so a search that finds nothing leaves the temporary folder
// untouched, and it is deleted again unless Commit hands it over.
class TempFileSink : public ByteSink {
public:
    TempFileSink();
    ~TempFileSink() override;
    TempFileSink(const TempFileSink&) = delete;
    TempFileSink& operator=(const TempFileSink&) = delete;

    [[nodiscard]] platform::StatusCode Write(const std::uint8_t* data, std::size_t size) override;

    std::uint64_t BytesWritten() const { return m_written; }

    // Flushes and closes the file and gives up ownership: on success *path names the
    // finished file, which now belongs to the caller.
    [[nodiscard]] platform::StatusCode Commit(std::string* path);

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    [[nodiscard]] platform::StatusCode Flush();

    platform::TempFile m_file;
    platform::UniqueFd m_fd;
    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::size_t m_buffered = 0;
    std::uint64_t m_written = 0;
};

} // namespace gimlet
