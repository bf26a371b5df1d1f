// The run-time binding of libuuid and the helpers for time-based UUIDs.
#include "platform/uuid_library.h"

#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/test_files.h"

using namespace platform;

namespace {

// A version-1 UUID whose timestamp is `fileTime` (converted back to 1582-based time).
GUID TimeBased(std::uint64_t fileTime)
{
    const std::uint64_t timestamp = fileTime + 0x146BF33E42C000;
    GUID guid{};
    guid.Data1 = static_cast<std::uint32_t>(timestamp);
    guid.Data2 = static_cast<std::uint16_t>(timestamp >> 32);
    guid.Data3 = static_cast<std::uint16_t>(0x1000 | ((timestamp >> 48) & 0x0FFF));
    guid.Data4[0] = 0x80 | 0x12;
    return guid;
}

} // namespace

TEST(UuidLibrary, CreatesTimeBasedUuidsOfNow)
{
    UuidLibrary uuids;
    ASSERT_EQ(uuids.Load(), S_OK);
    ASSERT_TRUE(uuids.HasTimeBased());
    GUID first{};
    GUID second{};
    const StatusCode status = uuids.CreateTimeBased(&first);
    EXPECT_TRUE(status == S_OK || status == RPC_S_UUID_LOCAL_ONLY) << status;
    ASSERT_TRUE(Succeeded(uuids.CreateTimeBased(&second)));
    EXPECT_NE(first, second);
    EXPECT_TRUE(IsTimeBasedUuid(first));
    const FILETIME now = FileTimeNow();
    const FILETIME created = UuidTimeToFileTime(first);
    EXPECT_LE(created, now);
    EXPECT_GT(created, now - 600000000ull); // within a minute

    GUID plain{};
    ASSERT_EQ(uuids.Create(&plain), S_OK);
    EXPECT_FALSE(IsTimeBasedUuid(plain)); // random: version 4

    std::string text;
    ASSERT_EQ(uuids.Format(first, &text), S_OK);
    EXPECT_EQ("{" + text + "}", FormatGuid(first));
}

TEST(UuidLibrary, UnloadedBindingRefusesWork)
{
    UuidLibrary uuids;
    GUID guid{};
    std::string text;
    EXPECT_EQ(uuids.CreateTimeBased(&guid), E_UNEXPECTED);
    EXPECT_EQ(uuids.Create(&guid), E_UNEXPECTED);
    EXPECT_EQ(uuids.Format(guid, &text), E_UNEXPECTED);
}

TEST(UuidLibrary, ReportsAMissingOrIncompleteLibrary)
{
    const std::string folder = testing_support::Scratch();
    ::setenv("PALLION_LIBDIR", folder.c_str(), 1);
    // Not loadable at all.
    testing_support::WriteFile(folder + "libuuid.so.1", std::string("garbage"));
    UuidLibrary broken;
    EXPECT_EQ(broken.Load(), E_MOD_NOT_FOUND);
    EXPECT_FALSE(broken.Loaded());
    // A library without the UUID functions.
    ASSERT_EQ(CopyWholeFile(PALLION_TEST_SERVER, folder + "libuuid.so.1"), S_OK);
    UuidLibrary incomplete;
    EXPECT_EQ(incomplete.Load(), E_FAIL);
    EXPECT_FALSE(incomplete.Loaded());
    ::unsetenv("PALLION_LIBDIR");
}

TEST(UuidTime, ConvertsTheTimestampToFileTime)
{
    const std::uint64_t fileTime = 133500000000000000ull; // 2024
    const GUID guid = TimeBased(fileTime);
    EXPECT_TRUE(IsTimeBasedUuid(guid));
    EXPECT_EQ(UuidTimeToFileTime(guid), fileTime);
    // 1582-10-15 itself lies before 1601.
    GUID early{};
    early.Data3 = 0x1000;
    early.Data4[0] = 0x80;
    EXPECT_EQ(UuidTimeToFileTime(early), 0u);
}

TEST(UuidTime, TellsTimeBasedUuidsByVariantAndVersion)
{
    GUID guid = TimeBased(1);
    guid.Data3 = static_cast<std::uint16_t>((guid.Data3 & 0x0FFF) | 0x4000);
    EXPECT_FALSE(IsTimeBasedUuid(guid)) << "version 4";
    guid = TimeBased(1);
    guid.Data4[0] = 0xC0; // variant 110, the old Microsoft one
    EXPECT_FALSE(IsTimeBasedUuid(guid));
    guid.Data4[0] = 0x40; // variant 0, NCS
    EXPECT_FALSE(IsTimeBasedUuid(guid));
    guid.Data4[0] = 0xBF;
    EXPECT_TRUE(IsTimeBasedUuid(guid));
}

TEST(UuidBytes, UseNetworkOrderForTheFields)
{
    const std::uint8_t bytes[16] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0x11, 0xDE,
                                    0x80, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    const GUID guid = GuidFromUuidBytes(bytes);
    EXPECT_EQ(FormatGuid(guid), "{12345678-9ABC-11DE-8001-020304050607}");
    const auto back = UuidBytesFromGuid(guid);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), bytes));
}
