// Output files that are whole or absent. A file is written without a name (O_TMPFILE) in the
// folder it belongs in and gets its name only once everything is written, so a failure, a
// full disk or a kill half-way leaves no partial file, and a file that was there is replaced
// in one step or not at all. A target that is no regular file (a terminal, /dev/stdout, a
// FIFO) cannot be replaced and is written directly.
#pragma once

#include <string>

#include "platform/files.h"
#include "platform/status.h"

namespace platform {

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // A file never committed disappears.
    ~OutputFile();

    // Prepares `path` for writing; Commit gives it its name, replacing a file that was there
    // (keeping that file's permissions). A symbolic link is written through, to the file it
    // names.
    [[nodiscard]] StatusCode Open(const std::string& path);

    // Prepares a file in the folder open as `folder` (a descriptor that must stay open until
    // the file is committed), to be named by CommitAs.
    [[nodiscard]] StatusCode OpenIn(int folder, unsigned mode = 0666);

    int Fd() const { return m_fd.Get(); }
    // Whether the target is written directly (it is no regular file).
    bool Direct() const { return m_direct; }

    // Gives the file opened with Open its name.
    [[nodiscard]] StatusCode Commit();

    // Gives the file opened with OpenIn the name `name` in its folder, never replacing
    // anything: a name that exists (or a link planted there) is E_FILE_EXISTS, and the file
    // stays unnamed for another try.
    [[nodiscard]] StatusCode CommitAs(const std::string& name);

private:
    [[nodiscard]] StatusCode OpenUnnamed(int folder, unsigned mode);
    [[nodiscard]] StatusCode LinkAs(const std::string& name);
    void Abandon();

    UniqueFd m_fd;
    UniqueFd m_ownFolder;  // the target's folder, opened by Open
    int m_folder = -1;     // where the file is linked
    std::string m_name;    // the target's name in that folder, for Commit
    std::string m_standIn; // a named stand-in where the filesystem has no O_TMPFILE
    bool m_direct = false;
    bool m_committed = false;
};

} // namespace platform
