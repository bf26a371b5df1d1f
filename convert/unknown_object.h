// UnknownObject: reference counting and QueryInterface for the MAPI layer's objects, which
// answer IUnknown and, at most, one identifier of their own. The last Release deletes the
// object through its virtual destructor.
#pragma once

#include <cstdint>

#include "platform/com.h"

namespace ferrule {

class UnknownObject : public platform::IUnknown {
public:
    platform::StatusCode QueryInterface(const platform::IID& iid, void** object) override
    {
        if (!object) {
            return platform::E_POINTER;
        }
        *object = nullptr;
        if (iid != platform::IID_IUnknown && iid != m_ownIid) {
            return platform::E_NOINTERFACE;
        }
        *object = static_cast<platform::IUnknown*>(this);
        AddRef();
        return platform::S_OK;
    }
    std::uint32_t AddRef() override { return ++m_references; }
    std::uint32_t Release() override
    {
        const std::uint32_t left = --m_references;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    explicit UnknownObject(const platform::IID& ownIid = platform::IID_IUnknown) : m_ownIid(ownIid) {}
    virtual ~UnknownObject() = default;

private:
    std::uint32_t m_references = 1;
    platform::IID m_ownIid;
};

} // namespace ferrule
