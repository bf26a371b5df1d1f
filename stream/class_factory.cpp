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
    return AnswerQuery(iid, object, {IID_IUnknown, IID_IClassFactory}, static_cast<IClassFactory*>(this));
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
