// The built-in content of the dictionary: the published names of MAPI property tags,
// grouped by property type, in the order in which a new dictionary is filled.
#pragma once

#include <cstdint>
#include <span>

namespace tagora {

struct NameEntry {
    std::uint32_t identifier; // the tag's high 16 bits
    const char* name;
};

struct NameGroup {
    std::uint32_t type; // the tag's low 16 bits
    std::span<const NameEntry> entries;
    // Identifiers of `entries` that this group leaves out: the wide-string group shares the
    // 8-bit string list except for names that only exist as 8-bit strings.
    std::span<const std::uint32_t> omitted;
};

// The fourteen groups, one per property type that has names.
std::span<const NameGroup> NameGroups();

} // namespace tagora
