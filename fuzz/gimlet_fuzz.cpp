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

#include "fuzz/fuzz_scratch.h"
#include "gimlet/include/gimlet.h"

namespace {

using fuzz_support::TempFolderEmpty;

const std::string& Folder() { return fuzz_support::Scratch(); }

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
