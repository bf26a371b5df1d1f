// A strict test-side TNEF reader: every record, every checksum, and every property list
// parsed to its last byte, so that a layout fault in the encoder fails the test.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/guid.h"

namespace testing_support {

struct TnefRecord {
    std::uint8_t level = 0;
    std::uint32_t id = 0;
    std::vector<std::uint8_t> data;
    std::uint16_t checksum = 0;
    bool checksumOk = false;
};

struct TnefProperty {
    std::uint32_t tag = 0;
    bool named = false;
    platform::GUID guid{};
    std::uint32_t kind = 0;
    std::uint32_t lid = 0;
    std::u16string name;
    std::vector<std::vector<std::uint8_t>> values;

    std::uint32_t Long() const;
    std::string Text8() const;       // PT_STRING8 without the terminator
    std::u16string Text16() const;   // PT_UNICODE without the terminator
};

using TnefPropertyList = std::vector<TnefProperty>;

struct TnefFile {
    std::uint32_t signature = 0;
    std::uint16_t key = 0;
    std::vector<TnefRecord> records;

    std::vector<const TnefRecord*> Find(std::uint32_t id) const;
    const TnefRecord* First(std::uint32_t id) const;
    // Records between each attAttachRenddata and the next.
    std::vector<std::vector<const TnefRecord*>> Attachments() const;
};

// Parses a whole stream; an error names what and where.
std::optional<TnefFile> ParseTnef(const std::vector<std::uint8_t>& bytes, std::string* error);
// Parses attMAPIProps / attAttachment data, which must be used up exactly.
std::optional<TnefPropertyList> ParsePropertyList(const std::vector<std::uint8_t>& data,
                                                  std::string* error);
// Parses attRecipTable data into its rows.
std::optional<std::vector<TnefPropertyList>> ParseRecipientTable(
    const std::vector<std::uint8_t>& data, std::string* error);

const TnefProperty* FindProperty(const TnefPropertyList& list, std::uint32_t tag);
// A temporary list would leave the result dangling.
const TnefProperty* FindProperty(TnefPropertyList&& list, std::uint32_t tag) = delete;

} // namespace testing_support
