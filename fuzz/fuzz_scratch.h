// A private scratch folder for fuzz targets that work through files: the input file lives
// in it, TMPDIR points at its "tmp" folder, and it is removed at exit. Targets check that
// nothing is left in "tmp" (or in the private temporary folder made there) after each input.
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

// True when the temporary folder holds nothing but empty private temporary folders.
inline bool TempFolderEmpty(const std::string& folder = Scratch() + "tmp/", bool top = true)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return false;
    }
    bool empty = true;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        empty = empty && top && entry->d_type == DT_DIR && name.rfind("tnf", 0) == 0 &&
                TempFolderEmpty(folder + name + "/", false);
    }
    ::closedir(dir);
    return empty;
}

} // namespace fuzz_support
