// Compound files read through libgsf: the storage object that StgOpenStorage gives, the
// owner type for GObjects, and checked reads from the streams inside a storage.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gsf/gsf.h>

#include "convert/unknown_object.h"
#include "platform/com_ptr.h"
#include "platform/gobject_ptr.h"

namespace ferrule {

using platform::StatusCode;

// StgOpenStorage's status for a file that is not a compound file at all.
inline constexpr StatusCode STG_E_FILEALREADYEXISTS = platform::MakeStatus(0x80030050);
// A compound file whose structure libgsf cannot follow.
inline constexpr StatusCode STG_E_DOCFILECORRUPT = platform::MakeStatus(0x80030109);
inline constexpr StatusCode STG_E_INVALIDFLAG = platform::MakeStatus(0x800300FF);

using platform::GPtr;
using platform::GRef;

// The children of one storage, looked up by name without regard to letter case (writers
// differ in the case of the hexadecimal digits in stream names).
class StorageDirectory {
public:
    explicit StorageDirectory(GsfInfile* storage);

    // The child's index in the storage, or -1.
    int Find(const std::string& name) const;
    const std::map<std::string, int>& Entries() const { return m_entries; }

private:
    std::map<std::string, int> m_entries; // upper-case name -> index
};

// True when the child is a stream (libgsf shows streams as infiles without children).
bool IsStream(GsfInput* child);

// Opens the child at `index` when it is a stream (or, for `wantStorage`, a storage).
GPtr<GsfInput> OpenStreamChild(GsfInfile* storage, int index);
GPtr<GsfInfile> OpenStorageChild(GsfInfile* storage, int index);

// Reads exactly `count` bytes at the stream's current position.
[[nodiscard]] StatusCode ReadExact(GsfInput* stream, std::uint8_t* buffer, std::size_t count);
// Reads a whole stream from its start; streams over `limit` bytes are refused.
[[nodiscard]] StatusCode ReadWholeStream(GsfInput* stream, std::size_t limit,
                                         std::vector<std::uint8_t>* bytes);
[[nodiscard]] StatusCode SeekStream(GsfInput* stream, std::uint64_t offset);

// A compound file opened for reading: a reference-counted owner of the root storage.
class Storage final : public UnknownObject {
public:
    static platform::ComPtr<Storage> Create(GPtr<GsfInfile> root);

    GsfInfile* Root() const { return m_root.get(); }

private:
    explicit Storage(GPtr<GsfInfile> root)
        : UnknownObject(platform::IID_IStorage), m_root(std::move(root))
    {
    }
    ~Storage() override = default;

    GPtr<GsfInfile> m_root;
};

// Opens the compound file `name` (UTF-16; converted back to the byte path). Only reading
// modes are accepted: this storage cannot write. `priority`, `exclude` and `reserved` must
// be empty. A file that is not a compound file gives STG_E_FILEALREADYEXISTS, one whose
// structure cannot be followed STG_E_DOCFILECORRUPT, a file that cannot be opened the
// platform error.
[[nodiscard]] StatusCode StgOpenStorage(const char16_t* name, Storage* priority,
                                        std::uint32_t mode, char16_t** exclude,
                                        std::uint32_t reserved, Storage** storage);

// Installs (once) the log handler that keeps libgsf's complaints about damaged files from
// reaching the program's log or aborting it: while a GsfLogScope is alive on a thread, each
// complaint is counted instead, and a read during which libgsf complained counts as failed.
void InstallGsfLogHandler();

class GsfLogScope {
public:
    GsfLogScope();
    ~GsfLogScope();
    GsfLogScope(const GsfLogScope&) = delete;
    GsfLogScope& operator=(const GsfLogScope&) = delete;
};

} // namespace ferrule
