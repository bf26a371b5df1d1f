#include "tests/convert/conversion_helpers.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "convert/include/ferrule.h"
#include "platform/status.h"
#include "tests/support/test_files.h"

namespace testing_support {

Conversion ConvertPath(const std::string& msgPath)
{
    Conversion result;
    char buffer[FERRULE_PATH_BUFFER_SIZE];
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    result.status = MsgTNEF(0, msgPath.c_str(), buffer);
    result.tnefPath = buffer;
    if (platform::Succeeded(result.status) && !result.tnefPath.empty()) {
        result.bytes = ReadFile(result.tnefPath);
        if (auto parsed = ParseTnef(result.bytes, &result.error)) {
            result.tnef = std::move(*parsed);
        }
    }
    return result;
}

Conversion ConvertMessage(const MsgBuilder& message, const std::string& name)
{
    const std::string path = TempDir() + name + ".msg";
    EXPECT_TRUE(message.Write(path));
    return ConvertPath(path);
}

TnefPropertyList MessageProperties(const TnefFile& tnef)
{
    const TnefRecord* record = tnef.First(0x00069003);
    EXPECT_NE(record, nullptr);
    if (!record) {
        return {};
    }
    std::string error;
    auto list = ParsePropertyList(record->data, &error);
    EXPECT_TRUE(list) << error;
    return list ? *list : TnefPropertyList{};
}

std::vector<TnefPropertyList> RecipientRows(const TnefFile& tnef)
{
    const TnefRecord* record = tnef.First(0x00069004);
    if (!record) {
        return {};
    }
    std::string error;
    auto rows = ParseRecipientTable(record->data, &error);
    EXPECT_TRUE(rows) << error;
    return rows ? *rows : std::vector<TnefPropertyList>{};
}

const TnefRecord* FindIn(const std::vector<const TnefRecord*>& group, std::uint32_t id)
{
    for (const TnefRecord* record : group) {
        if (record->id == id) {
            return record;
        }
    }
    return nullptr;
}

TnefPropertyList AttachmentProperties(const std::vector<const TnefRecord*>& group)
{
    const TnefRecord* record = FindIn(group, 0x00069005);
    EXPECT_NE(record, nullptr);
    if (!record) {
        return {};
    }
    std::string error;
    auto list = ParsePropertyList(record->data, &error);
    EXPECT_TRUE(list) << error;
    return list ? *list : TnefPropertyList{};
}

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed)
{
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint8_t& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

std::string Text(const std::vector<std::uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

int RunCommand(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace testing_support
