// A tiny in-process server for the object runtime tests: one class whose objects answer
// IPersist with the class identifier, a module count for DllCanUnloadNow, and a
// DllRegisterServer that registers the library by its own path through this library's own
// copy of the platform code (as the real servers do).
#include <atomic>
#include <new>
#include <string>

#include "platform/com.h"
#include "platform/library.h"
#include "platform/registry.h"
#include "tests/platform/test_server.h"

#define TEST_SERVER_EXPORT extern "C" __attribute__((visibility("default")))

using namespace platform;

namespace {

std::atomic<int> g_moduleCount{0};

class TestObject final : public IPersist {
public:
    TestObject() { ++g_moduleCount; }

    StatusCode QueryInterface(const IID& iid, void** object) override
    {
        if (!object) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IPersist) {
            *object = static_cast<IPersist*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++m_count; }
    std::uint32_t Release() override
    {
        const std::uint32_t count = --m_count;
        if (count == 0) {
            --g_moduleCount;
            delete this;
        }
        return count;
    }
    StatusCode GetClassID(CLSID* classId) override
    {
        *classId = kTestServerClass;
        return S_OK;
    }

private:
    std::atomic<std::uint32_t> m_count{1};
};

class TestFactory final : public IClassFactory {
public:
    StatusCode QueryInterface(const IID& iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++m_count; }
    std::uint32_t Release() override
    {
        const std::uint32_t count = --m_count;
        if (count == 0) {
            delete this;
        }
        return count;
    }
    StatusCode CreateInstance(IUnknown* outer, const IID& iid, void** object) override
    {
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* created = new (std::nothrow) TestObject;
        if (!created) {
            return E_OUTOFMEMORY;
        }
        const StatusCode status = created->QueryInterface(iid, object);
        created->Release();
        return status;
    }
    StatusCode LockServer(bool) override { return S_OK; }

private:
    std::atomic<std::uint32_t> m_count{1};
};

} // namespace

TEST_SERVER_EXPORT StatusCode DllGetClassObject(const CLSID& clsid, const IID& iid, void** object)
{
    if (clsid != kTestServerClass) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto* factory = new (std::nothrow) TestFactory;
    if (!factory) {
        return E_OUTOFMEMORY;
    }
    const StatusCode status = factory->QueryInterface(iid, object);
    factory->Release();
    return status;
}

TEST_SERVER_EXPORT StatusCode DllCanUnloadNow()
{
    return g_moduleCount == 0 ? S_OK : S_FALSE;
}

TEST_SERVER_EXPORT StatusCode DllRegisterServer()
{
    std::string path;
    StatusCode status = ModulePathOf(reinterpret_cast<const void*>(&DllRegisterServer), &path);
    if (Failed(status)) {
        return status;
    }
    const std::string classKey = "CLSID\\" + FormatGuid(kTestServerClass);
    Transaction transaction;
    status = transaction.Begin();
    if (Failed(status)) {
        return status;
    }
    for (const StatusCode step :
         {transaction.SetText(RegistryRoot::ClassesRoot, kTestServerProgId, "", "test class"),
          transaction.SetText(RegistryRoot::ClassesRoot, std::string(kTestServerProgId) + "\\CLSID",
                              "", FormatGuid(kTestServerClass)),
          transaction.SetText(RegistryRoot::ClassesRoot, classKey + "\\InprocServer32", "", path),
          transaction.SetText(RegistryRoot::ClassesRoot, classKey + "\\InprocServer32",
                              "ThreadingModel", "Both")}) {
        if (Failed(step)) {
            return step;
        }
    }
    return transaction.Commit();
}

// Reads a text value through this library's copy of the platform code.
TEST_SERVER_EXPORT StatusCode TestServerReadText(const char* key, const char* name, char* text,
                                                 std::size_t size)
{
    std::string value;
    const StatusCode status = RegistryReadText(RegistryRoot::ClassesRoot, key, name, &value);
    if (Succeeded(status)) {
        value.copy(text, size - 1);
        text[std::min(value.size(), size - 1)] = '\0';
    }
    return status;
}
