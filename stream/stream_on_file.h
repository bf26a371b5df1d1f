// StreamOnFile: an IStream over an ordinary file, opened through IPersistFile::Load.
// One object answers both interfaces with one reference count. It owns the file
// descriptor (and the advisory lock on it) from a successful Load until its last Release.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/com.h"
#include "platform/files.h"
#include "platform/ref_counted.h"

namespace rillex {

// Returned by CopyTo when the target accepted fewer bytes than it was given.
inline constexpr platform::StatusCode STG_E_MEDIUMFULL = platform::MakeStatus(0x80030070);

// Size of the read-ahead window and of CopyTo's chunks.
inline constexpr std::uint32_t kChunkSize = 65536;

// Asked of a CopyTo target through QueryInterface: answered only by this server's own file
// streams, so that a copy between two of them can stay inside the kernel.
inline constexpr platform::IID IID_IRillexFileStream{
    0x4e1000ae, 0x0f7b, 0x444d, {0xb7, 0x93, 0x96, 0x6e, 0x13, 0x5a, 0x0f, 0x93}};

// The largest piece a kernel copy moves in one call.
inline constexpr std::uint64_t kKernelCopyChunk = 64ull << 20;

class StreamOnFile final : public platform::RefCounted<platform::IStream, platform::IPersistFile> {
public:
    // A new object with one reference and no file; nullptr when memory is exhausted.
    static StreamOnFile* Create() noexcept;

    // IUnknown (shared by both faces)
    platform::StatusCode QueryInterface(const platform::IID& iid, void** object) override;

    // IStream
    platform::StatusCode Read(void* buffer, std::uint32_t count, std::uint32_t* done) override;
    platform::StatusCode Write(const void* buffer, std::uint32_t count,
                               std::uint32_t* done) override;
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

    // IPersistFile
    platform::StatusCode GetClassID(platform::CLSID* classId) override;
    platform::StatusCode IsDirty() override;
    platform::StatusCode Load(const char16_t* fileName, std::uint32_t mode) override;
    platform::StatusCode Save(const char16_t* fileName, bool remember) override;
    platform::StatusCode SaveCompleted(const char16_t* fileName) override;
    platform::StatusCode GetCurFile(char16_t** fileName) override;

private:
    StreamOnFile();
    // The last Release closes the descriptor, which drops the advisory lock; a
    // delete-on-release file, already unlinked by Load, loses its data with it.
    ~StreamOnFile() override;

    // What a successful open hands over to the object.
    struct OpenFile {
        platform::UniqueFd fd;
        bool canRead = false;
        bool canWrite = false;
        bool readAhead = false;
    };
    static platform::StatusCode OpenPath(const char16_t* fileName, std::uint32_t mode,
                                         OpenFile* file);

    // Reads from the file (or the read-ahead window) at m_position without moving it.
    // Either fills `count` bytes or stops at the end of the file.
    platform::StatusCode ReadAt(std::uint8_t* buffer, std::uint32_t count, std::uint32_t* got);
    platform::StatusCode ReadDirect(std::uint8_t* buffer, std::uint64_t offset,
                                    std::uint32_t count, std::uint32_t* got);
    void DropReadAhead() { m_windowLength = 0; }
    // CopyTo into another file stream through copy_file_range. false (nothing moved) when
    // the kernel refuses the pair, so that the caller copies through memory instead.
    bool KernelCopyTo(StreamOnFile& target, std::uint64_t count, std::uint64_t* moved,
                      platform::StatusCode* status);

    std::recursive_mutex m_lock;

    platform::UniqueFd m_file;
    bool m_canRead = false;
    bool m_canWrite = false;
    std::uint64_t m_position = 0;

    // Read-ahead window: bytes [m_windowStart, m_windowStart + m_windowLength) of the file.
    // Used only under an exclusive share lock, so no other writer can make it stale.
    bool m_readAhead = false;
    std::unique_ptr<std::uint8_t[]> m_window;
    std::uint64_t m_windowStart = 0;
    std::uint32_t m_windowLength = 0;

    platform::FILETIME m_created = 0;
    platform::FILETIME m_modified = 0;
    platform::FILETIME m_accessed = 0;
};

} // namespace rillex
