// The document's reader for MAPI property lists inside attMAPIProps, attAttachment and
// attRecipTable ([MS-OXTNEF] 2.1.3.4):
//
//   list:      count (4) | properties
//   table:     row count (4) | rows, each a list
//   property:  tag (4) | [named: GUID (16) | kind (4) | id (4) or L (4) name (L) pad]
//              | [value count (4)] | values
//   value:     layout 0  size (4) | data | pad
//              layout 1  size (4, IID included) | IID (16) | data | pad
//              layout 2  data of the type's fixed size | pad
//
// Padding brings each piece to a multiple of 4 bytes. Sizes, name lengths and counts come
// from the file: none of them sizes an allocation beyond the 1024-byte caps.
#include <cstring>

#include "viewer/doc/model/element.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/rtf/chain_alloc.h"

namespace viewer::doc::document {

using namespace viewer::doc::model;

using platform::E_FAIL;
using platform::Failed;
using platform::S_OK;
using platform::Succeeded;

namespace {

bool HasValueCount(std::uint32_t type)
{
    return (type & MV_FLAG) != 0 || type == PT_OBJECT || type == PT_STRING8 ||
           type == PT_UNICODE || type == PT_BINARY;
}

std::uint32_t LayoutOf(std::uint32_t type)
{
    switch (type & ~MV_FLAG) {
    case PT_STRING8:
    case PT_UNICODE:
    case PT_BINARY:
        return kLayoutCounted;
    case PT_OBJECT:
        return kLayoutObject;
    default:
        return kLayoutFixed;
    }
}

std::uint32_t PaddingOf(std::uint32_t size) { return size % 4 == 0 ? 0 : 4 - size % 4; }

// A zero-filled root of the chained allocator.
StatusCode AllocZeroedRoot(std::uint32_t size, void** result)
{
    const StatusCode status = rtf::ChainAllocBuffer(size, result);
    if (platform::Succeeded(status)) {
        std::memset(*result, 0, size);
    }
    return status;
}

StatusCode AllocZeroedChild(std::uint32_t size, void* root, void** result)
{
    const StatusCode status = rtf::ChainAllocMore(size, root, result);
    if (platform::Succeeded(status)) {
        std::memset(*result, 0, size);
    }
    return status;
}

} // namespace

StatusCode CEnvelonDoc::FixedValueSize(std::uint32_t type, std::uint32_t* size)
{
    if (!size) {
        return E_FAIL;
    }
    *size = 0;
    switch (type & ~MV_FLAG) {
    case PT_UNSPECIFIED:
    case PT_NULL:
        return S_OK;
    case PT_I2:
    case PT_BOOLEAN:
        *size = 2;
        return S_OK;
    case PT_LONG:
    case PT_R4:
    case PT_ERROR:
        *size = 4;
        return S_OK;
    case PT_DOUBLE:
    case PT_CURRENCY:
    case PT_APPTIME:
    case PT_I8:
    case PT_SYSTIME:
        *size = 8;
        return S_OK;
    case PT_CLSID:
        *size = kValueIidBytes;
        return S_OK;
    default:
        return E_FAIL;
    }
}

StatusCode CEnvelonDoc::ReadPropertyListHeader(const AttributeElement* attribute, ListElement* list)
{
    if (!attribute || !list) {
        return E_FAIL;
    }
    if (attribute->m_position > static_cast<std::uint64_t>(INT64_MAX) - kAttributeDataOffset) {
        return E_FAIL;
    }
    list->m_position = attribute->m_position + kAttributeDataOffset;
    const StatusCode status = SeekTo(list->m_position);
    if (Failed(status)) {
        return status;
    }
    return ReadDword(&list->m_count);
}

StatusCode CEnvelonDoc::ReadRowHeader(ListElement* list)
{
    if (!list) {
        return E_FAIL;
    }
    const StatusCode status = CurrentPosition(&list->m_position);
    if (Failed(status)) {
        return status;
    }
    return ReadDword(&list->m_count);
}

StatusCode CEnvelonDoc::ReadProperty(PropertyElement* property)
{
    if (!property) {
        return E_FAIL;
    }
    property->Reset();
    // Every failure leaves the property as freshly reset.
    auto fail = [property](StatusCode status) {
        property->Reset();
        return status;
    };

    StatusCode status = CurrentPosition(&property->m_position);
    if (Succeeded(status)) {
        status = ReadDword(&property->m_tag);
    }
    if (Failed(status)) {
        return fail(status);
    }
    const std::uint32_t type = PROP_TYPE(property->m_tag);
    // A multi-valued type whose values take no bytes would let one count make billions of
    // values out of no data at all: treat it as damage.
    if ((type & MV_FLAG) != 0 && ((type & ~MV_FLAG) == PT_UNSPECIFIED || (type & ~MV_FLAG) == PT_NULL)) {
        return fail(E_FAIL);
    }
    if (IsNamedPropId(PROP_ID(property->m_tag))) {
        ChainPtr<NamedPropertyIdentity> identity;
        status = ReadNamedIdentity(&identity);
        if (Failed(status)) {
            return fail(status);
        }
        property->SetIdentity(std::move(identity));
    }
    property->m_valueCount = 1;
    if (HasValueCount(type)) {
        status = ReadDword(&property->m_valueCount);
        if (Failed(status)) {
            return fail(status);
        }
    }
    property->m_layout = LayoutOf(type);
    return S_OK;
}

// GUID (16) | kind (4) | MNID_ID: id (4), MNID_STRING: length L (4) | UTF-16 name (L) | pad.
StatusCode CEnvelonDoc::ReadNamedIdentity(ChainPtr<NamedPropertyIdentity>* result)
{
    void* root = nullptr;
    StatusCode status = AllocZeroedRoot(sizeof(NamedPropertyIdentity), &root);
    if (Failed(status)) {
        return status;
    }
    ChainPtr<NamedPropertyIdentity> identity(static_cast<NamedPropertyIdentity*>(root));
    void* guid = nullptr;
    status = AllocZeroedChild(kValueIidBytes, root, &guid);
    if (Failed(status)) {
        return status;
    }
    identity->guid = static_cast<std::uint8_t*>(guid);
    status = ReadBlock(identity->guid, kValueIidBytes, kValueIidBytes);
    if (Succeeded(status)) {
        status = ReadDword(&identity->kind);
    }
    if (Failed(status)) {
        return status;
    }
    if (identity->kind == MNID_ID) {
        status = ReadDword(&identity->id);
    } else if (identity->kind == MNID_STRING) {
        status = ReadIdentityName(identity.get());
    } else {
        status = E_FAIL;
    }
    if (Succeeded(status)) {
        *result = std::move(identity);
    }
    return status;
}

StatusCode CEnvelonDoc::ReadIdentityName(NamedPropertyIdentity* identity)
{
    std::uint32_t length = 0;
    StatusCode status = ReadDword(&length);
    if (Failed(status)) {
        return status;
    }
    if (length == 0 || length > kMaxNamedPropertyNameBytes) {
        return E_FAIL;
    }
    void* name = nullptr;
    status = AllocZeroedChild(length + 2, identity, &name);
    if (Failed(status)) {
        return status;
    }
    identity->name = static_cast<char16_t*>(name);
    status = ReadBlock(name, length, length);
    if (Failed(status)) {
        return status;
    }
    // An odd length leaves half a character: the terminator goes right after the last whole
    // one, inside the L + 2 bytes.
    identity->name[length / 2] = 0;
    return length % 4 != 0 ? SkipBytes(PaddingOf(length)) : S_OK;
}

// The size field of a counted or object value (with the object's interface identifier), or
// the type's fixed size.
StatusCode CEnvelonDoc::ReadValueSize(const PropertyElement* property, ValueElement* value)
{
    std::uint32_t size = 0;
    StatusCode status = E_FAIL;
    switch (value->m_layout) {
    case kLayoutCounted:
    case kLayoutObject:
        status = ReadDword(&size);
        break;
    case kLayoutFixed:
        status = FixedValueSize(PROP_TYPE(property->m_tag), &size);
        break;
    default:
        break;
    }
    if (Failed(status)) {
        return status;
    }
    value->m_size = size;
    if (value->m_layout != kLayoutObject) {
        return S_OK;
    }
    if (size < kValueIidBytes) {
        return E_FAIL;
    }
    void* iid = nullptr;
    status = AllocZeroedRoot(kValueIidBytes, &iid);
    if (Failed(status)) {
        return status;
    }
    ChainPtr<std::uint8_t> owned(static_cast<std::uint8_t*>(iid));
    status = ReadBlock(owned.get(), kValueIidBytes, kValueIidBytes);
    if (Succeeded(status)) {
        value->SetIid(std::move(owned));
    }
    return status;
}

StatusCode CEnvelonDoc::ReadValue(const PropertyElement* property, ValueElement* value)
{
    if (!property || !value) {
        return E_FAIL;
    }
    value->Reset();
    StatusCode status = CurrentPosition(&value->m_position);
    if (Failed(status)) {
        return status;
    }
    value->m_layout = property->m_layout;
    value->m_tag = property->m_tag;
    status = ReadValueSize(property, value);
    if (Failed(status)) {
        return status;
    }
    const std::uint32_t size = value->m_size;
    const std::uint32_t length = value->m_layout == kLayoutObject ? size - kValueIidBytes : size;
    if (static_cast<std::int32_t>(length) < 0) {
        return E_FAIL;
    }
    if (length >= 1 && length <= kMaxKeptValueBytes) {
        void* data = nullptr;
        status = rtf::ChainAllocBuffer(length, &data);
        if (Failed(status)) {
            return status;
        }
        ChainPtr<std::uint8_t> owned(static_cast<std::uint8_t*>(data));
        status = ReadBlock(owned.get(), length, length);
        if (Failed(status)) {
            return status;
        }
        value->SetData(std::move(owned));
    } else if (length > kMaxKeptValueBytes) {
        std::uint8_t scratch = 0;
        status = ReadBlock(&scratch, 1, length);
        if (Failed(status)) {
            return status;
        }
    }
    // The padding is not checked: when the stream ends here, the next read reports it.
    if (size % 4 != 0) {
        static_cast<void>(SkipBytes(PaddingOf(size)));
    }
    return S_OK;
}

} // namespace viewer::doc::document
