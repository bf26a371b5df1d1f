// COM-style interfaces. Each is an abstract class whose pure virtual functions are
// declared in slot order, without a virtual destructor, so that the vtable order is the
// slot order. Objects are reference counted and destroy themselves on the last Release.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/guid.h"
#include "platform/status.h"

namespace platform {

// 100-nanosecond intervals since 1601-01-01 UTC.
using FILETIME = std::uint64_t;

inline constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IStorage{0x0000000B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IStream{0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IPersistFile{0x0000010B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IPersist{0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMessage{0x00020307, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_ISequentialStream{
    0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};

// Storage modes (IPersistFile::Load).
inline constexpr std::uint32_t STGM_READ = 0x00000000;
inline constexpr std::uint32_t STGM_WRITE = 0x00000001;
inline constexpr std::uint32_t STGM_READWRITE = 0x00000002;
inline constexpr std::uint32_t STGM_SHARE_DENY_NONE = 0x00000040;
inline constexpr std::uint32_t STGM_SHARE_DENY_READ = 0x00000030;
inline constexpr std::uint32_t STGM_SHARE_DENY_WRITE = 0x00000020;
inline constexpr std::uint32_t STGM_SHARE_EXCLUSIVE = 0x00000010;
inline constexpr std::uint32_t STGM_CREATE = 0x00001000;
inline constexpr std::uint32_t STGM_DELETEONRELEASE = 0x04000000;

// The two modes the viewer opens files with.
inline constexpr std::uint32_t kModeTemporaryInput = STGM_DELETEONRELEASE | STGM_SHARE_EXCLUSIVE;
inline constexpr std::uint32_t kModeReadWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

// Seek origins.
inline constexpr std::uint32_t STREAM_SEEK_SET = 0;
inline constexpr std::uint32_t STREAM_SEEK_CUR = 1;
inline constexpr std::uint32_t STREAM_SEEK_END = 2;

inline constexpr std::uint32_t STATFLAG_DEFAULT = 0;
inline constexpr std::uint32_t STATFLAG_NONAME = 1;
inline constexpr std::uint32_t STGTY_STREAM = 2;
inline constexpr std::uint32_t LOCK_ONLYONCE = 4;

inline constexpr std::uint32_t CLSCTX_ALL = 0x17;

struct STATSTG {
    char16_t* pwcsName; // CoTaskMemAlloc'ed, or null
    std::uint32_t type;
    std::uint64_t cbSize;
    FILETIME mtime;
    FILETIME ctime;
    FILETIME atime;
    std::uint32_t grfMode;
    std::uint32_t grfLocksSupported;
    CLSID clsid;
    std::uint32_t grfStateBits;
    std::uint32_t reserved;
};

class IUnknown {
public:
    virtual StatusCode QueryInterface(const IID& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

class ISequentialStream : public IUnknown {
public:
    virtual StatusCode Read(void* buffer, std::uint32_t count, std::uint32_t* done) = 0;
    virtual StatusCode Write(const void* buffer, std::uint32_t count, std::uint32_t* done) = 0;

protected:
    ~ISequentialStream() = default;
};

class IStream : public ISequentialStream {
public:
    virtual StatusCode Seek(std::int64_t offset, std::uint32_t origin,
                            std::uint64_t* newPosition) = 0;
    virtual StatusCode SetSize(std::uint64_t size) = 0;
    virtual StatusCode CopyTo(IStream* target, std::uint64_t count, std::uint64_t* read,
                              std::uint64_t* written) = 0;
    virtual StatusCode Commit(std::uint32_t flags) = 0;
    virtual StatusCode Revert() = 0;
    virtual StatusCode LockRegion(std::uint64_t offset, std::uint64_t count,
                                  std::uint32_t lockType) = 0;
    virtual StatusCode UnlockRegion(std::uint64_t offset, std::uint64_t count,
                                    std::uint32_t lockType) = 0;
    virtual StatusCode Stat(STATSTG* result, std::uint32_t flags) = 0;
    virtual StatusCode Clone(IStream** result) = 0;

protected:
    ~IStream() = default;
};

class IPersist : public IUnknown {
public:
    virtual StatusCode GetClassID(CLSID* classId) = 0;

protected:
    ~IPersist() = default;
};

class IPersistFile : public IPersist {
public:
    virtual StatusCode IsDirty() = 0;
    virtual StatusCode Load(const char16_t* fileName, std::uint32_t mode) = 0;
    virtual StatusCode Save(const char16_t* fileName, bool remember) = 0;
    virtual StatusCode SaveCompleted(const char16_t* fileName) = 0;
    virtual StatusCode GetCurFile(char16_t** fileName) = 0;

protected:
    ~IPersistFile() = default;
};

class IClassFactory : public IUnknown {
public:
    virtual StatusCode CreateInstance(IUnknown* outer, const IID& iid, void** object) = 0;
    virtual StatusCode LockServer(bool lock) = 0;

protected:
    ~IClassFactory() = default;
};

// The task allocator.
void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* block);

} // namespace platform
