// Shared steps of the conversion tests: write a message file, convert it through the
// library's entry point, read the TNEF file back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/convert/msg_writer.h"
#include "tests/convert/tnef_test_reader.h"

namespace testing_support {

struct Conversion {
    std::int32_t status = 0;
    std::string tnefPath;
    std::vector<std::uint8_t> bytes;
    TnefFile tnef;
    std::string error; // why the output did not parse, if it did not
};

// Writes `message` to "<TempDir()><name>.msg" and converts it with MsgTNEF. On success the
// output is read and parsed; the file stays for the caller (e.g. for peer tools).
Conversion ConvertMessage(const MsgBuilder& message, const std::string& name);
Conversion ConvertPath(const std::string& msgPath);

// The property lists of a converted message.
TnefPropertyList MessageProperties(const TnefFile& tnef);
std::vector<TnefPropertyList> RecipientRows(const TnefFile& tnef);
TnefPropertyList AttachmentProperties(const std::vector<const TnefRecord*>& group);
const TnefRecord* FindIn(const std::vector<const TnefRecord*>& group, std::uint32_t id);

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed);
std::string Text(const std::vector<std::uint8_t>& bytes);

// Runs a shell command; its exit status.
int RunCommand(const std::string& command);

} // namespace testing_support
