// The process's private temporary folder. Every temporary file Pallion makes for itself (the
// document's private copy, converted and extracted mail, pane files, embedded-object copies)
// lives in "<TempFolder()>tnf<pid>.<6 random characters>/", mode 0700, so that no copy of a
// mail outlives the process whatever ends it:
//   - a normal exit removes the folder, and so do SIGTERM, SIGHUP, SIGINT and SIGPIPE when
//     the process has not chosen to ignore them (the handler then passes the signal on to
//     the handler it replaced, or ends the process as the signal would have);
//   - after SIGKILL or a crash, the next Pallion process of the same user removes folders
//     whose process is gone (RemoveOrphanedTempFolders), never a live process's.
// Files handed to another program (an attachment opened with its application) are made
// outside it and stay.
#pragma once

#include <cstddef>
#include <string>

#include "platform/status.h"

namespace platform {

// The environment variable in which the first copy of the platform code to make the folder
// records it, so that the copies inside shared libraries find the same one. A recorded folder
// is taken only when the pid in its name is the process's own: a child makes its own.
inline constexpr const char* kPrivateTempVariable = "PALLION_PRIVATE_TMP";

// The folder, with a trailing '/', made at first use (and made again when it has gone).
// Fails with the platform's reason when the temporary folder is missing or not writable.
[[nodiscard]] StatusCode PrivateTempFolder(std::string* folder);

// Removes the private folders in TempFolder() that belong to this user and whose process no
// longer runs; the number removed.
std::size_t RemoveOrphanedTempFolders();

} // namespace platform
