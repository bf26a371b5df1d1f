#include "platform/registry.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text.h"

namespace platform {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kClassesRoot = "HKEY_CLASSES_ROOT";
constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";
// Names the in-memory store of this process: "<pid>:<fd>:<store path>".
constexpr const char* kMemoryVariable = "PALLION_REGISTRY_MEMORY";
constexpr const char* kMemoryName = "pallion-registry";
// A store is a handful of keys; anything this large is not one of ours.
constexpr std::size_t kMaxStoreSize = 16u << 20;

std::string Fold(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

std::string_view RootName(RegistryRoot root)
{
    return root == RegistryRoot::ClassesRoot ? kClassesRoot : kLocalMachine;
}

// A name or text can hold anything but control characters (a tab excepted): the file is
// line-based and has no escape for them.
bool ValidText(std::string_view text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
            return false;
        }
    }
    return true;
}

// Key paths are non-empty names separated by single backslashes; "" is the root itself.
bool ValidKeyPath(std::string_view key)
{
    if (key.empty()) {
        return true;
    }
    if (!ValidText(key) || key.front() == '\\' || key.back() == '\\' ||
        key.find("\\\\") != std::string_view::npos) {
        return false;
    }
    return true;
}

std::string FullPath(RegistryRoot root, std::string_view key)
{
    std::string path(RootName(root));
    if (!key.empty()) {
        path.push_back('\\');
        path.append(key);
    }
    return path;
}

void AppendQuoted(std::string* out, std::string_view text)
{
    out->push_back('"');
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out->push_back('\\');
        }
        out->push_back(c);
    }
    out->push_back('"');
}

// Reads a quoted text starting at line[*pos] == '"', undoing the \" and \\ escapes.
// On success *pos is just past the closing quote.
bool ParseQuoted(std::string_view line, std::size_t* pos, std::string* text)
{
    if (*pos >= line.size() || line[*pos] != '"') {
        return false;
    }
    std::string result;
    for (std::size_t i = *pos + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            *pos = i + 1;
            *text = std::move(result);
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= line.size() || (line[i + 1] != '"' && line[i + 1] != '\\')) {
                return false;
            }
            ++i;
        }
        result.push_back(line[i]);
    }
    return false;
}

// "dword:" followed by one to eight hexadecimal digits, up to the end of the line.
bool ParseDword(std::string_view data, std::uint32_t* number)
{
    constexpr std::string_view kPrefix = "dword:";
    if (data.substr(0, kPrefix.size()) != kPrefix) {
        return false;
    }
    const std::string_view digits = data.substr(kPrefix.size());
    if (digits.empty() || digits.size() > 8) {
        return false;
    }
    std::uint32_t value = 0;
    for (const char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            return false;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    *number = value;
    return true;
}

bool ParseRoot(std::string_view name, RegistryRoot* root)
{
    const std::string folded = Fold(name);
    if (folded == Fold(kClassesRoot)) {
        *root = RegistryRoot::ClassesRoot;
        return true;
    }
    if (folded == Fold(kLocalMachine)) {
        *root = RegistryRoot::LocalMachine;
        return true;
    }
    return false;
}

} // namespace

// ---- Content ---------------------------------------------------------------------------

StatusCode RegistryData::CreateKey(RegistryRoot root, std::string_view key)
{
    if (!ValidKeyPath(key)) {
        return E_INVALIDARG;
    }
    // Every ancestor exists as a key of its own, as in an export.
    std::size_t end = 0;
    while (true) {
        end = key.find('\\', end);
        const std::string path = FullPath(root, key.substr(0, end));
        m_keys.try_emplace(Fold(path), Key{path, {}});
        if (end == std::string_view::npos) {
            return S_OK;
        }
        ++end;
    }
}

StatusCode RegistryData::SetValue(RegistryRoot root, std::string_view key, std::string_view name,
                                  const RegistryValue& value)
{
    if (!ValidText(name) || (value.type != REG_SZ && value.type != REG_DWORD) ||
        (value.type == REG_SZ && !ValidText(value.text))) {
        return E_INVALIDARG;
    }
    const StatusCode status = CreateKey(root, key);
    if (Failed(status)) {
        return status;
    }
    RegistryValue stored = value;
    if (stored.type == REG_SZ) {
        stored.number = 0;
    } else {
        stored.text.clear();
    }
    auto& values = m_keys[Fold(FullPath(root, key))].values;
    auto [slot, added] = values.try_emplace(Fold(name), std::string(name), stored);
    if (!added) {
        slot->second.second = std::move(stored);
    }
    return S_OK;
}

StatusCode RegistryData::GetValue(RegistryRoot root, std::string_view key, std::string_view name,
                                  RegistryValue* value) const
{
    const auto found = m_keys.find(Fold(FullPath(root, key)));
    if (found == m_keys.end()) {
        return E_FILE_NOT_FOUND;
    }
    const auto entry = found->second.values.find(Fold(name));
    if (entry == found->second.values.end()) {
        return E_FILE_NOT_FOUND;
    }
    *value = entry->second.second;
    return S_OK;
}

bool RegistryData::HasKey(RegistryRoot root, std::string_view key) const
{
    return m_keys.count(Fold(FullPath(root, key))) != 0;
}

StatusCode RegistryData::DeleteKey(RegistryRoot root, std::string_view key)
{
    const std::string folded = Fold(FullPath(root, key));
    const auto found = m_keys.find(folded);
    if (found == m_keys.end()) {
        return E_FILE_NOT_FOUND;
    }
    const std::string prefix = folded + '\\';
    m_keys.erase(found);
    // Keys sort by folded path and '\\' sorts after some name characters (' ', '-', '.'),
    // so subkeys need not follow their parent directly: look at every key.
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        it = it->first.compare(0, prefix.size(), prefix) == 0 ? m_keys.erase(it) : std::next(it);
    }
    return S_OK;
}

bool operator==(const RegistryData& a, const RegistryData& b)
{
    if (a.m_keys.size() != b.m_keys.size()) {
        return false;
    }
    for (auto i = a.m_keys.begin(), j = b.m_keys.begin(); i != a.m_keys.end(); ++i, ++j) {
        if (i->first != j->first || i->second.spelling != j->second.spelling ||
            i->second.values != j->second.values) {
            return false;
        }
    }
    return true;
}

std::string RegistryData::Serialize() const
{
    std::string out(kHeader);
    out.append("\n\n");
    for (const auto& [folded, key] : m_keys) {
        out.push_back('[');
        out.append(key.spelling);
        out.append("]\n");
        for (const auto& [foldedName, entry] : key.values) {
            const auto& [name, value] = entry;
            if (name.empty()) {
                out.push_back('@');
            } else {
                AppendQuoted(&out, name);
            }
            out.push_back('=');
            if (value.type == REG_DWORD) {
                char digits[16];
                std::snprintf(digits, sizeof digits, "dword:%08x", value.number);
                out.append(digits);
            } else {
                AppendQuoted(&out, value.text);
            }
            out.push_back('\n');
        }
        out.push_back('\n');
    }
    return out;
}

// The file is lines (LF or CRLF; a UTF-8 byte-order mark is skipped):
//   an optional header line "Windows Registry Editor Version 5.00" before anything else,
//   blank lines and ";" comments,
//   "[ROOT\key\path]" opening a key (ROOT one of the two roots; "[ROOT]" is the root key),
//   "@=<data>" or "\"name\"=<data>" setting a value of the key opened last, where <data>
//   is "\"text\"" or "dword:" with 1-8 hexadecimal digits.
// Anything else, a value before the first key, or a control character in a name or a text,
// makes the whole store malformed.
StatusCode RegistryData::Parse(std::string_view text, RegistryData* data)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    RegistryData result;
    bool seenContent = false;
    bool haveKey = false;
    RegistryRoot root = RegistryRoot::ClassesRoot;
    std::string keyPath;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.find_first_not_of(" \t") == std::string_view::npos || line.front() == ';') {
            continue;
        }
        if (!seenContent && line == kHeader) {
            seenContent = true;
            continue;
        }
        seenContent = true;
        if (line.front() == '[') {
            if (line.size() < 2 || line.back() != ']') {
                return E_INVALID_DATA;
            }
            const std::string_view inner = line.substr(1, line.size() - 2);
            const std::size_t slash = inner.find('\\');
            if (!ParseRoot(inner.substr(0, slash), &root)) {
                return E_INVALID_DATA;
            }
            keyPath = slash == std::string_view::npos ? "" : std::string(inner.substr(slash + 1));
            if (slash != std::string_view::npos && keyPath.empty()) {
                return E_INVALID_DATA;
            }
            if (Failed(result.CreateKey(root, keyPath))) {
                return E_INVALID_DATA;
            }
            haveKey = true;
            continue;
        }
        if (!haveKey) {
            return E_INVALID_DATA;
        }
        std::string name;
        std::size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else if (!ParseQuoted(line, &pos, &name)) {
            return E_INVALID_DATA;
        }
        if (pos >= line.size() || line[pos] != '=') {
            return E_INVALID_DATA;
        }
        ++pos;
        RegistryValue value;
        if (pos < line.size() && line[pos] == '"') {
            if (!ParseQuoted(line, &pos, &value.text) || pos != line.size()) {
                return E_INVALID_DATA;
            }
        } else if (ParseDword(line.substr(pos), &value.number)) {
            value.type = REG_DWORD;
        } else {
            return E_INVALID_DATA;
        }
        if (Failed(result.SetValue(root, keyPath, name, value))) {
            return E_INVALID_DATA;
        }
    }
    *data = std::move(result);
    return S_OK;
}

// ---- Files -------------------------------------------------------------------------------

namespace {

std::string Setting(const char* name)
{
    const char* value = secure_getenv(name);
    return value ? value : "";
}

std::string HomeFolder()
{
    std::string home = Setting("HOME");
    if (!home.empty()) {
        return home;
    }
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found &&
        found->pw_dir) {
        return found->pw_dir;
    }
    return "/";
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates the missing folders of `folder` (mode 0700, as a configuration folder should be).
void MakeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string prefix = folder.substr(0, slash);
        if (!prefix.empty()) {
            ::mkdir(prefix.c_str(), 0700);
        }
        if (slash == std::string::npos) {
            return;
        }
    }
}

StatusCode ReadAll(int fd, std::string* text)
{
    std::string result;
    char buffer[65536];
    while (true) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(result.size()));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return StatusFromErrno();
        }
        if (got == 0) {
            break;
        }
        if (result.size() + static_cast<std::size_t>(got) > kMaxStoreSize) {
            return E_INVALID_DATA;
        }
        result.append(buffer, static_cast<std::size_t>(got));
    }
    *text = std::move(result);
    return S_OK;
}

StatusCode WriteAll(int fd, std::string_view text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::pwrite(fd, text.data() + done, text.size() - done,
                                     static_cast<off_t>(done));
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return StatusFromErrno();
        }
        done += static_cast<std::size_t>(put);
    }
    return S_OK;
}

// Filesystems without advisory locks (some network and FUSE mounts) grant them: the lock
// is a courtesy, not a reason to refuse the store.
StatusCode Lock(int fd, int operation)
{
    while (::flock(fd, operation) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno == ENOLCK || errno == EOPNOTSUPP) {
            return S_OK;
        }
        return StatusFromErrno();
    }
    return S_OK;
}

// Writes `text` to a new 0600 file beside `path`, flushes it and renames it over `path`, so
// a reader or a crash sees the old store or the new one, never half of one.
StatusCode ReplaceFile(const std::string& path, std::string_view text)
{
    std::string temp = path + ".tmp-XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.Valid()) {
        return StatusFromErrno();
    }
    TempFile owner(temp);
    StatusCode status = WriteAll(fd.Get(), text);
    if (Succeeded(status) && ::fsync(fd.Get()) != 0) {
        status = StatusFromErrno();
    }
    if (Succeeded(status) && ::rename(temp.c_str(), path.c_str()) != 0) {
        status = StatusFromErrno();
    }
    if (Failed(status)) {
        return status;
    }
    (void)owner.Release();
    return S_OK;
}

// Keeps the bytes of a malformed store under "<path>.broken-<UTC time>" (a suffix when that
// name is taken), never overwriting an earlier one.
StatusCode KeepBrokenStore(const std::string& path, std::string_view bytes)
{
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    struct tm parts {};
    ::gmtime_r(&now, &parts);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
    StatusCode status = E_FAIL;
    for (int attempt = 1; attempt <= 100; ++attempt) {
        std::string name = path + ".broken-" + stamp;
        if (attempt > 1) {
            name += "-" + std::to_string(attempt);
        }
        UniqueFd fd;
        status = CreateFileExclusive(name, &fd);
        if (status == E_FILE_EXISTS) {
            continue;
        }
        if (Succeeded(status)) {
            status = WriteAll(fd.Get(), bytes);
            if (Failed(status)) {
                ::unlink(name.c_str());
            }
        }
        return status;
    }
    return status;
}

// ---- The in-memory store -----------------------------------------------------------------
//
// Each shared library carries its own copy of this code, so the memory store cannot be a
// variable: it is a memfd whose number the environment names, and every copy in the process
// finds it there. A child process does not inherit it (close-on-exec, and the process id
// must match).

bool IsOurMemoryFile(int fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[256];
    const ssize_t size = ::readlink(link, target, sizeof target - 1);
    const std::string expected = std::string("/memfd:") + kMemoryName;
    return size > 0 && std::string_view(target, static_cast<std::size_t>(size)).rfind(expected, 0) == 0;
}

// The memory store for `path`, opened anew (its own lock), or an invalid descriptor.
UniqueFd OpenMemoryStore(const std::string& path)
{
    const std::string value = Setting(kMemoryVariable);
    long pid = 0;
    int fd = -1;
    int used = 0;
    if (std::sscanf(value.c_str(), "%ld:%d:%n", &pid, &fd, &used) < 2 || used == 0 ||
        pid != static_cast<long>(::getpid()) || value.substr(static_cast<std::size_t>(used)) != path ||
        !IsOurMemoryFile(fd)) {
        return UniqueFd();
    }
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    return UniqueFd(::open(link, O_RDWR | O_CLOEXEC));
}

// Moves the store for `path` into memory with the content `text`.
StatusCode CreateMemoryStore(const std::string& path, std::string_view text)
{
    const int fd = ::memfd_create(kMemoryName, MFD_CLOEXEC);
    if (fd < 0) {
        return StatusFromErrno();
    }
    const StatusCode status = WriteAll(fd, text);
    if (Failed(status)) {
        ::close(fd);
        return status;
    }
    // The previous memory store (for another path) stays open: another copy of this code
    // may still be reading it.
    // setenv is not safe against other threads reading the environment; the store changes
    // from the one thread that runs the program's logic.
    const std::string value = std::to_string(::getpid()) + ":" + std::to_string(fd) + ":" + path;
    ::setenv(kMemoryVariable, value.c_str(), 1);
    return S_OK;
}

StatusCode WriteMemoryStore(int fd, std::string_view text)
{
    if (::ftruncate(fd, 0) != 0) {
        return StatusFromErrno();
    }
    return WriteAll(fd, text);
}

} // namespace

std::string RegistryStorePath()
{
    std::string path = Setting("PALLION_REGISTRY");
    if (!path.empty()) {
        return path;
    }
    // Relative values of XDG_CONFIG_HOME are to be ignored.
    std::string base = Setting("XDG_CONFIG_HOME");
    if (base.empty() || base.front() != '/') {
        base = HomeFolder() + "/.config";
    }
    return base + "/corvane/registry.reg";
}

bool RegistryInMemory()
{
    return OpenMemoryStore(RegistryStorePath()).Valid();
}

StatusCode RegistryReadValue(RegistryRoot root, std::string_view key, std::string_view name,
                             RegistryValue* value)
{
    if (!value) {
        return E_POINTER;
    }
    const std::string path = RegistryStorePath();
    UniqueFd fd = OpenMemoryStore(path);
    if (fd.Valid()) {
        const StatusCode status = Lock(fd.Get(), LOCK_SH);
        if (Failed(status)) {
            return status;
        }
    } else {
        // Stores are replaced by rename: an unlocked read sees one whole version.
        fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd.Valid()) {
            return errno == ENOTDIR ? E_FILE_NOT_FOUND : StatusFromErrno();
        }
    }
    std::string text;
    RegistryData data;
    if (Failed(ReadAll(fd.Get(), &text)) || Failed(RegistryData::Parse(text, &data))) {
        return E_FILE_NOT_FOUND;
    }
    return data.GetValue(root, key, name, value);
}

StatusCode RegistryReadText(RegistryRoot root, std::string_view key, std::string_view name,
                            std::string* text)
{
    if (!text) {
        return E_POINTER;
    }
    RegistryValue value;
    const StatusCode status = RegistryReadValue(root, key, name, &value);
    if (Failed(status)) {
        return status;
    }
    if (value.type != REG_SZ) {
        return E_INVALID_DATA;
    }
    *text = std::move(value.text);
    return S_OK;
}

namespace {

// One change in a transaction of its own; a recovered store's warning is passed on.
StatusCode WriteOne(RegistryRoot root, std::string_view key, std::string_view name,
                    const RegistryValue& value)
{
    Transaction transaction;
    const StatusCode begun = transaction.Begin();
    if (Failed(begun)) {
        return begun;
    }
    StatusCode status = transaction.Data().SetValue(root, key, name, value);
    if (Succeeded(status)) {
        status = transaction.Commit();
    }
    return Failed(status) ? status : begun;
}

} // namespace

StatusCode RegistryWriteText(RegistryRoot root, std::string_view key, std::string_view name,
                             std::string_view text)
{
    RegistryValue value;
    value.text = std::string(text);
    return WriteOne(root, key, name, value);
}

StatusCode RegistryWriteNumber(RegistryRoot root, std::string_view key, std::string_view name,
                               std::uint32_t number)
{
    RegistryValue value;
    value.type = REG_DWORD;
    value.number = number;
    return WriteOne(root, key, name, value);
}

// ---- Transactions ------------------------------------------------------------------------

StatusCode Transaction::Begin()
{
    if (m_begun) {
        return E_UNEXPECTED;
    }
    m_path = RegistryStorePath();
    m_data = RegistryData();
    m_readOnly = false;
    std::string text;

    m_lock = OpenMemoryStore(m_path);
    if (m_lock.Valid()) {
        StatusCode status = Lock(m_lock.Get(), LOCK_EX);
        if (Succeeded(status)) {
            status = ReadAll(m_lock.Get(), &text);
        }
        if (Failed(status)) {
            m_lock.Reset();
            return status;
        }
        m_begun = true;
        // Only this code writes the memory store; should it still not parse, start afresh.
        return Succeeded(RegistryData::Parse(text, &m_data)) ? S_OK : REGISTRY_S_STORE_RECOVERED;
    }

    // A change replaces the store file, so the lock is taken on its folder, which stays put
    // (a lock on the file would be left behind on the replaced inode).
    const std::string folder = FolderOf(m_path);
    MakeFolders(folder);
    UniqueFd lock(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (lock.Valid()) {
        const StatusCode status = Lock(lock.Get(), LOCK_EX);
        if (Failed(status)) {
            return status;
        }
    }
    m_lock = std::move(lock);
    m_begun = true;

    UniqueFd fd(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        // No store yet (or no folder for one): start empty. A store we cannot read must not
        // be replaced by one that lacks its content: changes then stay in memory.
        m_readOnly = errno != ENOENT && errno != ENOTDIR;
        return S_OK;
    }
    const StatusCode read = ReadAll(fd.Get(), &text);
    if (Failed(read) && read != E_INVALID_DATA) {
        m_readOnly = true;
        return S_OK;
    }
    if (Succeeded(read) && Succeeded(RegistryData::Parse(text, &m_data))) {
        return S_OK;
    }

    // Malformed: keep its bytes aside, then start a fresh store. Where the folder cannot
    // be written the broken file stays as it is and the fresh store lives in memory.
    if (Failed(KeepBrokenStore(m_path, text)) ||
        Failed(ReplaceFile(m_path, RegistryData().Serialize()))) {
        m_readOnly = true;
    }
    return REGISTRY_S_STORE_RECOVERED;
}

StatusCode Transaction::SetText(RegistryRoot root, std::string_view key, std::string_view name,
                                std::string_view text)
{
    RegistryValue value;
    value.type = REG_SZ;
    value.text = std::string(text);
    return m_data.SetValue(root, key, name, value);
}

StatusCode Transaction::SetNumber(RegistryRoot root, std::string_view key, std::string_view name,
                                  std::uint32_t number)
{
    RegistryValue value;
    value.type = REG_DWORD;
    value.number = number;
    return m_data.SetValue(root, key, name, value);
}

StatusCode Transaction::Commit()
{
    if (!m_begun) {
        return E_UNEXPECTED;
    }
    m_begun = false;
    const std::string text = m_data.Serialize();
    StatusCode status = S_OK;
    if (m_lock.Valid() && IsOurMemoryFile(m_lock.Get())) {
        status = WriteMemoryStore(m_lock.Get(), text);
    } else if (m_readOnly || Failed(ReplaceFile(m_path, text))) {
        // The folder cannot be written (read-only home, full disk): opening files must
        // still work, so the store lives in memory from now on.
        status = CreateMemoryStore(m_path, text);
    }
    m_lock.Reset();
    return status;
}

} // namespace platform
