// UnknownObject: QueryInterface for the MAPI layer's objects, which answer IUnknown and, at
// most, one identifier of their own. The last Release deletes the object through its virtual
// destructor.
#pragma once

#include <cstdint>

#include "platform/ref_counted.h"

namespace ferrule {

class UnknownObject : public platform::RefCounted<platform::IUnknown> {
public:
    platform::StatusCode QueryInterface(const platform::IID& iid, void** object) override
    {
        return platform::AnswerQuery(iid, object, {platform::IID_IUnknown, m_ownIid}, this);
    }

protected:
    explicit UnknownObject(const platform::IID& ownIid = platform::IID_IUnknown) : m_ownIid(ownIid) {}

private:
    platform::IID m_ownIid;
};

} // namespace ferrule
