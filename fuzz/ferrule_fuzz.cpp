// Message files for MsgTNEF. Inputs that start with the compound-file signature are taken
// as whole files; any other input is cut into length-prefixed pieces that become the
// streams of a message file written here, so that the fuzzer reaches the property, value
// and name streams instead of stopping at libgsf's container checks. Whatever MsgTNEF
// reports as converted must be a well-formed TNEF stream, and nothing may be left in the
// temporary folder.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>
#include <gsf/gsf.h>
#include <sys/stat.h>
#include <unistd.h>

#include "convert/include/ferrule.h"
#include "fuzz/fuzz_scratch.h"
#include "platform/gobject_ptr.h"
#include "tests/convert/tnef_test_reader.h"

namespace {

using fuzz_support::TempFolderEmpty;

const std::string& Folder() { return fuzz_support::Scratch(); }

// Where each piece of a structured input goes: a storage ("" for the root) and a stream.
struct Slot {
    const char* storage;
    const char* stream;
};
constexpr Slot kSlots[] = {
    {"", "__properties_version1.0"},
    {"", "__substg1.0_0037001F"},
    {"__nameid_version1.0", "__substg1.0_00020102"},
    {"__nameid_version1.0", "__substg1.0_00030102"},
    {"__nameid_version1.0", "__substg1.0_00040102"},
    {"__recip_version1.0_#00000000", "__properties_version1.0"},
    {"__recip_version1.0_#00000000", "__substg1.0_3001001E"},
    {"__attach_version1.0_#00000000", "__properties_version1.0"},
    {"__attach_version1.0_#00000000", "__substg1.0_37010102"},
    {"", "__substg1.0_8000001F"},
    {"", "__substg1.0_5001101F"},
    {"", "__substg1.0_5001101F-00000000"},
    {"", "__substg1.0_50021102"},
    {"", "__substg1.0_50021102-00000001"},
    {"", "__substg1.0_1000001F"},
    // An attachment holding an embedded message (with a recipient and an attachment that
    // holds a further message), and one holding an OLE object's storage.
    {"__attach_version1.0_#00000001", "__properties_version1.0"},
    {"__attach_version1.0_#00000001/__substg1.0_3701000D", "__properties_version1.0"},
    {"__attach_version1.0_#00000001/__substg1.0_3701000D", "__substg1.0_0037001F"},
    {"__attach_version1.0_#00000001/__substg1.0_3701000D/__recip_version1.0_#00000000",
     "__properties_version1.0"},
    {"__attach_version1.0_#00000001/__substg1.0_3701000D/__attach_version1.0_#00000000",
     "__properties_version1.0"},
    {"__attach_version1.0_#00000001/__substg1.0_3701000D/__attach_version1.0_#00000000/"
     "__substg1.0_3701000D",
     "__properties_version1.0"},
    {"__attach_version1.0_#00000002", "__properties_version1.0"},
    {"__attach_version1.0_#00000002/__substg1.0_3701000D", "Contents"},
    {"__attach_version1.0_#00000002/__substg1.0_3701000D/Pool", "Inner"},
};

bool WriteStructured(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::vector<std::vector<std::uint8_t>> pieces(std::size(kSlots));
    std::size_t offset = 0;
    for (std::size_t i = 0; i < pieces.size() && size - offset >= 2; ++i) {
        std::size_t length = data[offset] | (data[offset + 1] << 8);
        offset += 2;
        length = std::min(length, size - offset);
        pieces[i].assign(data + offset, data + offset + length);
        offset += length;
    }
    GError* error = nullptr;
    platform::GPtr<GsfOutput> sink(gsf_output_stdio_new(path.c_str(), &error));
    if (!sink) {
        if (error) {
            g_error_free(error);
        }
        return false;
    }
    platform::GPtr<GsfOutfile> root(gsf_outfile_msole_new(sink.get()));
    // Storages by path ("a/b"), made on first use, parents first.
    std::vector<std::pair<std::string, platform::GPtr<GsfOutput>>> storages;
    std::function<GsfOutfile*(const std::string&)> storageAt = [&](const std::string& where) {
        if (where.empty()) {
            return root.get();
        }
        for (const auto& storage : storages) {
            if (storage.first == where) {
                return GSF_OUTFILE(storage.second.get());
            }
        }
        const std::size_t slash = where.rfind('/');
        GsfOutfile* parent = storageAt(slash == std::string::npos ? std::string() : where.substr(0, slash));
        const std::string name = slash == std::string::npos ? where : where.substr(slash + 1);
        storages.emplace_back(where, platform::GPtr<GsfOutput>(
                                        gsf_outfile_new_child(parent, name.c_str(), TRUE)));
        return GSF_OUTFILE(storages.back().second.get());
    };
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        GsfOutfile* parent = storageAt(kSlots[i].storage);
        platform::GPtr<GsfOutput> child(gsf_outfile_new_child(parent, kSlots[i].stream, FALSE));
        if (!pieces[i].empty()) {
            gsf_output_write(child.get(), pieces[i].size(), pieces[i].data());
        }
        gsf_output_close(child.get());
    }
    // Children before their parents.
    for (auto storage = storages.rbegin(); storage != storages.rend(); ++storage) {
        gsf_output_close(storage->second.get());
    }
    return gsf_output_close(GSF_OUTPUT(root.get()));
}

bool WriteWhole(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

void CheckOutput(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        std::abort(); // reported success without a file
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    std::fclose(file);
    std::string error;
    const auto tnef = testing_support::ParseTnef(bytes, &error);
    if (!tnef) {
        std::fprintf(stderr, "malformed TNEF: %s\n", error.c_str());
        std::abort();
    }
    for (const auto& record : tnef->records) {
        bool ok = record.checksumOk;
        if (record.id == 0x00069003 || record.id == 0x00069005) {
            ok = ok && testing_support::ParsePropertyList(record.data, &error).has_value();
        } else if (record.id == 0x00069004) {
            ok = ok && testing_support::ParseRecipientTable(record.data, &error).has_value();
        }
        if (!ok) {
            std::fprintf(stderr, "bad record %08X: %s\n", record.id, error.c_str());
            std::abort();
        }
    }
}

} // namespace

// libgsf loses a few directory entries of some malformed compound files (allocated in
// gsf_infile_msole_new and never linked into its tree); that is its leak, not ours, and
// would stop every run. GLib has no frame pointers, so the fast unwinder's stacks end in
// GLib's allocator: the target allocates nothing through GLib itself.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:gsf_infile_msole_new\nleak:libglib-2.0.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    const std::string message = Folder() + "input.msg";
    const bool whole = size >= 8 && std::memcmp(data, kSignature, 8) == 0;
    if (!(whole ? WriteWhole(message, data, size) : WriteStructured(message, data, size))) {
        std::abort();
    }
    char path[FERRULE_PATH_BUFFER_SIZE];
    if (MsgTNEF(0, message.c_str(), path) >= 0) {
        CheckOutput(path);
        if (::unlink(path) != 0) {
            std::abort();
        }
    } else if (path[0] != '\0') {
        std::abort(); // a failure must leave an empty path
    }
    if (!TempFolderEmpty()) {
        std::abort(); // a failed conversion left a file behind
    }
    return 0;
}
