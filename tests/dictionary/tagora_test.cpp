// The dictionary library through its exported functions: the content checked as data
// (sizes, shared string names, uniqueness), and the copy and null rules of TagoraGet.
#include "dictionary/include/tagora.h"

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kString8 = 0x001E;
constexpr std::uint32_t kUnicode = 0x001F;
constexpr std::uint32_t kMvString8 = 0x101E;
constexpr std::uint32_t kMvUnicode = 0x101F;

// Owns one dictionary for a test.
class Dictionary {
public:
    Dictionary() { EXPECT_EQ(TagoraInit(&m_handle), 1); }
    ~Dictionary()
    {
        if (m_handle != nullptr) {
            TagoraClose(m_handle);
        }
    }
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;

    TagoraHandle Handle() const { return m_handle; }

    // The name the viewer would see: zero-filled 128 bytes, limit 127. Empty when none.
    std::string Name(std::uint32_t tag) const
    {
        char buffer[128] = {};
        if (TagoraGet(m_handle, tag, buffer, 127) != 1) {
            return {};
        }
        return buffer;
    }

    // Every identifier of a type that has a name, found by asking for all 65536 of them.
    std::map<std::uint32_t, std::string> NamesOfType(std::uint32_t type) const
    {
        std::map<std::uint32_t, std::string> names;
        for (std::uint32_t id = 0; id <= 0xFFFF; ++id) {
            std::string name = Name((id << 16) | type);
            if (!name.empty()) {
                names.emplace(id, std::move(name));
            }
        }
        return names;
    }

private:
    TagoraHandle m_handle = nullptr;
};

struct TypeGroup {
    std::uint32_t type;
    std::size_t count;
};

constexpr TypeGroup kGroups[] = {
    {0x0002, 1},   {0x0003, 71},  {0x000B, 44}, {0x000D, 10}, {0x0014, 4},
    {0x001E, 150}, {0x001F, 148}, {0x0040, 18}, {0x0048, 3},  {0x0102, 117},
    {0x1003, 2},   {0x101E, 5},   {0x101F, 5},  {0x1102, 2},
};

TEST(TagoraContent, HoldsTheExpectedNumberOfNamesPerType)
{
    Dictionary dictionary;
    std::size_t total = 0;
    for (const TypeGroup& group : kGroups) {
        const auto names = dictionary.NamesOfType(group.type);
        EXPECT_EQ(names.size(), group.count) << "type " << std::hex << group.type;
        total += names.size();
    }
    EXPECT_EQ(total, 580u);
}

TEST(TagoraContent, TypesWithoutNamesAnswerNothing)
{
    Dictionary dictionary;
    // Neighbours of named types, types with no names at all, and the multi-valued forms of
    // single-valued types.
    for (std::uint32_t type : {0x0000u, 0x0001u, 0x0004u, 0x0005u, 0x0006u, 0x0007u, 0x000Au,
                               0x001Du, 0x0020u, 0x0101u, 0x1002u, 0x1014u, 0x1040u, 0x1048u,
                               0x1048u, 0x2002u, 0x8002u, 0xFFFFu}) {
        EXPECT_TRUE(dictionary.NamesOfType(type).empty()) << "type " << std::hex << type;
    }
}

TEST(TagoraContent, WideStringNamesAreTheEightBitNamesLessTwo)
{
    Dictionary dictionary;
    auto string8 = dictionary.NamesOfType(kString8);
    const auto unicode = dictionary.NamesOfType(kUnicode);
    EXPECT_EQ(string8.at(0x39FF), "PR_7BIT_DISPLAY_NAME");
    EXPECT_EQ(string8.at(0x3D0B), "PR_SERVICE_ENTRY_NAME");
    string8.erase(0x39FF);
    string8.erase(0x3D0B);
    EXPECT_EQ(string8, unicode);
}

TEST(TagoraContent, MultiValuedStringNamesCarryTheirEncodingSuffix)
{
    Dictionary dictionary;
    const auto ansi = dictionary.NamesOfType(kMvString8);
    const auto wide = dictionary.NamesOfType(kMvUnicode);
    ASSERT_EQ(ansi.size(), wide.size());
    for (const auto& [id, name] : ansi) {
        ASSERT_GT(name.size(), 2u);
        EXPECT_EQ(name.substr(name.size() - 2), "_A") << name;
        ASSERT_EQ(wide.count(id), 1u) << name;
        EXPECT_EQ(wide.at(id), name.substr(0, name.size() - 2) + "_W");
    }
}

TEST(TagoraContent, NoNameStandsForTwoIdentifiers)
{
    Dictionary dictionary;
    std::map<std::string, std::set<std::uint32_t>> identifiers;
    for (const TypeGroup& group : kGroups) {
        for (const auto& [id, name] : dictionary.NamesOfType(group.type)) {
            identifiers[name].insert(id);
        }
    }
    for (const auto& [name, ids] : identifiers) {
        EXPECT_EQ(ids.size(), 1u) << name;
    }
}

TEST(TagoraContent, NamesAreWellFormedAndBelowTheNamedRange)
{
    Dictionary dictionary;
    for (const TypeGroup& group : kGroups) {
        for (const auto& [id, name] : dictionary.NamesOfType(group.type)) {
            EXPECT_LT(id, 0x8000u) << name;
            EXPECT_EQ(name.rfind("PR_", 0), 0u) << name;
            EXPECT_LT(name.size(), 127u) << name;
            EXPECT_EQ(name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_"),
                      std::string::npos)
                << name;
        }
    }
}

TEST(TagoraLookup, MatchesTheTypeExactly)
{
    Dictionary dictionary;
    EXPECT_EQ(dictionary.Name(0x0037001E), "PR_SUBJECT");
    EXPECT_EQ(dictionary.Name(0x0037001F), "PR_SUBJECT");
    EXPECT_EQ(dictionary.Name(0x00370102), "");
    EXPECT_EQ(dictionary.Name(0x3A4D0002), "PR_GENDER");
    EXPECT_EQ(dictionary.Name(0x3A4D0003), "");
    EXPECT_EQ(dictionary.Name(0x0E1D001E), "PR_NORMALIZED_SUBJECT");
    EXPECT_EQ(dictionary.Name(0x0E1D101E), "");
    EXPECT_EQ(dictionary.Name(0x10130102), "PR_BODY_HTML");
    EXPECT_EQ(dictionary.Name(0x10090102), "PR_RTF_COMPRESSED");
    EXPECT_EQ(dictionary.Name(0x0E070003), "PR_MESSAGE_FLAGS");
    EXPECT_EQ(dictionary.Name(0x665D001F), "PR_ORIGINATOR_ADDRTYPE");
    EXPECT_EQ(dictionary.Name(0x0004001E), "PR_AUTO_FORWARD_COMMENT");
    EXPECT_EQ(dictionary.Name(0x8000001E), "");
    EXPECT_EQ(dictionary.Name(0xFFFF0003), "");
}

TEST(TagoraGet, NameFillingTheBufferIsCopiedWithoutTerminator)
{
    Dictionary dictionary;
    char buffer[16];
    std::memset(buffer, 0xA5, sizeof buffer);
    ASSERT_EQ(TagoraGet(dictionary.Handle(), 0x0037001E, buffer, 5), 1);
    EXPECT_EQ(std::string(buffer, 5), "PR_SU");
    for (std::size_t i = 5; i < sizeof buffer; ++i) {
        EXPECT_EQ(static_cast<unsigned char>(buffer[i]), 0xA5) << "byte " << i;
    }

    // Exactly as long as the name: still no terminator.
    std::memset(buffer, 0xA5, sizeof buffer);
    ASSERT_EQ(TagoraGet(dictionary.Handle(), 0x0037001E, buffer, 10), 1);
    EXPECT_EQ(std::string(buffer, 10), "PR_SUBJECT");
    EXPECT_EQ(static_cast<unsigned char>(buffer[10]), 0xA5);
}

TEST(TagoraGet, ShorterNameIsZeroFilledUpToTheLengthOnly)
{
    Dictionary dictionary;
    char buffer[20];
    std::memset(buffer, 0xA5, sizeof buffer);
    ASSERT_EQ(TagoraGet(dictionary.Handle(), 0x3A4D0002, buffer, 16), 1);
    EXPECT_STREQ(buffer, "PR_GENDER");
    for (std::size_t i = 9; i < 16; ++i) {
        EXPECT_EQ(buffer[i], 0) << "byte " << i;
    }
    for (std::size_t i = 16; i < sizeof buffer; ++i) {
        EXPECT_EQ(static_cast<unsigned char>(buffer[i]), 0xA5) << "byte " << i;
    }
}

TEST(TagoraGet, FailuresLeaveTheBufferUntouched)
{
    Dictionary dictionary;
    std::vector<char> buffer(32, '\x5A');
    const std::vector<char> before = buffer;
    EXPECT_EQ(TagoraGet(dictionary.Handle(), 0x0037001E, buffer.data(), 0), 0);
    EXPECT_EQ(TagoraGet(dictionary.Handle(), 0x0037001E, nullptr, 32), 0);
    EXPECT_EQ(TagoraGet(nullptr, 0x0037001E, buffer.data(), 32), 0);
    EXPECT_EQ(TagoraGet(dictionary.Handle(), 0x00370102, buffer.data(), 32), 0);
    EXPECT_EQ(TagoraGet(dictionary.Handle(), 0x80000003, buffer.data(), 32), 0);
    EXPECT_EQ(buffer, before);
}

TEST(TagoraLifecycle, NullArgumentsAreRefused)
{
    EXPECT_EQ(TagoraInit(nullptr), 0);
    EXPECT_EQ(TagoraClose(nullptr), 0);
}

TEST(TagoraLifecycle, DictionariesAreIndependent)
{
    TagoraHandle first = nullptr;
    TagoraHandle second = nullptr;
    ASSERT_EQ(TagoraInit(&first), 1);
    ASSERT_EQ(TagoraInit(&second), 1);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second);

    char buffer[32] = {};
    EXPECT_EQ(TagoraClose(first), 1);
    ASSERT_EQ(TagoraGet(second, 0x1009'0102, buffer, 31), 1);
    EXPECT_STREQ(buffer, "PR_RTF_COMPRESSED");
    EXPECT_EQ(TagoraClose(second), 1);
}

} // namespace
