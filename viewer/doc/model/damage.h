// What is wrong with a stream, each finding with the byte offset where it is: the reader's
// account of damage, for pallion-cli's check and exit status and for the list the desktop
// shows beside the tree. Plain data: a list view shows an entry's three fields as they are.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace viewer::doc::model {

// A problem is damage: something the stream says cannot be so. A note is merely unusual (an
// identifier no table names) and no reason to doubt the rest.
enum class DamageSeverity { Problem, Note };

struct DamageEntry {
    std::uint64_t offset = 0; // from the start of the stream that was read
    DamageSeverity severity = DamageSeverity::Problem;
    std::string message; // made of numbers and table names, never of text from the stream
    bool operator==(const DamageEntry&) const = default;
};

struct DamageReport {
    std::vector<DamageEntry> entries;
    // Nothing of a TNEF stream could be read: too short for its header, or a wrong signature
    // and no readable attribute record.
    bool notTnef = false;

    void Problem(std::uint64_t offset, std::string message)
    {
        entries.push_back({offset, DamageSeverity::Problem, std::move(message)});
    }
    void Note(std::uint64_t offset, std::string message)
    {
        entries.push_back({offset, DamageSeverity::Note, std::move(message)});
    }
    bool HasProblems() const
    {
        for (const DamageEntry& entry : entries) {
            if (entry.severity == DamageSeverity::Problem) {
                return true;
            }
        }
        return false;
    }
};

} // namespace viewer::doc::model
