// MeanStream: a read-only in-memory IStream that behaves as badly as a stream may without
// breaking its contract, to check that readers rely only on what it promises.
// - Poisoning: every Read first fills the caller's whole buffer with 0xA5, then delivers
//   what is available; bytes beyond the delivered count are garbage.
// - Failing at byte N: a Read that reaches offset N delivers the bytes before N and then
//   fails with STG_E_READFAULT (0x8003001E).
// - Refusing to seek past the end: a Seek beyond the last byte fails with
//   STG_E_INVALIDFUNCTION (0x80030001) and leaves the position.
// It counts the bytes delivered and the calls made.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/ref_counted.h"

namespace testing_support {

inline constexpr platform::StatusCode STG_E_READFAULT = platform::MakeStatus(0x8003001E);
inline constexpr platform::StatusCode STG_E_INVALIDFUNCTION = platform::MakeStatus(0x80030001);

struct MeanStreamOptions {
    bool poison = true;
    std::optional<std::uint64_t> failAt;
    bool refuseSeekPastEnd = false;
};

class MeanStream final : public platform::RefCounted<platform::IStream> {
public:
    static platform::ComPtr<MeanStream> Create(std::vector<std::uint8_t> bytes,
                                               MeanStreamOptions options = {});

    std::uint64_t BytesDelivered() const { return m_delivered; }
    std::uint64_t ReadCalls() const { return m_reads; }
    // The count asked for by each Read, in order.
    const std::vector<std::uint32_t>& ReadSizes() const { return m_readSizes; }
    void ClearReadSizes() { m_readSizes.clear(); }
    std::uint64_t Position() const { return m_position; }

    platform::StatusCode QueryInterface(const platform::IID& iid, void** object) override;
    platform::StatusCode Read(void* buffer, std::uint32_t count, std::uint32_t* done) override;
    platform::StatusCode Write(const void* buffer, std::uint32_t count, std::uint32_t* done) override;
    platform::StatusCode Seek(std::int64_t offset, std::uint32_t origin,
                              std::uint64_t* newPosition) override;
    platform::StatusCode SetSize(std::uint64_t size) override;
    platform::StatusCode CopyTo(platform::IStream* target, std::uint64_t count,
                                std::uint64_t* read, std::uint64_t* written) override;
    platform::StatusCode Commit(std::uint32_t flags) override;
    platform::StatusCode Revert() override;
    platform::StatusCode LockRegion(std::uint64_t offset, std::uint64_t count,
                                    std::uint32_t lockType) override;
    platform::StatusCode UnlockRegion(std::uint64_t offset, std::uint64_t count,
                                      std::uint32_t lockType) override;
    platform::StatusCode Stat(platform::STATSTG* result, std::uint32_t flags) override;
    platform::StatusCode Clone(platform::IStream** result) override;

private:
    MeanStream(std::vector<std::uint8_t> bytes, MeanStreamOptions options)
        : m_bytes(std::move(bytes)), m_options(options)
    {
    }
    ~MeanStream() override = default;

    std::vector<std::uint8_t> m_bytes;
    MeanStreamOptions m_options;
    std::uint64_t m_position = 0;
    std::uint64_t m_delivered = 0;
    std::uint64_t m_reads = 0;
    std::vector<std::uint32_t> m_readSizes;
};

} // namespace testing_support
