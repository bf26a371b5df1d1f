#include "tests/support/test_files.h"

#include <cctype>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>

#include "platform/private_temp.h"

namespace testing_support {

std::string TempDir() { return Scratch() + "tmp/"; }

std::string PrivateTempDir()
{
    std::string folder;
    if (platform::Failed(platform::PrivateTempFolder(&folder))) {
        throw std::runtime_error("no private temporary folder in " + TempDir());
    }
    return folder;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

void WriteFile(const std::string& path, const std::string& text)
{
    WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool FileExists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::string IdentifierOf(const std::string& text)
{
    std::string name = text;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return name;
}

namespace {

void AddEntries(const std::string& folder, const std::string& prefix, std::set<std::string>& names)
{
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            // A private temporary folder counts by what it holds: made at first use, it is
            // no leftover itself.
            if (prefix.empty() && name.rfind("tnf", 0) == 0 && entry->d_type == DT_DIR) {
                AddEntries(folder + name + "/", name + "/", names);
            } else {
                names.insert(prefix + name);
            }
        }
        ::closedir(dir);
    }
}

} // namespace

std::set<std::string> TempFolderEntries()
{
    std::set<std::string> names;
    AddEntries(TempDir(), "", names);
    return names;
}

} // namespace testing_support
