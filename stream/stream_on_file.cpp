#include "stream/stream_on_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/com_ptr.h"
#include "platform/file_io.h"
#include "platform/text.h"
#include "stream/module.h"

namespace rillex {

using namespace platform;

namespace {

constexpr std::uint64_t kMaxPosition = static_cast<std::uint64_t>(
    std::numeric_limits<std::int64_t>::max());

constexpr char16_t kStatName[] = u"StreamOnFile";

// Share bits: 0x10 none, 0x20 others may read, 0x30 others may write, 0x40 anything.
constexpr std::uint32_t kShareMask = 0x70;

// How a share mode becomes an advisory lock. flock cannot say "others may write but not
// read", so 0x30 keeps the file to itself like "no sharing".
int LockForShareMode(std::uint32_t mode)
{
    const std::uint32_t share = mode & kShareMask;
    if (share & STGM_SHARE_DENY_NONE) {
        return 0;
    }
    if (share == STGM_SHARE_DENY_WRITE) {
        return LOCK_SH;
    }
    return LOCK_EX;
}

// Takes the lock without waiting: a lock held elsewhere is a sharing violation.
StatusCode TakeShareLock(int fd, int operation)
{
    return operation == 0 ? S_OK : LockFile(fd, operation, LockWait::DontWait);
}

StatusCode FileSize(int fd, std::uint64_t* size)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return StatusFromErrno();
    }
    *size = static_cast<std::uint64_t>(info.st_size);
    return S_OK;
}

} // namespace

StreamOnFile* StreamOnFile::Create() noexcept
{
    try {
        return new StreamOnFile();
    } catch (...) {
        return nullptr;
    }
}

StreamOnFile::StreamOnFile() { LockModule(); }

StreamOnFile::~StreamOnFile() { UnlockModule(); }

StatusCode StreamOnFile::QueryInterface(const IID& iid, void** object)
{
    // ISequentialStream is deliberately not answered: clients ask for IStream.
    if (iid == IID_IPersist || iid == IID_IPersistFile) {
        return AnswerQuery(iid, object, {IID_IPersist, IID_IPersistFile}, static_cast<IPersistFile*>(this));
    }
    return AnswerQuery(iid, object, {IID_IUnknown, IID_IStream, IID_IRillexFileStream},
                       static_cast<IStream*>(this));
}

StatusCode StreamOnFile::ReadDirect(std::uint8_t* buffer, std::uint64_t offset,
                                    std::uint32_t count, std::uint32_t* got)
{
    // A regular file delivers less than asked only at its end (or, for very large counts,
    // at the kernel's per-call cap): keep reading until the count is met or the end is.
    std::size_t total = 0;
    const StatusCode status = ReadAll(m_file.Get(), buffer, count, &total, static_cast<std::int64_t>(offset));
    if (Failed(status)) {
        return status;
    }
    *got = static_cast<std::uint32_t>(total);
    return S_OK;
}

StatusCode StreamOnFile::ReadAt(std::uint8_t* buffer, std::uint32_t count, std::uint32_t* got)
{
    if (!m_readAhead) {
        return ReadDirect(buffer, m_position, count, got);
    }
    std::uint32_t total = 0;
    std::uint64_t position = m_position;
    const std::uint64_t windowEnd = m_windowStart + m_windowLength;
    if (m_windowLength > 0 && position >= m_windowStart && position < windowEnd) {
        total = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, windowEnd - position));
        std::memcpy(buffer, m_window.get() + (position - m_windowStart), total);
        position += total;
        // A window shorter than a chunk was cut by the end of the file, and only this
        // object writes while it reads ahead: nothing lies beyond it.
        if (total == count || m_windowLength < kChunkSize) {
            *got = total;
            return S_OK;
        }
    }
    const std::uint32_t remaining = count - total;
    std::uint32_t n = 0;
    if (remaining >= kChunkSize) {
        const StatusCode status = ReadDirect(buffer + total, position, remaining, &n);
        if (Failed(status)) {
            return status;
        }
    } else {
        if (!m_window) {
            m_window.reset(new (std::nothrow) std::uint8_t[kChunkSize]);
            if (!m_window) {
                return ReadDirect(buffer, m_position, count, got);
            }
        }
        DropReadAhead();
        std::uint32_t filled = 0;
        const StatusCode status = ReadDirect(m_window.get(), position, kChunkSize, &filled);
        if (Failed(status)) {
            return status;
        }
        m_windowStart = position;
        m_windowLength = filled;
        n = std::min(remaining, filled);
        std::memcpy(buffer + total, m_window.get(), n);
    }
    *got = total + n;
    return S_OK;
}

StatusCode StreamOnFile::Read(void* buffer, std::uint32_t count, std::uint32_t* done)
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
    std::lock_guard guard(m_lock);
    if (!m_file.Valid()) {
        return E_UNEXPECTED;
    }
    if (!m_canRead) {
        return E_ACCESSDENIED;
    }
    std::uint32_t got = 0;
    const StatusCode status = ReadAt(static_cast<std::uint8_t*>(buffer), count, &got);
    if (Failed(status)) {
        return status;
    }
    m_position += got;
    m_accessed = FileTimeNow();
    if (done) {
        *done = got;
    }
    return S_OK;
}

StatusCode StreamOnFile::Write(const void* buffer, std::uint32_t count, std::uint32_t* done)
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
    std::lock_guard guard(m_lock);
    if (!m_file.Valid()) {
        return E_UNEXPECTED;
    }
    if (!m_canWrite) {
        return E_ACCESSDENIED;
    }
    DropReadAhead();
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::size_t written = 0;
    const StatusCode status =
        WriteAll(m_file.Get(), bytes, count, static_cast<std::int64_t>(m_position), &written);
    const auto total = static_cast<std::uint32_t>(written);
    // Bytes that reached the file before a failure (a full disk) are reported with the
    // failure, so the caller knows where the file now ends.
    m_position += total;
    if (total > 0) {
        m_modified = FileTimeNow();
        m_accessed = m_modified;
    }
    if (done) {
        *done = total;
    }
    return status;
}

StatusCode StreamOnFile::Seek(std::int64_t offset, std::uint32_t origin,
                              std::uint64_t* newPosition)
{
    std::lock_guard guard(m_lock);
    if (!m_file.Valid()) {
        return E_UNEXPECTED;
    }
    std::uint64_t base = 0;
    switch (origin) {
    case STREAM_SEEK_SET:
        break;
    case STREAM_SEEK_CUR:
        base = m_position;
        break;
    case STREAM_SEEK_END:
        if (const StatusCode status = FileSize(m_file.Get(), &base); Failed(status)) {
            return status;
        }
        break;
    default:
        return E_UNEXPECTED;
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(static_cast<std::int64_t>(base), offset, &target)) {
        return StatusFromError(EOVERFLOW);
    }
    if (target < 0) {
        return StatusFromError(EINVAL);
    }
    const auto position = static_cast<std::uint64_t>(target);
    if (position < m_windowStart || position >= m_windowStart + m_windowLength) {
        DropReadAhead();
    }
    m_position = position;
    if (newPosition) {
        *newPosition = position;
    }
    return S_OK;
}

StatusCode StreamOnFile::SetSize(std::uint64_t size)
{
    std::lock_guard guard(m_lock);
    if (!m_file.Valid()) {
        return E_UNEXPECTED;
    }
    if (!m_canWrite) {
        return E_ACCESSDENIED;
    }
    if (size > kMaxPosition) {
        return StatusFromError(EFBIG);
    }
    DropReadAhead();
    if (RetryInterrupted([&] { return ::ftruncate(m_file.Get(), static_cast<off_t>(size)); }) != 0) {
        return StatusFromErrno();
    }
    m_position = size;
    return S_OK;
}

StatusCode StreamOnFile::CopyTo(IStream* target, std::uint64_t count, std::uint64_t* read,
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
    if (count == 0) {
        return S_OK;
    }
    // The interface is answered with the object's IStream face.
    ComPtr<IStream> other;
    if (Succeeded(target->QueryInterface(IID_IRillexFileStream, other.PutVoid()))) {
        std::uint64_t moved = 0;
        StatusCode status = S_OK;
        if (KernelCopyTo(*static_cast<StreamOnFile*>(other.Get()), count, &moved, &status)) {
            if (read) {
                *read = moved;
            }
            if (written) {
                *written = moved;
            }
            return status;
        }
    }
    std::lock_guard guard(m_lock);
    std::unique_ptr<std::uint8_t[]> chunk(new (std::nothrow) std::uint8_t[kChunkSize]);
    if (!chunk) {
        return E_OUTOFMEMORY;
    }
    std::uint64_t totalRead = 0;
    std::uint64_t totalWritten = 0;
    StatusCode status = S_OK;
    for (;;) {
        const auto want = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(count - totalRead, kChunkSize));
        std::uint32_t got = 0;
        status = Read(chunk.get(), want, &got);
        if (Failed(status)) {
            break;
        }
        totalRead += got;
        if (got > 0) {
            // A target that fails or takes less than it is given ends the copy: going on
            // would report a truncated copy as a success.
            std::uint32_t put = 0;
            const StatusCode writeStatus = target->Write(chunk.get(), got, &put);
            totalWritten += std::min(put, got);
            if (Failed(writeStatus)) {
                status = writeStatus;
                break;
            }
            if (put < got) {
                status = STG_E_MEDIUMFULL;
                break;
            }
        }
        if (got < want || totalRead >= count) {
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

bool StreamOnFile::KernelCopyTo(StreamOnFile& target, std::uint64_t count, std::uint64_t* moved,
                                StatusCode* status)
{
    // Copying a file onto itself overlaps; the memory loop handles that.
    if (&target == this) {
        return false;
    }
    // Both locks at once, in an order that cannot deadlock against a copy the other way.
    std::scoped_lock both(m_lock, target.m_lock);
    if (!m_file.Valid() || !target.m_file.Valid()) {
        *status = E_UNEXPECTED;
        return true;
    }
    if (!m_canRead || !target.m_canWrite) {
        *status = E_ACCESSDENIED;
        return true;
    }
    target.DropReadAhead();
    std::uint64_t done = 0;
    *status = S_OK;
    while (done < count) {
        auto in = static_cast<off_t>(m_position);
        auto out = static_cast<off_t>(target.m_position);
        const auto want = static_cast<std::size_t>(std::min(count - done, kKernelCopyChunk));
        const ssize_t n = RetryInterrupted([&] {
            return ::copy_file_range(m_file.Get(), &in, target.m_file.Get(), &out, want, 0);
        });
        if (n < 0) {
            // Before anything moved, a refusal of the pair (other filesystems, an old
            // kernel) is left to the memory loop; later it is a failure like any other.
            const bool refused =
                errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
            if (done == 0 && refused) {
                return false;
            }
            *status = StatusFromErrno();
            break;
        }
        if (n == 0) {
            break; // the end of the source
        }
        done += static_cast<std::uint64_t>(n);
        m_position += static_cast<std::uint64_t>(n);
        target.m_position += static_cast<std::uint64_t>(n);
    }
    if (done > 0) {
        m_accessed = FileTimeNow();
        target.m_modified = m_accessed;
        target.m_accessed = m_accessed;
    }
    *moved = done;
    return true;
}

StatusCode StreamOnFile::Commit(std::uint32_t) { return S_OK; }

StatusCode StreamOnFile::Revert() { return E_NOTIMPL; }

StatusCode StreamOnFile::LockRegion(std::uint64_t, std::uint64_t, std::uint32_t)
{
    return E_NOTIMPL;
}

StatusCode StreamOnFile::UnlockRegion(std::uint64_t, std::uint64_t, std::uint32_t)
{
    return S_OK;
}

StatusCode StreamOnFile::Stat(STATSTG* result, std::uint32_t flags)
{
    if (!result) {
        return STG_E_INVALIDPOINTER;
    }
    std::lock_guard guard(m_lock);
    if (!m_file.Valid()) {
        return E_UNEXPECTED;
    }
    std::uint64_t size = 0;
    if (Failed(FileSize(m_file.Get(), &size))) {
        return E_FAIL;
    }
    char16_t* name = nullptr;
    if (!(flags & STATFLAG_NONAME)) {
        name = static_cast<char16_t*>(CoTaskMemAlloc(sizeof(kStatName)));
        if (!name) {
            return E_OUTOFMEMORY;
        }
        std::memcpy(name, kStatName, sizeof(kStatName));
    }
    *result = STATSTG{};
    result->pwcsName = name;
    result->type = STGTY_STREAM;
    result->cbSize = size;
    result->mtime = m_modified;
    result->ctime = m_created;
    result->atime = m_accessed;
    result->grfMode = 0;
    result->grfLocksSupported = LOCK_ONLYONCE;
    result->clsid = GUID_NULL;
    return S_OK;
}

StatusCode StreamOnFile::Clone(IStream** result)
{
    if (result) {
        *result = nullptr;
    }
    return E_NOTIMPL;
}

StatusCode StreamOnFile::GetClassID(CLSID*) { return E_NOTIMPL; }

StatusCode StreamOnFile::IsDirty() { return E_NOTIMPL; }

StatusCode StreamOnFile::Save(const char16_t*, bool) { return E_NOTIMPL; }

StatusCode StreamOnFile::SaveCompleted(const char16_t*) { return E_NOTIMPL; }

StatusCode StreamOnFile::GetCurFile(char16_t** fileName)
{
    if (fileName) {
        *fileName = nullptr;
    }
    return E_NOTIMPL;
}

// Mode bits and what they become:
//   access   0x2 read and write, else 0x1 write, else read;
//   sharing  an advisory flock taken without waiting: 0x40 none, 0x20 shared, anything
//            else (0x10, 0x30, nothing) exclusive;
//   0x1000   replace the file: it is emptied once the lock is ours, so a refused open
//            never truncates a file someone else holds;
//   else     open, creating the file when missing (mode 0666 less the umask, as any
//            program's new file);
//   0x4000000 delete on release: the name is unlinked as soon as the file is open and
//            locked. The open descriptor keeps the data readable until the last Release,
//            and a crash never leaves the temporary file behind.
StatusCode StreamOnFile::OpenPath(const char16_t* fileName, std::uint32_t mode, OpenFile* file)
{
    if (!fileName) {
        return E_POINTER;
    }
    const std::string path = Utf16ToUtf8Lossless(std::u16string_view(fileName));
    const bool replace = (mode & STGM_CREATE) != 0;
    int access = O_RDONLY;
    if (mode & STGM_READWRITE) {
        access = O_RDWR;
        file->canRead = file->canWrite = true;
    } else if (mode & STGM_WRITE) {
        access = O_WRONLY;
        file->canWrite = true;
    } else {
        file->canRead = true;
    }
    // Emptying a file needs a writable descriptor even when the caller only reads it.
    const int openAccess = (replace && access == O_RDONLY) ? O_RDWR : access;

    const int fd = RetryInterrupted([&] { return ::open(path.c_str(), openAccess | O_CREAT | O_CLOEXEC, 0666); });
    if (fd < 0) {
        return StatusFromErrno();
    }
    file->fd.Reset(fd);

    const int lock = LockForShareMode(mode);
    if (const StatusCode status = TakeShareLock(fd, lock); Failed(status)) {
        return status;
    }
    if (replace) {
        if (RetryInterrupted([&] { return ::ftruncate(fd, 0); }) != 0) {
            return StatusFromErrno();
        }
    }
    if ((mode & STGM_DELETEONRELEASE) && ::unlink(path.c_str()) != 0) {
        return StatusFromErrno();
    }
    // Read ahead only while an exclusive lock keeps every cooperating opener out. A shared
    // lock says nothing about the other holders' access: one of them may write and leave
    // the window stale.
    file->readAhead = lock == LOCK_EX;
    return S_OK;
}

StatusCode StreamOnFile::Load(const char16_t* fileName, std::uint32_t mode)
{
    OpenFile file;
    StatusCode status = S_OK;
    try {
        status = OpenPath(fileName, mode, &file);
    } catch (const std::bad_alloc&) {
        // The path conversion allocates; nothing may be thrown at a caller of the server.
        status = E_OUTOFMEMORY;
    }
    if (Failed(status)) {
        return status;
    }
    // The open itself runs unlocked; the hand-over is locked so that a concurrent Read
    // never sees half of the old file and half of the new one.
    std::lock_guard guard(m_lock);
    m_file = std::move(file.fd);
    m_canRead = file.canRead;
    m_canWrite = file.canWrite;
    m_readAhead = file.readAhead;
    m_position = 0;
    DropReadAhead();
    m_created = FileTimeNow();
    m_modified = m_created;
    m_accessed = m_created;
    return S_OK;
}

} // namespace rillex
