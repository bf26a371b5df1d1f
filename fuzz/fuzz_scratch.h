// A private scratch folder for fuzz targets that work through files: the input file lives
// in it, TMPDIR points at its "tmp" folder, and it is removed at exit. Targets check that
// nothing is left in "tmp" after each input.
#pragma once

#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace fuzz_support {

inline std::string& ScratchPath()
{
    static std::string path;
    return path;
}

inline void RemoveScratch()
{
    std::error_code ignored;
    std::filesystem::remove_all(ScratchPath(), ignored);
}

// The folder, with a trailing '/', made on first use.
inline const std::string& Scratch()
{
    std::string& path = ScratchPath();
    if (path.empty()) {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/pallion-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path = pattern + "/";
        ::mkdir((path + "tmp").c_str(), 0700);
        ::setenv("TMPDIR", (path + "tmp").c_str(), 1);
        std::atexit(RemoveScratch);
    }
    return path;
}

// True when the temporary folder holds nothing.
inline bool TempFolderEmpty()
{
    DIR* dir = ::opendir((Scratch() + "tmp").c_str());
    if (dir == nullptr) {
        return false;
    }
    bool empty = true;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        empty = empty && (name == "." || name == "..");
    }
    ::closedir(dir);
    return empty;
}

} // namespace fuzz_support
