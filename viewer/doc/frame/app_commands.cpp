#include "viewer/doc/frame/app_commands.h"

#include <algorithm>

#include "platform/text_safety.h"
#include "viewer/doc/naming/strings.h"

namespace viewer::doc::frame {

using naming::IDS_ALL_FILES_FILTER;
using naming::LoadString;

std::vector<std::string> FilesToOpen(const std::vector<std::string>& arguments)
{
    std::vector<std::string> files;
    bool options = true;
    for (const std::string& argument : arguments) {
        if (options && argument == "--") {
            options = false;
        } else if (!options || argument.empty() || argument[0] != '-') {
            files.push_back(argument);
        }
    }
    return files;
}

std::string OpenDialogFilter()
{
    return std::string("Message files (*.dat;*.msg)|*.dat;*.msg|") +
           LoadString(IDS_ALL_FILES_FILTER) + "|*.*||";
}

namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(
            text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

} // namespace

std::vector<DialogFilterEntry> SplitDialogFilter(const std::string& filter)
{
    std::vector<DialogFilterEntry> entries;
    const std::vector<std::string> fields = Split(filter, '|');
    // Pairs of label and patterns until the empty label of the closing "||".
    for (std::size_t i = 0; i + 1 < fields.size() && !fields[i].empty(); i += 2) {
        DialogFilterEntry entry;
        entry.label = fields[i];
        for (std::string pattern : Split(fields[i + 1], ';')) {
            if (pattern == "*.*") {
                pattern = "*";
            }
            if (!pattern.empty()) {
                entry.patterns.push_back(pattern);
            }
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string NameFilterText(const DialogFilterEntry& entry)
{
    // The label's own "(...)" lists the patterns in the other system's spelling.
    std::string label = entry.label;
    const std::size_t open = label.rfind('(');
    if (open != std::string::npos && label.back() == ')') {
        label.erase(open);
    }
    while (!label.empty() && label.back() == ' ') {
        label.pop_back();
    }
    std::string patterns;
    for (const std::string& pattern : entry.patterns) {
        patterns += (patterns.empty() ? "" : " ") + pattern;
    }
    return label.empty() ? "(" + patterns + ")" : label + " (" + patterns + ")";
}

RecentFileList::RecentFileList(std::vector<std::string> entries)
{
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (!it->empty()) {
            Add(*it);
        }
    }
}

void RecentFileList::Add(const std::string& path)
{
    Remove(path);
    m_entries.insert(m_entries.begin(), path);
    if (m_entries.size() > kCapacity) {
        m_entries.resize(kCapacity);
    }
}

void RecentFileList::Remove(const std::string& path)
{
    std::erase(m_entries, path);
}

std::string RecentFileMenuText(std::size_t index, const std::string& path)
{
    std::string text = "&" + std::to_string(index + 1) + " ";
    for (char c : platform::EscapeForDisplay(path)) {
        text += c;
        if (c == '&') {
            text += '&';
        }
    }
    return text;
}

} // namespace viewer::doc::frame
