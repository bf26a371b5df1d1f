// The application's own decisions, kept out of the widgets: which command-line arguments
// name files, the File Open dialog's filter, how a filter written "label|patterns|" reads as
// entries, and the recent-file list.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace viewer::doc::frame {

// The files a command line asks to open (the program's name left out). An argument that
// starts with "-" is an option and opens nothing; after "--" every argument is a file.
std::vector<std::string> FilesToOpen(const std::vector<std::string>& arguments);

// File Open's filter: "Message files (*.dat;*.msg)|*.dat;*.msg|All Files (*.*)|*.*||".
std::string OpenDialogFilter();

// One entry of a dialog filter: what the person reads and the name patterns it stands for.
struct DialogFilterEntry {
    std::string label;
    std::vector<std::string> patterns;
    bool operator==(const DialogFilterEntry&) const = default;
};

// The entries of a filter written "label|patterns|label|patterns||" (patterns separated
// by ";"). "*.*" means every file, as it does where the filters come from, so it becomes
// "*": on Linux "*.*" would hide every name without a dot.
std::vector<DialogFilterEntry> SplitDialogFilter(const std::string& filter);

// An entry as desktop file dialogs take it: the label with its patterns in parentheses
// ("Message files (*.dat *.msg)", "All Files (*)").
std::string NameFilterText(const DialogFilterEntry& entry);

// The most recently opened files, newest first, at most kCapacity, each once.
class RecentFileList {
public:
    static constexpr std::size_t kCapacity = 4;

    explicit RecentFileList(std::vector<std::string> entries = {});
    // Puts `path` first (moving it up when it is already listed).
    void Add(const std::string& path);
    void Remove(const std::string& path);
    const std::vector<std::string>& Entries() const { return m_entries; }

private:
    std::vector<std::string> m_entries;
};

// The menu text of recent file `index` (0-based): "&1 /home/ann/winmail.dat", with "&" in
// the path doubled and control or direction-changing characters escaped.
std::string RecentFileMenuText(std::size_t index, const std::string& path);

} // namespace viewer::doc::frame
