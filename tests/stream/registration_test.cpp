#include "stream/registration.h"

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/com_ptr.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/uuid_library.h"
#include "stream/class_id.h"
#include "stream/module.h"
#include "tests/support/test_files.h"

using namespace platform;

namespace {

constexpr auto kRoot = RegistryRoot::ClassesRoot;
constexpr char kServer[] = "/opt/pallion/lib/librillex.so";

// Starts every test from an empty store.
class Registration : public ::testing::Test {
protected:
    void SetUp() override { ::unlink(RegistryStorePath().c_str()); }
    void TearDown() override { ::unlink(RegistryStorePath().c_str()); }
};

std::string ReadText(const std::string& key, const std::string& name = "")
{
    std::string text;
    const StatusCode status = RegistryReadText(kRoot, key, name, &text);
    return Succeeded(status) ? text : "<missing>";
}

// Checks the nine entries, all naming `classId` and the server at `server`.
void ExpectEntries(const CLSID& classId, const std::string& server)
{
    const std::string id = FormatGuid(classId);
    const std::string clsidKey = "CLSID\\" + id;
    EXPECT_EQ(ReadText("corvane.rillex"), "rillex class");
    EXPECT_EQ(ReadText("corvane.rillex\\CLSID"), id);
    EXPECT_EQ(ReadText("corvane.rillex\\CurVer"), "corvane.rillex.1");
    EXPECT_EQ(ReadText("corvane.rillex.1"), "rillex class");
    EXPECT_EQ(ReadText("corvane.rillex.1\\CLSID"), id);
    EXPECT_EQ(ReadText(clsidKey), "rillex class");
    EXPECT_EQ(ReadText(clsidKey + "\\ProgID"), "corvane.rillex.1");
    EXPECT_EQ(ReadText(clsidKey + "\\VersionIndependentProgID"), "corvane.rillex");
    EXPECT_EQ(ReadText(clsidKey + "\\InprocServer32"), server);
    EXPECT_EQ(ReadText(clsidKey + "\\InprocServer32", "ThreadingModel"), "Both");
}

// How many class keys the store file holds.
int ClassKeyCount()
{
    std::string text;
    if (FILE* file = std::fopen(RegistryStorePath().c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            text.append(buffer, n);
        }
        std::fclose(file);
    }
    const std::string marker = "[HKEY_CLASSES_ROOT\\CLSID\\{";
    int count = 0;
    for (auto at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1)) {
        // Count the class keys themselves, not their subkeys.
        const auto end = text.find(']', at);
        if (text.compare(end - 1, 1, "}") == 0) {
            ++count;
        }
    }
    return count;
}

GUID TimeBasedAt(std::uint64_t fileTime)
{
    const std::uint64_t timestamp = fileTime + 0x146BF33E42C000ull;
    GUID uuid{0, 0, 0, {0x81, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    uuid.Data1 = static_cast<std::uint32_t>(timestamp);
    uuid.Data2 = static_cast<std::uint16_t>(timestamp >> 32);
    uuid.Data3 = static_cast<std::uint16_t>(((timestamp >> 48) & 0x0FFF) | 0x1000);
    return uuid;
}

} // namespace

TEST_F(Registration, WritesNineEntriesAndKeepsTheIdentifierOnTheNextRun)
{
    CLSID first{};
    ASSERT_TRUE(Succeeded(rillex::RegisterServer(kServer, &first)));
    EXPECT_TRUE(IsTimeBasedUuid(first));
    EXPECT_TRUE(rillex::IsReusableClassId(first, FileTimeNow()));
    ExpectEntries(first, kServer);

    CLSID second{};
    ASSERT_TRUE(Succeeded(rillex::RegisterServer("/elsewhere/librillex.so", &second)));
    EXPECT_EQ(second, first);
    ExpectEntries(first, "/elsewhere/librillex.so");
    EXPECT_EQ(ClassKeyCount(), 1);

    // An identifier stored without braces, by hand, is still kept.
    std::string bare = FormatGuid(first).substr(1, 36);
    ASSERT_EQ(RegistryWriteText(kRoot, "corvane.rillex\\CLSID", "", bare), S_OK);
    ASSERT_TRUE(Succeeded(rillex::RegisterServer(kServer, &second)));
    EXPECT_EQ(second, first);
}

// Stored identifiers that must not be kept: a random one, one from a clock far ahead, text
// that is no identifier, and a number.
TEST_F(Registration, ReplacesAStoredIdentifierThatIsNotFitToKeep)
{
    const GUID random{0x3F2504E0, 0x4F89, 0x41D3, {0x9A, 0x0C, 0x03, 0x05, 0xE8, 0x2C, 0x33, 0x01}};
    const GUID future = TimeBasedAt(FileTimeNow() + 2 * 864000000000ull);
    const GUID recent = TimeBasedAt(FileTimeNow() - 864000000000ull);
    struct Case {
        const char* name;
        std::string text;
        bool kept;
    } cases[] = {
        {"random", FormatGuid(random), false},
        {"future", FormatGuid(future), false},
        {"garbage", "{not an identifier}", false},
        {"recent", FormatGuid(recent), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(RegistryWriteText(kRoot, "corvane.rillex\\CLSID", "", c.text), S_OK);
        CLSID registered{};
        ASSERT_TRUE(Succeeded(rillex::RegisterServer(kServer, &registered)));
        EXPECT_EQ(FormatGuid(registered) == c.text, c.kept);
        EXPECT_TRUE(IsTimeBasedUuid(registered));
        ExpectEntries(registered, kServer);
    }
    ASSERT_EQ(RegistryWriteNumber(kRoot, "corvane.rillex\\CLSID", "", 7), S_OK);
    CLSID registered{};
    ASSERT_TRUE(Succeeded(rillex::RegisterServer(kServer, &registered)));
    ExpectEntries(registered, kServer);
}

TEST_F(Registration, ClassObjectOnlyForTheRegisteredIdentifier)
{
    void* object = &object;
    CLSID registered{};
    EXPECT_EQ(rillex::GetClassObject(registered, IID_IClassFactory, &object), E_FILE_NOT_FOUND);
    EXPECT_EQ(object, nullptr);

    ASSERT_TRUE(Succeeded(rillex::RegisterServer(kServer, &registered)));
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(rillex::GetClassObject(registered, IID_IClassFactory, factory.PutVoid()), S_OK);
    ComPtr<IStream> stream;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IStream, stream.PutVoid()), S_OK);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(rillex::GetClassObject(registered, IID_IUnknown, unknown.PutVoid()), S_OK);
    EXPECT_EQ(rillex::GetClassObject(registered, IID_IStream, &object), E_NOINTERFACE);
    EXPECT_EQ(rillex::GetClassObject(registered, IID_IClassFactory, nullptr), E_POINTER);

    CLSID foreign = registered;
    foreign.Data4[7] ^= 1;
    object = &object;
    EXPECT_EQ(rillex::GetClassObject(foreign, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);

    ASSERT_EQ(RegistryWriteText(kRoot, "corvane.rillex\\CLSID", "", "{1234}"), S_OK);
    EXPECT_EQ(rillex::GetClassObject(registered, IID_IClassFactory, &object), E_INVALID_DATA);
    ASSERT_EQ(RegistryWriteNumber(kRoot, "corvane.rillex\\CLSID", "", 1), S_OK);
    EXPECT_EQ(rillex::GetClassObject(registered, IID_IClassFactory, &object), E_UNEXPECTED);

    stream.Reset();
    factory.Reset();
    unknown.Reset();
    EXPECT_EQ(rillex::ModuleLockCount(), 0);
}

// Two processes registering at the same moment into an empty store: both must end with
// the same identifier, and the store must hold exactly one class with all nine entries.
TEST_F(Registration, TwoProcessesRegisteringAtOnceAgreeOnOneIdentifier)
{
    constexpr int kChildren = 2;
    constexpr int kRounds = 15;
    int start[2];
    int results[2];
    ASSERT_EQ(::pipe(start), 0);
    ASSERT_EQ(::pipe(results), 0);
    pid_t children[kChildren] = {};
    for (auto& child : children) {
        child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(start[1]);
            char go = 0;
            if (::read(start[0], &go, 1) != 1) {
                ::_exit(3);
            }
            CLSID registered{};
            for (int round = 0; round < kRounds; ++round) {
                if (Failed(rillex::RegisterServer(kServer, &registered))) {
                    ::_exit(4);
                }
            }
            const auto bytes = GuidToBytes(registered);
            const bool sent = ::write(results[1], bytes.data(), bytes.size()) == 16;
            ::_exit(sent ? 0 : 5);
        }
    }
    ::close(start[0]);
    ::close(results[1]);
    // One byte for each child starts both at once.
    const char go[kChildren] = {1, 1};
    ASSERT_EQ(::write(start[1], go, kChildren), kChildren);
    ::close(start[1]);
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    std::uint8_t bytes[2][16] = {};
    ASSERT_EQ(::read(results[0], bytes[0], 16), 16);
    ASSERT_EQ(::read(results[0], bytes[1], 16), 16);
    ::close(results[0]);
    const CLSID first = GuidFromBytes(bytes[0]);
    EXPECT_EQ(GuidFromBytes(bytes[1]), first);
    EXPECT_TRUE(IsTimeBasedUuid(first));
    ExpectEntries(first, kServer);
    EXPECT_EQ(ClassKeyCount(), 1);
}
