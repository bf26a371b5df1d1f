#include "tests/convert/tnef_test_reader.h"

namespace testing_support {

namespace {

class Cursor {
public:
    Cursor(const std::vector<std::uint8_t>& bytes, std::string* error) : m_bytes(bytes), m_error(error) {}

    bool U32(std::uint32_t* value)
    {
        if (!Need(4, "u32")) {
            return false;
        }
        *value = static_cast<std::uint32_t>(m_bytes[m_pos]) |
                 (static_cast<std::uint32_t>(m_bytes[m_pos + 1]) << 8) |
                 (static_cast<std::uint32_t>(m_bytes[m_pos + 2]) << 16) |
                 (static_cast<std::uint32_t>(m_bytes[m_pos + 3]) << 24);
        m_pos += 4;
        return true;
    }
    bool Bytes(std::size_t count, std::vector<std::uint8_t>* out)
    {
        if (!Need(count, "data")) {
            return false;
        }
        out->assign(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_pos),
                     m_bytes.begin() + static_cast<std::ptrdiff_t>(m_pos + count));
        m_pos += count;
        return true;
    }
    bool Skip(std::size_t count)
    {
        if (!Need(count, "padding")) {
            return false;
        }
        m_pos += count;
        return true;
    }
    bool Pad(std::size_t size) { return size % 4 == 0 || Skip(4 - size % 4); }
    bool AtEnd() const { return m_pos == m_bytes.size(); }
    std::size_t Position() const { return m_pos; }
    bool Fail(const std::string& what)
    {
        if (m_error) {
            *m_error = what + " at " + std::to_string(m_pos);
        }
        return false;
    }

private:
    bool Need(std::size_t count, const char* what)
    {
        if (count > m_bytes.size() - m_pos) {
            return Fail(std::string("short ") + what);
        }
        return true;
    }

    const std::vector<std::uint8_t>& m_bytes;
    std::string* m_error;
    std::size_t m_pos = 0;
};

std::size_t FixedSize(std::uint32_t base)
{
    switch (base) {
    case 0x0002:
    case 0x000B:
        return 2;
    case 0x0003:
    case 0x0004:
    case 0x000A:
        return 4;
    case 0x0005:
    case 0x0006:
    case 0x0007:
    case 0x0014:
    case 0x0040:
        return 8;
    case 0x0048:
        return 16;
    default:
        return 0;
    }
}

bool ParseProperties(Cursor& cursor, TnefPropertyList* list)
{
    std::uint32_t count = 0;
    if (!cursor.U32(&count)) {
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        TnefProperty property;
        if (!cursor.U32(&property.tag)) {
            return false;
        }
        const std::uint32_t id = property.tag >> 16;
        if (id >= 0x8000 && id <= 0xFFFE) {
            property.named = true;
            std::vector<std::uint8_t> guid;
            if (!cursor.Bytes(16, &guid) || !cursor.U32(&property.kind)) {
                return false;
            }
            property.guid = platform::GuidFromBytes(guid.data());
            if (property.kind == 0) {
                if (!cursor.U32(&property.lid)) {
                    return false;
                }
            } else if (property.kind == 1) {
                std::uint32_t length = 0;
                std::vector<std::uint8_t> name;
                if (!cursor.U32(&length)) {
                    return false;
                }
                if (length == 0 || length > 1024 || length % 2 != 0) {
                    return cursor.Fail("bad name length");
                }
                if (!cursor.Bytes(length, &name) || !cursor.Pad(length)) {
                    return false;
                }
                for (std::size_t k = 0; k + 1 < name.size(); k += 2) {
                    property.name.push_back(static_cast<char16_t>(name[k] | (name[k + 1] << 8)));
                }
                if (property.name.empty() || property.name.back() != u'\0') {
                    return cursor.Fail("name without terminator");
                }
                property.name.pop_back();
            } else {
                return cursor.Fail("bad kind");
            }
        }
        const std::uint32_t type = property.tag & 0xFFFF;
        const std::uint32_t base = type & ~0x1000u;
        const bool variable = base == 0x001E || base == 0x001F || base == 0x0102;
        std::uint32_t values = 1;
        if ((type & 0x1000) || variable || base == 0x000D) {
            if (!cursor.U32(&values)) {
                return false;
            }
        }
        for (std::uint32_t v = 0; v < values; ++v) {
            std::vector<std::uint8_t> value;
            if (variable || base == 0x000D) {
                // Objects: the size counts the 16-byte interface identifier kept in front.
                std::uint32_t size = 0;
                if (!cursor.U32(&size) || !cursor.Bytes(size, &value) || !cursor.Pad(size)) {
                    return false;
                }
                if (base == 0x000D && size < 16) {
                    return cursor.Fail("object value without interface identifier");
                }
                if (base == 0x001E && (value.empty() || value.back() != 0)) {
                    return cursor.Fail("8-bit string without terminator");
                }
                if (base == 0x001F &&
                    (value.size() < 2 || value.size() % 2 != 0 || value[value.size() - 1] != 0 ||
                     value[value.size() - 2] != 0)) {
                    return cursor.Fail("UTF-16 string without terminator");
                }
            } else {
                const std::size_t size = FixedSize(base);
                if (size == 0) {
                    return cursor.Fail("type without size");
                }
                if (!cursor.Bytes(size, &value) || !cursor.Pad(size)) {
                    return false;
                }
            }
            property.values.push_back(std::move(value));
        }
        list->push_back(std::move(property));
    }
    return true;
}

} // namespace

std::uint32_t TnefProperty::Long() const
{
    if (values.empty() || values[0].size() < 4) {
        return 0;
    }
    const auto& v = values[0];
    return static_cast<std::uint32_t>(v[0]) | (static_cast<std::uint32_t>(v[1]) << 8) |
           (static_cast<std::uint32_t>(v[2]) << 16) | (static_cast<std::uint32_t>(v[3]) << 24);
}

std::string TnefProperty::Text8() const
{
    if (values.empty() || values[0].empty()) {
        return {};
    }
    return std::string(values[0].begin(), values[0].end() - 1);
}

std::u16string TnefProperty::Text16() const
{
    std::u16string text;
    if (values.empty()) {
        return text;
    }
    for (std::size_t k = 0; k + 1 < values[0].size(); k += 2) {
        text.push_back(static_cast<char16_t>(values[0][k] | (values[0][k + 1] << 8)));
    }
    if (!text.empty() && text.back() == u'\0') {
        text.pop_back();
    }
    return text;
}

std::vector<const TnefRecord*> TnefFile::Find(std::uint32_t id) const
{
    std::vector<const TnefRecord*> found;
    for (const TnefRecord& record : records) {
        if (record.id == id) {
            found.push_back(&record);
        }
    }
    return found;
}

const TnefRecord* TnefFile::First(std::uint32_t id) const
{
    const auto found = Find(id);
    return found.empty() ? nullptr : found.front();
}

std::vector<std::vector<const TnefRecord*>> TnefFile::Attachments() const
{
    std::vector<std::vector<const TnefRecord*>> groups;
    for (const TnefRecord& record : records) {
        if (record.level == 2 && record.id == 0x00069002) {
            groups.emplace_back();
        }
        if (!groups.empty()) {
            groups.back().push_back(&record);
        }
    }
    return groups;
}

std::optional<TnefFile> ParseTnef(const std::vector<std::uint8_t>& bytes, std::string* error)
{
    Cursor cursor(bytes, error);
    TnefFile file;
    std::uint32_t signature = 0;
    std::vector<std::uint8_t> key;
    if (!cursor.U32(&signature) || !cursor.Bytes(2, &key)) {
        return std::nullopt;
    }
    file.signature = signature;
    file.key = static_cast<std::uint16_t>(key[0] | (key[1] << 8));
    while (!cursor.AtEnd()) {
        TnefRecord record;
        std::vector<std::uint8_t> level;
        std::uint32_t length = 0;
        std::vector<std::uint8_t> checksum;
        if (!cursor.Bytes(1, &level) || !cursor.U32(&record.id) || !cursor.U32(&length) ||
            !cursor.Bytes(length, &record.data) || !cursor.Bytes(2, &checksum)) {
            return std::nullopt;
        }
        record.level = level[0];
        if (record.level != 1 && record.level != 2) {
            cursor.Fail("bad level");
            return std::nullopt;
        }
        record.checksum = static_cast<std::uint16_t>(checksum[0] | (checksum[1] << 8));
        std::uint32_t sum = 0;
        for (const std::uint8_t byte : record.data) {
            sum += byte;
        }
        record.checksumOk = static_cast<std::uint16_t>(sum) == record.checksum;
        file.records.push_back(std::move(record));
    }
    return file;
}

std::optional<TnefPropertyList> ParsePropertyList(const std::vector<std::uint8_t>& data,
                                                  std::string* error)
{
    Cursor cursor(data, error);
    TnefPropertyList list;
    if (!ParseProperties(cursor, &list)) {
        return std::nullopt;
    }
    if (!cursor.AtEnd()) {
        cursor.Fail("bytes after the list");
        return std::nullopt;
    }
    return list;
}

std::optional<std::vector<TnefPropertyList>> ParseRecipientTable(
    const std::vector<std::uint8_t>& data, std::string* error)
{
    Cursor cursor(data, error);
    std::uint32_t rows = 0;
    if (!cursor.U32(&rows)) {
        return std::nullopt;
    }
    std::vector<TnefPropertyList> table;
    for (std::uint32_t i = 0; i < rows; ++i) {
        TnefPropertyList row;
        if (!ParseProperties(cursor, &row)) {
            return std::nullopt;
        }
        table.push_back(std::move(row));
    }
    if (!cursor.AtEnd()) {
        cursor.Fail("bytes after the table");
        return std::nullopt;
    }
    return table;
}

const TnefProperty* FindProperty(const TnefPropertyList& list, std::uint32_t tag)
{
    for (const TnefProperty& property : list) {
        if (property.tag == tag) {
            return &property;
        }
    }
    return nullptr;
}

} // namespace testing_support
