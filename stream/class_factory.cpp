#include "stream/class_factory.h"

#include <new>

#include "stream/module.h"
#include "stream/stream_on_file.h"

namespace rillex {

using namespace platform;

ClassFactory* ClassFactory::Create() noexcept { return new (std::nothrow) ClassFactory(); }

ClassFactory::ClassFactory() { LockModule(); }

ClassFactory::~ClassFactory() { UnlockModule(); }

StatusCode ClassFactory::QueryInterface(const IID& iid, void** object)
{
    if (!object) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

std::uint32_t ClassFactory::AddRef() { return m_references.fetch_add(1) + 1; }

std::uint32_t ClassFactory::Release()
{
    const std::uint32_t left = m_references.fetch_sub(1) - 1;
    if (left == 0) {
        delete this;
    }
    return left;
}

StatusCode ClassFactory::CreateInstance(IUnknown* outer, const IID& iid, void** object)
{
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (outer) {
        return CLASS_E_NOAGGREGATION;
    }
    StreamOnFile* stream = StreamOnFile::Create();
    if (!stream) {
        return E_OUTOFMEMORY;
    }
    // The new object's own reference goes once the query has taken one (or failed).
    const StatusCode status = stream->QueryInterface(iid, object);
    static_cast<IStream*>(stream)->Release();
    return status;
}

StatusCode ClassFactory::LockServer(bool lock)
{
    if (lock) {
        LockModule();
    } else {
        UnlockModule();
    }
    return S_OK;
}

} // namespace rillex
