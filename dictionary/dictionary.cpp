#include "dictionary/dictionary_p.h"

#include <algorithm>

#include "dictionary/property_names_p.h"

namespace tagora {

// The maps are indexed by the position of their type in NameGroups().
Dictionary::Dictionary()
{
    const auto groups = NameGroups();
    for (std::size_t index = 0; index < groups.size() && index < kTypeCount; ++index) {
        const NameGroup& group = groups[index];
        NameMap& map = m_maps[index];
        for (const NameEntry& entry : group.entries) {
            if (std::find(group.omitted.begin(), group.omitted.end(), entry.identifier) !=
                group.omitted.end()) {
                continue;
            }
            // Assignment, not insertion: an identifier entered twice keeps the last name.
            map[entry.identifier] = entry.name;
        }
    }
}

const Dictionary::NameMap* Dictionary::MapOfType(std::uint32_t type) const
{
    const auto groups = NameGroups();
    for (std::size_t index = 0; index < groups.size() && index < kTypeCount; ++index) {
        if (groups[index].type == type) {
            return &m_maps[index];
        }
    }
    return nullptr;
}

const std::string* Dictionary::Find(std::uint32_t tag) const
{
    const NameMap* map = MapOfType(tag & 0xFFFFu);
    if (map == nullptr) {
        return nullptr;
    }
    const auto found = map->find(tag >> 16);
    return found == map->end() ? nullptr : &found->second;
}

} // namespace tagora
