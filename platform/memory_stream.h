// MemoryStream: an IStream over bytes held in memory, for tests, fuzz targets and
// benchmarks. It grows on writes past its end; reads stop at the end.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/ref_counted.h"

namespace platform {

class MemoryStream final : public RefCounted<IStream> {
public:
    static ComPtr<MemoryStream> Create(std::vector<std::uint8_t> bytes = {});

    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
    std::uint64_t Position() const { return m_position; }

    StatusCode QueryInterface(const IID& iid, void** object) override;
    StatusCode Read(void* buffer, std::uint32_t count, std::uint32_t* done) override;
    StatusCode Write(const void* buffer, std::uint32_t count, std::uint32_t* done) override;
    StatusCode Seek(std::int64_t offset, std::uint32_t origin,
                    std::uint64_t* newPosition) override;
    StatusCode SetSize(std::uint64_t size) override;
    StatusCode CopyTo(IStream* target, std::uint64_t count, std::uint64_t* read,
                      std::uint64_t* written) override;
    StatusCode Commit(std::uint32_t flags) override;
    StatusCode Revert() override;
    StatusCode LockRegion(std::uint64_t offset, std::uint64_t count,
                          std::uint32_t lockType) override;
    StatusCode UnlockRegion(std::uint64_t offset, std::uint64_t count,
                            std::uint32_t lockType) override;
    StatusCode Stat(STATSTG* result, std::uint32_t flags) override;
    StatusCode Clone(IStream** result) override;

private:
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    ~MemoryStream() override = default;

    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_position = 0;
};

// The same stream seen through its IStream face.
ComPtr<IStream> CreateMemoryStream(std::vector<std::uint8_t> bytes = {});

} // namespace platform
