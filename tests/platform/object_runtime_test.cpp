// ProgIDs, object creation through a registered server library, the trust rule for server
// paths, and unloading of unused servers.
#include "platform/object_runtime.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/com_ptr.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "tests/platform/test_server.h"
#include "tests/support/test_files.h"

using namespace platform;
using testing_support::Scratch;

namespace {

void Register(const std::string& serverPath)
{
    Transaction transaction;
    ASSERT_EQ(transaction.Begin(), S_OK);
    ASSERT_EQ(transaction.SetText(RegistryRoot::ClassesRoot, std::string(kTestServerProgId) + "\\CLSID", "",
                                  FormatGuid(kTestServerClass)),
              S_OK);
    ASSERT_EQ(transaction.SetText(RegistryRoot::ClassesRoot,
                                  "CLSID\\" + FormatGuid(kTestServerClass) + "\\InprocServer32", "", serverPath),
              S_OK);
    ASSERT_EQ(transaction.Commit(), S_OK);
}

StatusCode Create(ComPtr<IPersist>* object)
{
    return CoCreateInstance(kTestServerClass, nullptr, CLSCTX_ALL, IID_IPersist,
                            reinterpret_cast<void**>(object->Put()));
}

// A copy of the test server in a folder of the test's own, with the given modes.
std::string CopyServer(const std::string& folderName, mode_t folderMode, mode_t fileMode)
{
    const std::string folder = Scratch() + folderName;
    ::mkdir(folder.c_str(), 0700);
    const std::string path = folder + "/server.so";
    EXPECT_EQ(CopyWholeFile(PALLION_TEST_SERVER, path), S_OK);
    EXPECT_EQ(::chmod(path.c_str(), fileMode), 0);
    EXPECT_EQ(::chmod(folder.c_str(), folderMode), 0);
    return path;
}

bool IsLoaded(const std::string& path)
{
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) {
        ::dlclose(handle);
    }
    return handle != nullptr;
}

// Each test starts from an empty store of its own.
class ObjectRuntime : public testing::Test {
protected:
    void SetUp() override
    {
        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        ::setenv("PALLION_REGISTRY", (Scratch() + name + ".reg").c_str(), 1);
    }
};

} // namespace

TEST_F(ObjectRuntime, ProgIdsNameTheirClass)
{
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(kTestServerProgId, &clsid), CO_E_CLASSSTRING);
    Register(PALLION_TEST_SERVER);
    ASSERT_EQ(CLSIDFromProgID("PALLION.TestServer", &clsid), S_OK);
    EXPECT_EQ(clsid, kTestServerClass);
    ASSERT_EQ(CLSIDFromProgID(u"pallion.testserver", &clsid), S_OK);
    EXPECT_EQ(clsid, kTestServerClass);

    ASSERT_EQ(RegistryWriteText(RegistryRoot::ClassesRoot, "bad.progid\\CLSID", "", "not a guid"), S_OK);
    ASSERT_EQ(RegistryWriteNumber(RegistryRoot::ClassesRoot, "number.progid\\CLSID", "", 7), S_OK);
    ASSERT_EQ(RegistryWriteText(RegistryRoot::ClassesRoot, "noclass.progid", "", "x class"), S_OK);
    for (const char* progId : {"bad.progid", "number.progid", "noclass.progid", "", "a\\b"}) {
        EXPECT_EQ(CLSIDFromProgID(progId, &clsid), CO_E_CLASSSTRING) << progId;
    }
}

TEST_F(ObjectRuntime, CreatesObjectsOfARegisteredServer)
{
    ComPtr<IPersist> object;
    EXPECT_EQ(Create(&object), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(object);

    Register(PALLION_TEST_SERVER);
    ASSERT_EQ(Create(&object), S_OK);
    CLSID clsid{};
    ASSERT_EQ(object->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, kTestServerClass);

    ComPtr<IPersist> second;
    EXPECT_EQ(CoCreateInstance(kTestServerClass, object.Get(), CLSCTX_ALL, IID_IPersist,
                               reinterpret_cast<void**>(second.Put())),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CoCreateInstance(kTestServerClass, nullptr, CLSCTX_ALL, IID_IStream,
                               reinterpret_cast<void**>(second.Put())),
              E_NOINTERFACE);
    EXPECT_FALSE(second);
    EXPECT_EQ(CoCreateInstance(kTestServerClass, nullptr, CLSCTX_ALL, IID_IPersist, nullptr), E_POINTER);
}

TEST_F(ObjectRuntime, TrustsOnlyAbsolutePrivateServerFiles)
{
    EXPECT_TRUE(IsTrustedServerPath(PALLION_TEST_SERVER));
    const struct {
        const char* name;
        std::string path;
    } rows[] = {
        {"relative path", "servers/libpallion_test_server.so"},
        {"missing file", Scratch() + "missing.so"},
        {"folder", Scratch()},
        {"world-writable folder", CopyServer("open", 0777, 0755)},
        {"group-writable folder", CopyServer("group", 0775, 0755)},
        {"group-writable file", CopyServer("gfile", 0755, 0775)},
        {"world-writable file", CopyServer("wfile", 0755, 0757)},
    };
    for (const auto& row : rows) {
        EXPECT_FALSE(IsTrustedServerPath(row.path)) << row.name;
        Register(row.path);
        ComPtr<IPersist> object;
        EXPECT_EQ(Create(&object), REGDB_E_CLASSNOTREG) << row.name;
    }
    // A private copy is trusted; so is a link to it, judged by the file it leads to.
    const std::string good = CopyServer("private", 0755, 0644);
    EXPECT_TRUE(IsTrustedServerPath(good));
    const std::string link = Scratch() + "open/link.so";
    ::chmod((Scratch() + "open").c_str(), 0700);
    ASSERT_EQ(::symlink(good.c_str(), link.c_str()), 0);
    EXPECT_TRUE(IsTrustedServerPath(link));
    const std::string badLink = Scratch() + "private-link.so";
    ASSERT_EQ(::symlink((Scratch() + "wfile/server.so").c_str(), badLink.c_str()), 0);
    EXPECT_FALSE(IsTrustedServerPath(badLink));
}

TEST_F(ObjectRuntime, ReportsServersThatAreNoServers)
{
    // A trusted file that is not a library, and a library without DllGetClassObject.
    const std::string text = Scratch() + "text.so";
    testing_support::WriteFile(text, std::string("not an ELF file"));
    Register(text);
    ComPtr<IPersist> object;
    EXPECT_EQ(Create(&object), E_MOD_NOT_FOUND);
    const std::string libc = "/lib/x86_64-linux-gnu/libc.so.6";
    if (IsTrustedServerPath(libc)) {
        Register(libc);
        EXPECT_EQ(Create(&object), E_PROC_NOT_FOUND);
    }
}

TEST_F(ObjectRuntime, UnloadsServersOnlyWhenTheyAgree)
{
    const std::string server = CopyServer("unload", 0755, 0644);
    Register(server);
    ComPtr<IPersist> object;
    ASSERT_EQ(Create(&object), S_OK);
    EXPECT_TRUE(IsLoaded(server));
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(server));
    object.Reset();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(server));
    // And it loads again on the next request.
    ASSERT_EQ(Create(&object), S_OK);
    EXPECT_TRUE(IsLoaded(server));
}

TEST_F(ObjectRuntime, ServerRegistersItselfByItsOwnPath)
{
    const std::string server = CopyServer("selfreg", 0755, 0644);
    {
        void* handle = ::dlopen(server.c_str(), RTLD_NOW);
        ASSERT_TRUE(handle);
        auto* registerServer = reinterpret_cast<DllRegisterServerFunction*>(::dlsym(handle, kDllRegisterServerName));
        ASSERT_TRUE(registerServer);
        ASSERT_EQ(registerServer(), S_OK);
        ::dlclose(handle);
    }
    std::string registered;
    ASSERT_EQ(RegisteredServerPath(kTestServerClass, &registered), S_OK);
    EXPECT_EQ(registered, server);
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(kTestServerProgId, &clsid), S_OK);
    ComPtr<IPersist> object;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IPersist, reinterpret_cast<void**>(object.Put())),
              S_OK);
}

TEST_F(ObjectRuntime, MemoryStoreIsSharedWithTheServersCopyOfThePlatform)
{
    testing_support::WriteFile(Scratch() + "file", std::string("x"));
    ::setenv("PALLION_REGISTRY", (Scratch() + "file/registry.reg").c_str(), 1);
    // The server registers itself into the memory store through its own copy of the code...
    void* handle = ::dlopen(PALLION_TEST_SERVER, RTLD_NOW);
    ASSERT_TRUE(handle);
    auto* registerServer = reinterpret_cast<DllRegisterServerFunction*>(::dlsym(handle, kDllRegisterServerName));
    auto* readText = reinterpret_cast<TestServerReadTextFunction*>(::dlsym(handle, "TestServerReadText"));
    ASSERT_TRUE(registerServer && readText);
    ASSERT_EQ(registerServer(), S_OK);
    EXPECT_TRUE(RegistryInMemory());
    // ...and ours finds it there, and the other way round.
    ComPtr<IPersist> object;
    EXPECT_EQ(Create(&object), S_OK);
    ASSERT_EQ(RegistryWriteText(RegistryRoot::ClassesRoot, "from.us", "", "hello"), S_OK);
    char text[64] = {};
    ASSERT_EQ(readText("from.us", "", text, sizeof text), S_OK);
    EXPECT_STREQ(text, "hello");
    object.Reset();
    ::dlclose(handle);
}
