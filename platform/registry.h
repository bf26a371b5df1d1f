// The registration store: hierarchical keys with named values under two roots, kept per
// user in one text file in the .reg export format:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CLASSES_ROOT\corvane.rillex]
//   @="rillex class"
//   "RawView"=dword:00000001
//
// `@` is the default value (the empty name); in quoted text `\` and `"` are escaped with a
// backslash. Key and value names compare case-insensitively (ASCII) and keep the spelling
// they were first written with.
//
// The file is $PALLION_REGISTRY, else $XDG_CONFIG_HOME/corvane/registry.reg, else
// ~/.config/corvane/registry.reg, worked out at each use. Changes are read-modify-write
// under an exclusive flock (on the store's folder) and land by renaming a complete 0600
// file over the old one.
// When the folder cannot be written the store of this process moves into memory (shared by
// every copy of this code in the process) and registrations live as long as the process.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/status.h"

namespace platform {

inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_DWORD = 4;

// Success with a warning: the store was malformed, was moved aside to
// "<store>.broken-<time>" and a fresh store was started. Callers report it.
inline constexpr StatusCode REGISTRY_S_STORE_RECOVERED = 0x00000002;

enum class RegistryRoot { ClassesRoot, LocalMachine };

struct RegistryValue {
    std::uint32_t type = REG_SZ;
    std::string text;          // REG_SZ
    std::uint32_t number = 0;  // REG_DWORD

    friend bool operator==(const RegistryValue&, const RegistryValue&) = default;
};

// The content of a store in memory, with parsing from and writing to the file format.
class RegistryData {
public:
    // Parses a whole store file. Malformed text gives E_INVALID_DATA and leaves *data as is.
    [[nodiscard]] static StatusCode Parse(std::string_view text, RegistryData* data);
    // The file text; Parse of it gives back equal data.
    std::string Serialize() const;

    // Missing key or value: E_FILE_NOT_FOUND.
    [[nodiscard]] StatusCode GetValue(RegistryRoot root, std::string_view key,
                                      std::string_view name, RegistryValue* value) const;
    bool HasKey(RegistryRoot root, std::string_view key) const;
    // Creates the key and its parents. A key path is names separated by single `\`; an
    // empty name, or a control character (other than tab) in a name or a text, gives
    // E_INVALIDARG.
    [[nodiscard]] StatusCode CreateKey(RegistryRoot root, std::string_view key);
    // Creates the key when missing and sets the value (empty name: the default value).
    [[nodiscard]] StatusCode SetValue(RegistryRoot root, std::string_view key,
                                      std::string_view name, const RegistryValue& value);
    // Removes a key with its values and subkeys; a missing key gives E_FILE_NOT_FOUND.
    [[nodiscard]] StatusCode DeleteKey(RegistryRoot root, std::string_view key);

    bool Empty() const { return m_keys.empty(); }
    friend bool operator==(const RegistryData&, const RegistryData&);

private:
    struct Key {
        std::string spelling; // full path with root, as first written
        std::map<std::string, std::pair<std::string, RegistryValue>> values; // folded name
    };
    std::map<std::string, Key> m_keys; // folded full path
};

// The store file this process uses now (settings read at this call).
std::string RegistryStorePath();

// True when the store named by RegistryStorePath() lives in memory for this process.
bool RegistryInMemory();

// Reads one value from the store. Missing key or value: E_FILE_NOT_FOUND. A malformed store
// reads as empty (a Transaction recovers it).
[[nodiscard]] StatusCode RegistryReadValue(RegistryRoot root, std::string_view key,
                                           std::string_view name, RegistryValue* value);
// Convenience: a REG_SZ value (another type gives E_INVALID_DATA).
[[nodiscard]] StatusCode RegistryReadText(RegistryRoot root, std::string_view key,
                                          std::string_view name, std::string* text);

// Single changes, each its own transaction.
[[nodiscard]] StatusCode RegistryWriteText(RegistryRoot root, std::string_view key,
                                           std::string_view name, std::string_view text);
[[nodiscard]] StatusCode RegistryWriteNumber(RegistryRoot root, std::string_view key,
                                             std::string_view name, std::uint32_t number);

// Several changes that land together: Begin locks and reads the store, the changes apply
// to Data(), Commit writes and unlocks. Destruction without Commit drops the changes.
//
//   Transaction transaction;
//   StatusCode status = transaction.Begin();   // S_OK or REGISTRY_S_STORE_RECOVERED
//   ... transaction.Data().SetValue(...) ...
//   status = transaction.Commit();
class Transaction {
public:
    Transaction() = default;
    ~Transaction() = default;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Takes the exclusive lock and reads the store. A malformed store is moved aside and
    // the result is REGISTRY_S_STORE_RECOVERED (a success).
    [[nodiscard]] StatusCode Begin();
    RegistryData& Data() { return m_data; }

    [[nodiscard]] StatusCode SetText(RegistryRoot root, std::string_view key,
                                     std::string_view name, std::string_view text);
    [[nodiscard]] StatusCode SetNumber(RegistryRoot root, std::string_view key,
                                       std::string_view name, std::uint32_t number);

    // Writes the store and releases the lock. When the folder cannot be written the
    // store moves into memory for this process and the result is still S_OK.
    [[nodiscard]] StatusCode Commit();

private:
    bool m_begun = false;
    bool m_readOnly = false; // the store must not be replaced: commit to memory
    std::string m_path;
    UniqueFd m_lock;         // the locked store folder or memory store, unlocked on destruction
    RegistryData m_data;
};

} // namespace platform
