// The one rule for handing a file from a mail to the desktop: a file that the desktop would
// run rather than show (a program, a script, a launcher, an installer or package, a disk
// image, a Windows program or shortcut that a compatibility layer would start) is never
// handed over. The caller works out the file's types; this decides.
#pragma once

#include <string>
#include <vector>

namespace viewer::doc::frame {

// One MIME type of the file (by its name or by its content) and the types it descends from.
struct FileType {
    std::string name;
    std::vector<std::string> ancestors;
};

// True when any of `types`, or the attachment's `name` by its extension, is a kind the
// desktop runs.
bool RunsAsProgram(const std::vector<FileType>& types, const std::string& name);

} // namespace viewer::doc::frame
