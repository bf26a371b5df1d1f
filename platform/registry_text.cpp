// The registration store's text: the .reg export format, parsed into and written from
// RegistryData.
#include "platform/registry.h"

#include "platform/text.h"

namespace platform {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kClassesRoot = "HKEY_CLASSES_ROOT";
constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";

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

// "[ROOT\\key\\path]" or "[ROOT]".
bool ParseKeyLine(std::string_view line, RegistryRoot* root, std::string* keyPath)
{
    if (line.size() < 2 || line.back() != ']') {
        return false;
    }
    const std::string_view inner = line.substr(1, line.size() - 2);
    const std::size_t slash = inner.find('\\');
    if (!ParseRoot(inner.substr(0, slash), root)) {
        return false;
    }
    *keyPath = slash == std::string_view::npos ? "" : std::string(inner.substr(slash + 1));
    return slash == std::string_view::npos || !keyPath->empty();
}

// "@=<data>" or "\"name\"=<data>", <data> "\"text\"" or "dword:XXXXXXXX".
bool ParseValueLine(std::string_view line, std::string* name, RegistryValue* value)
{
    std::size_t pos = 0;
    if (line.front() == '@') {
        pos = 1;
    } else if (!ParseQuoted(line, &pos, name)) {
        return false;
    }
    if (pos >= line.size() || line[pos] != '=') {
        return false;
    }
    ++pos;
    if (pos < line.size() && line[pos] == '"') {
        return ParseQuoted(line, &pos, &value->text) && pos == line.size();
    }
    if (!ParseDword(line.substr(pos), &value->number)) {
        return false;
    }
    value->type = REG_DWORD;
    return true;
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
            if (!ParseKeyLine(line, &root, &keyPath) || Failed(result.CreateKey(root, keyPath))) {
                return E_INVALID_DATA;
            }
            haveKey = true;
            continue;
        }
        std::string name;
        RegistryValue value;
        if (!haveKey || !ParseValueLine(line, &name, &value) ||
            Failed(result.SetValue(root, keyPath, name, value))) {
            return E_INVALID_DATA;
        }
    }
    *data = std::move(result);
    return S_OK;
}

} // namespace platform
