// pallion-cli: the viewer's tree, details and bytes from the command line. A thin shell over
// the document, the tree builder and the pane logic that the desktop uses too.
#pragma once

#include <ostream>

namespace tools {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitChecksumMismatch = 3; // checksum
inline constexpr int kExitProblemsFound = 3;    // check
inline constexpr int kExitDamaged = 4;

// Runs one command line (argv[0] is the program). Output goes to `out`, messages to `err`.
// Expects the application context to be started up by the caller.
int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace tools
