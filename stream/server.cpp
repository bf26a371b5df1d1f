// The exported entry points. No C++ exception leaves them: running out of memory becomes
// E_OUTOFMEMORY, anything else E_UNEXPECTED.
#include <new>
#include <string>

#include "platform/library.h"
#include "stream/module.h"
#include "stream/registration.h"
#include "stream/rillex_exports.h"

using namespace platform;

namespace {

template <class Body> StatusCode Guarded(Body body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace

extern "C" {

RILLEX_API StatusCode DllCanUnloadNow() { return rillex::ModuleLockCount() == 0 ? S_OK : S_FALSE; }

RILLEX_API StatusCode DllGetClassObject(const CLSID& clsid, const IID& iid, void** object)
{
    return Guarded([&] { return rillex::GetClassObject(clsid, iid, object); });
}

RILLEX_API StatusCode DllRegisterServer()
{
    return Guarded([] {
        // The store names this very file, by its absolute path, as the server.
        std::string path;
        const StatusCode status =
            ModulePathOf(reinterpret_cast<const void*>(&DllRegisterServer), &path);
        if (Failed(status)) {
            return status;
        }
        return rillex::RegisterServer(path);
    });
}

RILLEX_API StatusCode DllUnregisterServer() { return S_OK; }
}
