// Dictionary: the names of one dictionary handle, one ordered map per property type.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace tagora {

class Dictionary {
public:
    // Fills the maps from the built-in name groups. Throws std::bad_alloc when memory runs
    // out; the caller then discards the object.
    Dictionary();

    // The name of a tag, or null when the tag's type has no map or its identifier no entry.
    // Types match exactly: an 8-bit string tag is never answered from the wide-string names.
    const std::string* Find(std::uint32_t tag) const;

    // Number of property types that have names.
    static constexpr std::size_t kTypeCount = 14;

private:
    using NameMap = std::map<std::uint32_t, std::string>;

    // The map of a property type, or null for a type without names.
    const NameMap* MapOfType(std::uint32_t type) const;

    std::array<NameMap, kTypeCount> m_maps;
};

} // namespace tagora
