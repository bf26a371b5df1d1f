// Any bytes as a mail file for GimletExtractTnef: no crash, and nothing left in the
// temporary folder except the extracted file on success, which is removed here.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "gimlet/include/gimlet.h"

namespace {

std::string g_folder;

void RemoveFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(g_folder, ignored);
}

// A private folder per process, removed at exit: the mail file beside a temporary folder
// of its own.
const std::string& Folder()
{
    if (g_folder.empty()) {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/gimlet-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        g_folder = pattern + "/";
        ::mkdir((g_folder + "tmp").c_str(), 0700);
        ::setenv("TMPDIR", (g_folder + "tmp").c_str(), 1);
        std::atexit(RemoveFolder);
    }
    return g_folder;
}

bool TempFolderEmpty()
{
    DIR* dir = ::opendir((Folder() + "tmp").c_str());
    if (dir == nullptr) {
        return false;
    }
    bool empty = true;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            empty = false;
        }
    }
    ::closedir(dir);
    return empty;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string mail = Folder() + "mail.eml";
    FILE* file = std::fopen(mail.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();
    }
    char path[GIMLET_PATH_BUFFER_SIZE];
    if (GimletExtractTnef(0, mail.c_str(), path) >= 0 && ::unlink(path) != 0) {
        std::abort(); // reported success without a file
    }
    if (!TempFolderEmpty()) {
        std::abort(); // a failed extraction left a file behind
    }
    return 0;
}
