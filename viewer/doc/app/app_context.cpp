#include "viewer/doc/app/app_context.h"

#include <climits>
#include <cstdlib>

#include "platform/com_ptr.h"
#include "platform/object_runtime.h"
#include "platform/private_temp.h"

namespace viewer::doc::app {

using namespace platform;

namespace {
AppContext* g_app = nullptr;
}

AppContext* TheApp() { return g_app; }

AppContextScope::AppContextScope() : m_previous(g_app) { g_app = &m_context; }

AppContextScope::~AppContextScope()
{
    UnloadFerrule(&m_context.m_ferrule);
    g_app = m_previous;
}

StatusCode LoadFerrule(FerruleBinding* binding)
{
    UnloadFerrule(binding);
    Library library;
    StatusCode status = LoadLibraryByName(kFerruleLibraryName, &library);
    if (Failed(status)) {
        return status;
    }
    FerruleBinding bound;
    if (Failed(library.Find("InitFerrule", &bound.initFerrule)) ||
        Failed(library.Find("CloseFerrule", &bound.closeFerrule)) ||
        Failed(library.Find("MsgTNEF", &bound.msgTnef))) {
        return E_UNEXPECTED;
    }
    status = bound.initFerrule(0);
    if (Failed(status)) {
        return status; // the library is freed here; the binding stays empty
    }
    binding->initFerrule = bound.initFerrule;
    binding->closeFerrule = bound.closeFerrule;
    binding->msgTnef = bound.msgTnef;
    binding->module = std::move(library);
    return status;
}

void UnloadFerrule(FerruleBinding* binding)
{
    if (binding->IsLoaded() && binding->closeFerrule) {
        binding->closeFerrule(0);
    }
    binding->module.Reset();
    binding->initFerrule = nullptr;
    binding->closeFerrule = nullptr;
    binding->msgTnef = nullptr;
}

StatusCode ConvertMessageFile(FerruleBinding* binding, const char* source, char* target)
{
    if (!binding->IsLoaded() || !binding->msgTnef) {
        return E_UNEXPECTED;
    }
    return binding->msgTnef(0, source, target);
}

namespace {

std::string CanonicalPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// True when the registered server is the library this program would load.
bool RegisteredServerIsOurs(const CLSID& clsid)
{
    std::string registered;
    if (Failed(RegisteredServerPath(clsid, &registered))) {
        return false;
    }
    const std::string ours = ResolveLibraryPath(kRillexLibraryName);
    return ours.empty() || CanonicalPath(registered) == CanonicalPath(ours);
}

} // namespace

void RegisterStreamServer()
{
    CLSID clsid{};
    bool usable = false;
    if (Succeeded(CLSIDFromProgID(kStreamProgId, &clsid)) && RegisteredServerIsOurs(clsid)) {
        ComPtr<IPersistFile> object;
        usable = Succeeded(
            CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IPersistFile, object.PutVoid()));
    }
    if (usable) {
        return;
    }
    Library library;
    if (Failed(LoadLibraryByName(kRillexLibraryName, &library))) {
        return;
    }
    DllRegisterServerFunction* registerServer = nullptr;
    if (Succeeded(library.Find(kDllRegisterServerName, &registerServer))) {
        (void)registerServer();
    }
}

void StartUp(AppContext* context)
{
    // Whatever an earlier process of this user could not remove (it was killed) goes now.
    platform::RemoveOrphanedTempFolders();
    RegisterStreamServer();
    context->m_started = true;
    if (TagoraInit(&context->m_dictionary) == 0) {
        context->m_dictionary = nullptr;
    }
}

void ShutDown(AppContext* context)
{
    if (!context->m_started) {
        return;
    }
    UnloadFerrule(&context->m_ferrule);
    context->m_started = false;
    if (context->m_dictionary) {
        TagoraClose(context->m_dictionary);
        context->m_dictionary = nullptr;
    }
}

} // namespace viewer::doc::app
