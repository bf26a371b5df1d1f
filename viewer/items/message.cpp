#include "viewer/items/message.h"

#include <utility>

#include "platform/text.h"

namespace viewer::items {

Value Value::Int(std::int64_t v)
{
    return {.kind = Kind::Integer, .integer = v};
}

Value Value::Bool(bool v)
{
    return {.kind = Kind::Boolean, .integer = v ? 1 : 0};
}

Value Value::Real(double v)
{
    return {.kind = Kind::Double, .real = v};
}

Value Value::Time(FileTime v)
{
    return {.kind = Kind::Time, .integer = static_cast<std::int64_t>(v)};
}

Value Value::String8(std::string bytes)
{
    return {.kind = Kind::String8, .bytes = std::move(bytes)};
}

Value Value::Unicode(std::string utf8)
{
    return {.kind = Kind::Unicode, .bytes = std::move(utf8)};
}

Value Value::Binary(std::string bytes)
{
    return {.kind = Kind::Binary, .bytes = std::move(bytes)};
}

Value Value::Strings(std::vector<std::string> strings, bool unicode)
{
    return {.kind = Kind::MultiString, .strings = std::move(strings), .multiUnicode = unicode};
}

void PropertyBag::Set(std::uint32_t tag, Value value)
{
    m_tagged.insert_or_assign(static_cast<std::uint16_t>(tag >> 16), std::move(value));
}

void PropertyBag::Set(const NamedProperty& property, Value value)
{
    m_named.insert_or_assign(KeyOf(property), std::move(value));
}

const Value* PropertyBag::Find(std::uint32_t tag) const
{
    const auto it = m_tagged.find(static_cast<std::uint16_t>(tag >> 16));
    return it == m_tagged.end() ? nullptr : &it->second;
}

const Value* PropertyBag::Find(const NamedProperty& property) const
{
    const auto it = m_named.find(KeyOf(property));
    return it == m_named.end() ? nullptr : &it->second;
}

PropertyBag::NamedKey PropertyBag::KeyOf(const NamedProperty& property)
{
    // A LID and a name never meet: names key with LID 0xFFFFFFFF, which no LID is.
    return {platform::GuidToBytes(property.set), property.name.empty() ? property.lid : 0xFFFFFFFFu,
            std::string(property.name)};
}

namespace {

// Stored strings may keep their terminator.
std::string_view WithoutTerminator(std::string_view text)
{
    while (!text.empty() && text.back() == '\0') {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::optional<std::string> PropertyReader::TextOf(const Value* value) const
{
    if (value == nullptr) {
        return std::nullopt;
    }
    std::string text;
    if (value->kind == Value::Kind::String8) {
        text = platform::DecodeCodePage(WithoutTerminator(value->bytes), m_codePage);
    } else if (value->kind == Value::Kind::Unicode) {
        text = std::string(WithoutTerminator(value->bytes));
    } else {
        return std::nullopt;
    }
    if (text.empty()) {
        return std::nullopt;
    }
    return text;
}

std::optional<std::int64_t> PropertyReader::IntegerOf(const Value* value)
{
    if (value == nullptr ||
        (value->kind != Value::Kind::Integer && value->kind != Value::Kind::Boolean)) {
        return std::nullopt;
    }
    return value->integer;
}

std::optional<double> PropertyReader::RealOf(const Value* value)
{
    if (value != nullptr && value->kind == Value::Kind::Double) {
        return value->real;
    }
    if (value != nullptr && value->kind == Value::Kind::Integer) {
        return static_cast<double>(value->integer);
    }
    return std::nullopt;
}

std::optional<FileTime> PropertyReader::TimeOf(const Value* value)
{
    if (value == nullptr || value->kind != Value::Kind::Time) {
        return std::nullopt;
    }
    return static_cast<FileTime>(value->integer);
}

std::optional<std::span<const std::uint8_t>> PropertyReader::BinaryOf(const Value* value)
{
    if (value == nullptr || value->kind != Value::Kind::Binary) {
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(value->bytes.data()),
                                         value->bytes.size());
}

std::vector<std::string> PropertyReader::StringsOf(const Value* value) const
{
    std::vector<std::string> out;
    if (value == nullptr) {
        return out;
    }
    if (value->kind != Value::Kind::MultiString) {
        if (auto text = TextOf(value)) {
            out.push_back(std::move(*text));
        }
        return out;
    }
    for (const std::string& s : value->strings) {
        std::string text = value->multiUnicode
                               ? std::string(WithoutTerminator(s))
                               : platform::DecodeCodePage(WithoutTerminator(s), m_codePage);
        if (!text.empty()) {
            out.push_back(std::move(text));
        }
    }
    return out;
}

} // namespace viewer::items
