#include "platform/output_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Names of the file while it is not yet in place: hidden, unguessable, ours.
std::string StandInName()
{
    return ".tnf" + RandomCharacters(6) + ".tmp";
}

constexpr std::uint32_t kStandInTries = 100;

} // namespace

OutputFile::~OutputFile()
{
    Abandon();
}

void OutputFile::Abandon()
{
    if (!m_committed && !m_standIn.empty() && m_folder >= 0) {
        ::unlinkat(m_folder, m_standIn.c_str(), 0);
    }
    m_standIn.clear();
}

StatusCode OutputFile::OpenUnnamed(int folder, unsigned mode)
{
    m_folder = folder;
    const int fd = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd >= 0) {
        m_fd.Reset(fd);
        return S_OK;
    }
    // Filesystems without unnamed files: a hidden stand-in, removed unless it gets its name.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return StatusFromErrno();
    }
    const auto nameFor = [](std::uint32_t) { return StandInName(); };
    return CreateFirstFreeFile(nameFor, kStandInTries, &m_standIn, &m_fd, folder, mode);
}

StatusCode OutputFile::Open(const std::string& path)
{
    if (path.empty()) {
        return E_INVALIDARG;
    }
    std::string target = path;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        // Written through: the file the link names is the one replaced.
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved)) {
            target = resolved;
        }
    }
    if (::stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        if (S_ISDIR(info.st_mode)) {
            return StatusFromError(EISDIR);
        }
        const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            return StatusFromErrno();
        }
        m_fd.Reset(fd);
        m_direct = true;
        return S_OK;
    }
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    m_name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (m_name.empty() || m_name == "." || m_name == "..") {
        return StatusFromError(EISDIR);
    }
    m_ownFolder.Reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!m_ownFolder.Valid()) {
        return StatusFromErrno();
    }
    return OpenUnnamed(m_ownFolder.Get(), 0666);
}

StatusCode OutputFile::OpenIn(int folder, unsigned mode)
{
    if (folder < 0) {
        return E_INVALIDARG;
    }
    return OpenUnnamed(folder, mode);
}

StatusCode OutputFile::LinkAs(const std::string& name)
{
    if (!m_standIn.empty()) {
        if (::linkat(m_folder, m_standIn.c_str(), m_folder, name.c_str(), 0) != 0) {
            return errno == EEXIST ? E_FILE_EXISTS : StatusFromErrno();
        }
        ::unlinkat(m_folder, m_standIn.c_str(), 0);
        m_standIn.clear();
        return S_OK;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd.Get());
    int result = ::linkat(AT_FDCWD, self.c_str(), m_folder, name.c_str(), AT_SYMLINK_FOLLOW);
    if (result != 0 && errno == ENOENT) {
        // Without /proc, naming the descriptor itself needs CAP_DAC_READ_SEARCH.
        result = ::linkat(m_fd.Get(), "", m_folder, name.c_str(), AT_EMPTY_PATH);
    }
    if (result != 0) {
        return errno == EEXIST ? E_FILE_EXISTS : StatusFromErrno();
    }
    return S_OK;
}

StatusCode OutputFile::CommitAs(const std::string& name)
{
    if (!m_fd.Valid() || m_direct || m_committed) {
        return E_UNEXPECTED;
    }
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
        return E_INVALIDARG;
    }
    const StatusCode status = LinkAs(name);
    m_committed = Succeeded(status);
    return status;
}

StatusCode OutputFile::Commit()
{
    if (!m_fd.Valid() || m_committed) {
        return E_UNEXPECTED;
    }
    if (m_direct) {
        m_committed = true;
        return S_OK;
    }
    StatusCode status = m_standIn.empty() ? LinkAs(m_name) : E_FILE_EXISTS;
    if (status == E_FILE_EXISTS) {
        // Replacing: the new file takes the old one's permissions, gets a hidden name beside
        // it and is renamed over it in one step.
        struct stat old {};
        if (::fstatat(m_folder, m_name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(old.st_mode)) {
            static_cast<void>(::fchmod(m_fd.Get(), old.st_mode & 07777));
        }
        for (std::uint32_t tries = 0; m_standIn.empty() && tries < kStandInTries; ++tries) {
            const std::string name = StandInName();
            status = LinkAs(name);
            if (Succeeded(status)) {
                m_standIn = name;
            } else if (status != E_FILE_EXISTS) {
                return status;
            }
        }
        if (m_standIn.empty()) {
            return status;
        }
        if (::renameat(m_folder, m_standIn.c_str(), m_folder, m_name.c_str()) != 0) {
            return StatusFromErrno();
        }
        m_standIn.clear();
        status = S_OK;
    }
    m_committed = Succeeded(status);
    return status;
}

} // namespace platform
