// Helpers for tests: the process's private scratch folder and whole-file reads and writes.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace testing_support {

// The private folder of this test process (removed at exit). TMPDIR points at
// Scratch() + "tmp/" and PALLION_REGISTRY at Scratch() + "registry.reg".
const std::string& Scratch();
std::string TempDir();
// The process's private temporary folder inside TempDir(), made when missing.
std::string PrivateTempDir();

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteFile(const std::string& path, const std::string& text);
std::vector<std::uint8_t> ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// `text` with every character but ASCII letters and digits made "_": a test or folder name.
std::string IdentifierOf(const std::string& text);

// The names in the temporary folder now, the files of private temporary folders as
// "folder/name"; compare before and after to find leftovers.
std::set<std::string> TempFolderEntries();

} // namespace testing_support
