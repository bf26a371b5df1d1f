// The message as the item exporters read it: what a TNEF stream, a converted .msg file or an
// embedded message holds, reduced to typed property values.
//
// - A PropertyBag keeps one object's properties: tagged ones by their 16-bit identifier (the
//   type half of the tag travels with the value, so PR_SUBJECT and PR_SUBJECT_W are one
//   property), named ones by property set and LID or string name.
// - A Message has the bag of the message, one bag per recipient row and per attachment, the
//   legacy TNEF attributes that have no property in the lists (attMessageClass, attDateStart,
//   attDateEnd), the message's code page for its 8-bit strings, and the text of its body when
//   it keeps no plain one.
//
// Whoever fills a Message decides how much of a large value it keeps; the exporters only read.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/guid.h"
#include "viewer/items/named_properties.h"

namespace viewer::items {

// A FILETIME: 100-nanosecond ticks since 1601-01-01 00:00 UTC.
using FileTime = std::uint64_t;

// One property value, typed.
struct Value {
    enum class Kind {
        Integer,     // PT_I2, PT_LONG, PT_I8
        Boolean,     // PT_BOOLEAN
        Double,      // PT_R4, PT_DOUBLE
        Time,        // PT_SYSTIME
        String8,     // PT_STRING8: bytes in the message's code page
        Unicode,     // PT_UNICODE: kept as UTF-8
        Binary,      // PT_BINARY, PT_CLSID
        MultiString, // PT_MV_STRING8 (each in the code page) or PT_MV_UNICODE (each UTF-8)
    };

    Kind kind = Kind::Integer;
    std::int64_t integer = 0; // Integer; Boolean as 0 or 1; Time as FILETIME ticks
    double real = 0;
    std::string bytes;                // String8, Unicode, Binary
    std::vector<std::string> strings; // MultiString
    bool multiUnicode = false;        // MultiString: the strings are UTF-8

    static Value Int(std::int64_t v);
    static Value Bool(bool v);
    static Value Real(double v);
    static Value Time(FileTime v);
    static Value String8(std::string bytes);
    static Value Unicode(std::string utf8);
    static Value Binary(std::string bytes);
    static Value Strings(std::vector<std::string> strings, bool unicode);
};

// One object's properties.
class PropertyBag {
  public:
    // Tagged property; a second value for the same identifier replaces the first.
    void Set(std::uint32_t tag, Value value);
    // Named property, by LID or (when `property.name` is not empty) by name.
    void Set(const NamedProperty& property, Value value);

    [[nodiscard]] const Value* Find(std::uint32_t tag) const;
    [[nodiscard]] const Value* Find(const NamedProperty& property) const;
    [[nodiscard]] bool Empty() const { return m_tagged.empty() && m_named.empty(); }

  private:
    using NamedKey = std::tuple<std::array<std::uint8_t, 16>, std::uint32_t, std::string>;
    static NamedKey KeyOf(const NamedProperty& property);

    std::map<std::uint16_t, Value> m_tagged;
    std::map<NamedKey, Value> m_named;
};

struct Message {
    PropertyBag properties;
    std::vector<PropertyBag> recipients;
    std::vector<PropertyBag> attachments;

    // Legacy attributes: the 8-bit class text as stored, and the dates as FILETIMEs of the
    // wall-clock time they hold (the sender's local time, whose zone they do not name).
    std::optional<std::string> attMessageClass;
    std::optional<FileTime> attDateStart;
    std::optional<FileTime> attDateEnd;

    // The code page of the 8-bit strings.
    std::uint32_t codePage = 1252;
    // The text of the RTF or HTML body (UTF-8), for a message without a plain body.
    std::optional<std::string> bodyText;
};

// Typed reading of one bag: each accessor gives nothing when the property is absent or of
// a kind it cannot stand for.
class PropertyReader {
  public:
    PropertyReader(const PropertyBag& bag, std::uint32_t codePage)
        : m_bag(bag), m_codePage(codePage)
    {
    }

    // String8 decoded with the code page, or Unicode; only a non-empty text counts.
    template <typename Key> [[nodiscard]] std::optional<std::string> Text(const Key& key) const
    {
        return TextOf(m_bag.Find(key));
    }
    // Integer or Boolean.
    template <typename Key> [[nodiscard]] std::optional<std::int64_t> Integer(const Key& key) const
    {
        return IntegerOf(m_bag.Find(key));
    }
    // Boolean or Integer, nonzero meaning true.
    template <typename Key> [[nodiscard]] std::optional<bool> Bool(const Key& key) const
    {
        const auto v = IntegerOf(m_bag.Find(key));
        return v ? std::optional<bool>(*v != 0) : std::nullopt;
    }
    // Double or Integer.
    template <typename Key> [[nodiscard]] std::optional<double> Real(const Key& key) const
    {
        return RealOf(m_bag.Find(key));
    }
    // Time.
    template <typename Key> [[nodiscard]] std::optional<FileTime> Time(const Key& key) const
    {
        return TimeOf(m_bag.Find(key));
    }
    // Binary: the bytes, valid while the bag lives.
    template <typename Key>
    [[nodiscard]] std::optional<std::span<const std::uint8_t>> Binary(const Key& key) const
    {
        return BinaryOf(m_bag.Find(key));
    }
    // MultiString (each decoded), or a single string as a list of one.
    template <typename Key> [[nodiscard]] std::vector<std::string> Strings(const Key& key) const
    {
        return StringsOf(m_bag.Find(key));
    }

  private:
    std::optional<std::string> TextOf(const Value* value) const;
    static std::optional<std::int64_t> IntegerOf(const Value* value);
    static std::optional<double> RealOf(const Value* value);
    static std::optional<FileTime> TimeOf(const Value* value);
    static std::optional<std::span<const std::uint8_t>> BinaryOf(const Value* value);
    std::vector<std::string> StringsOf(const Value* value) const;

    const PropertyBag& m_bag;
    std::uint32_t m_codePage;
};

} // namespace viewer::items
