// The built librillex.so as its clients meet it: four exports, registration, and stream
// creation by ProgID through the object runtime.
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/com_ptr.h"
#include "platform/library.h"
#include "platform/object_runtime.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "tests/support/test_files.h"

using namespace platform;

namespace {

const std::string kServerPath = std::string(PALLION_BIN_DIR) + "/librillex.so";

class Server : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("PALLION_LIBDIR", PALLION_BIN_DIR, 1);
        ::unlink(RegistryStorePath().c_str());
        ASSERT_EQ(LoadLibraryByName("librillex.so", &m_library), S_OK);
        ASSERT_EQ(m_library.Find(kDllRegisterServerName, &m_register), S_OK);
        ASSERT_EQ(m_library.Find(kDllCanUnloadNowName, &m_canUnload), S_OK);
        ASSERT_EQ(m_library.Find(kDllGetClassObjectName, &m_getClassObject), S_OK);
        ASSERT_EQ(m_library.Find(kDllUnregisterServerName, &m_unregister), S_OK);
    }
    void TearDown() override { ::unsetenv("PALLION_LIBDIR"); }

    Library m_library;
    DllRegisterServerFunction* m_register = nullptr;
    DllCanUnloadNowFunction* m_canUnload = nullptr;
    DllGetClassObjectFunction* m_getClassObject = nullptr;
    DllUnregisterServerFunction* m_unregister = nullptr;
};

} // namespace

TEST(ServerLibrary, ExportsExactlyTheFourEntryPoints)
{
    const std::string command = "nm -D --defined-only '" + kServerPath + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        // "<address> <type> <name>"; absolute symbols (type A) name version nodes.
        char type = 0;
        char name[256] = {};
        if (std::sscanf(line, "%*s %c %255s", &type, name) == 2 && type != 'A') {
            names.insert(name);
        }
    }
    if (::pclose(pipe) != 0 && names.empty()) {
        GTEST_SKIP() << "nm is not available";
    }
    EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject",
                                            "DllRegisterServer", "DllUnregisterServer"}));
}

TEST_F(Server, RegistersItsOwnPathAndCreatesStreamsByProgId)
{
    ASSERT_TRUE(Succeeded(m_register()));
    CLSID classId{};
    ASSERT_EQ(CLSIDFromProgID("corvane.rillex", &classId), S_OK);
    std::string path;
    ASSERT_EQ(RegisteredServerPath(classId, &path), S_OK);
    char* real = ::realpath(kServerPath.c_str(), nullptr);
    ASSERT_NE(real, nullptr);
    EXPECT_EQ(path, std::string(real));
    std::free(real);

    const std::string file = testing_support::TempDir() + "by-progid";
    testing_support::WriteFile(file, "through the runtime");
    ComPtr<IPersistFile> persist;
    ASSERT_EQ(CoCreateInstance(classId, nullptr, CLSCTX_ALL, IID_IPersistFile, persist.PutVoid()),
              S_OK);
    ASSERT_EQ(persist->Load(Utf8ToUtf16(file).c_str(), kModeTemporaryInput), S_OK);
    ComPtr<IStream> stream;
    ASSERT_EQ(persist.As(IID_IStream, &stream), S_OK);
    char buffer[64] = {};
    std::uint32_t done = 0;
    ASSERT_EQ(stream->Read(buffer, sizeof buffer, &done), S_OK);
    EXPECT_EQ(std::string(buffer, done), "through the runtime");
    EXPECT_FALSE(testing_support::FileExists(file));

    // Unregistering leaves everything in place.
    EXPECT_EQ(m_unregister(), S_OK);
    CLSID again{};
    EXPECT_EQ(CLSIDFromProgID("corvane.rillex", &again), S_OK);
    EXPECT_EQ(again, classId);
}

TEST_F(Server, ClassObjectAndUnloadFollowTheLiveObjects)
{
    ASSERT_TRUE(Succeeded(m_register()));
    CLSID classId{};
    ASSERT_EQ(CLSIDFromProgID("corvane.rillex", &classId), S_OK);
    EXPECT_EQ(m_canUnload(), S_OK);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(m_getClassObject(classId, IID_IClassFactory, factory.PutVoid()), S_OK);
    EXPECT_EQ(m_canUnload(), S_FALSE);
    ComPtr<IStream> stream;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IStream, stream.PutVoid()), S_OK);
    factory.Reset();
    EXPECT_EQ(m_canUnload(), S_FALSE);
    stream.Reset();
    EXPECT_EQ(m_canUnload(), S_OK);

    CLSID foreign = classId;
    foreign.Data1 ^= 0x10;
    void* object = &object;
    EXPECT_EQ(m_getClassObject(foreign, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
}
