#include "convert/message_on_storage.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

#include "format/little_endian.h"
#include "platform/text.h"

namespace ferrule {

using platform::ComPtr;
using platform::E_FAIL;
using platform::E_INVALIDARG;
using platform::E_NOTIMPL;
using platform::E_POINTER;
using platform::MAPI_E_CORRUPT_DATA;
using platform::MAPI_E_NOT_FOUND;
using platform::S_OK;

namespace {

constexpr const char* kPropertyStreamName = "__properties_version1.0";
constexpr const char* kNameIdStorageName = "__nameid_version1.0";
constexpr const char* kRecipientPrefix = "__recip_version1.0_#";
constexpr const char* kAttachmentPrefix = "__attach_version1.0_#";

constexpr std::size_t kPropertyEntrySize = 16;
// No property, length or name stream of a real message comes near this; a larger one is
// damage, and reading it whole would let a file decide how much memory we take.
constexpr std::size_t kMetadataStreamLimit = 16u << 20;
// Names of named properties are kept up to this many bytes; TNEF lists carry no longer ones.
constexpr std::size_t kMaxNameBytes = 1024;

std::size_t HeaderSize(PropertyStreamKind kind)
{
    switch (kind) {
    case PropertyStreamKind::TopLevel:
        return 32;
    case PropertyStreamKind::Embedded:
        return 24;
    case PropertyStreamKind::Child:
        return 8;
    }
    return 8;
}

// Size of one value of a fixed-size type as it lies inline in the property stream (single
// values) or back to back in a multi-valued stream; 0 for other types.
std::size_t FixedSize(std::uint32_t baseType)
{
    switch (baseType) {
    case PT_I2:
    case PT_BOOLEAN:
        return 2;
    case PT_LONG:
    case PT_R4:
    case PT_ERROR:
        return 4;
    case PT_DOUBLE:
    case PT_CURRENCY:
    case PT_APPTIME:
    case PT_I8:
    case PT_SYSTIME:
        return 8;
    case PT_CLSID:
        return 16;
    default:
        return 0;
    }
}

bool IsVariableType(std::uint32_t baseType)
{
    return baseType == PT_STRING8 || baseType == PT_UNICODE || baseType == PT_BINARY;
}

// Reads "<prefix>XXXXXXXX" names: the number in hexadecimal, or nothing.
bool ParseNumberedName(const std::string& upperName, const char* prefix, std::uint32_t* number)
{
    std::string upperPrefix(prefix);
    std::transform(upperPrefix.begin(), upperPrefix.end(), upperPrefix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upperName.size() != upperPrefix.size() + 8 || upperName.rfind(upperPrefix, 0) != 0) {
        return false;
    }
    std::uint32_t value = 0;
    for (std::size_t i = upperPrefix.size(); i < upperName.size(); ++i) {
        const char c = upperName[i];
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        } else {
            return false;
        }
        value = (value << 4) | digit;
    }
    *number = value;
    return true;
}

// Opens a value stream and measures its data. Strings lose a terminator their writer may
// have stored, since the encoder writes its own; UTF-16 text loses an odd last byte.
StatusCode OpenValueStream(GsfInfile* storage, int index, std::uint32_t baseType,
                           PropertyValue* value)
{
    GPtr<GsfInput> stream = OpenStreamChild(storage, index);
    if (!stream) {
        return E_FAIL;
    }
    const gsf_off_t rawSize = gsf_input_size(stream.get());
    if (rawSize < 0) {
        return E_FAIL;
    }
    std::uint64_t size = static_cast<std::uint64_t>(rawSize);
    if (baseType == PT_UNICODE) {
        size &= ~std::uint64_t{1};
        if (size >= 2) {
            std::uint8_t last[2] = {};
            if (platform::Failed(SeekStream(stream.get(), size - 2)) ||
                platform::Failed(ReadExact(stream.get(), last, 2))) {
                return E_FAIL;
            }
            if (last[0] == 0 && last[1] == 0) {
                size -= 2;
            }
        }
    } else if (baseType == PT_STRING8 && size >= 1) {
        std::uint8_t last = 0;
        if (platform::Failed(SeekStream(stream.get(), size - 1)) ||
            platform::Failed(ReadExact(stream.get(), &last, 1))) {
            return E_FAIL;
        }
        if (last == 0) {
            size -= 1;
        }
    }
    if (platform::Failed(SeekStream(stream.get(), 0))) {
        return E_FAIL;
    }
    value->stream = std::move(stream);
    value->size = size;
    return S_OK;
}

} // namespace

std::string ValueStreamName(std::uint32_t tag)
{
    char name[32];
    std::snprintf(name, sizeof name, "__substg1.0_%08X", tag);
    return name;
}

std::string ValueStreamName(std::uint32_t tag, std::uint32_t index)
{
    char name[40];
    std::snprintf(name, sizeof name, "__substg1.0_%08X-%08X", tag, index);
    return name;
}

// ---- Named properties ---------------------------------------------------------------

// "__nameid_version1.0" holds three streams:
//   __substg1.0_00020102  GUIDs, 16 bytes each; GUID index i >= 3 is entry i - 3
//                         (index 1 is PS_MAPI and index 2 PS_PUBLIC_STRINGS, not stored)
//   __substg1.0_00030102  entries of 8 bytes: numeric identifier or string offset (4),
//                         then kind in bit 0, GUID index in bits 1-15 and property
//                         index in bits 16-31 (the property identifier is 0x8000 + index)
//   __substg1.0_00040102  names: length in bytes (4), UTF-16LE text, padding to 4
void NameIdMap::Load(GsfInfile* root)
{
    m_names.clear();
    const StorageDirectory rootDirectory(root);
    GPtr<GsfInfile> storage = OpenStorageChild(root, rootDirectory.Find(kNameIdStorageName));
    if (!storage) {
        return;
    }
    const StorageDirectory directory(storage.get());
    auto readStream = [&](std::uint32_t tag, std::vector<std::uint8_t>* bytes) {
        GPtr<GsfInput> stream = OpenStreamChild(storage.get(), directory.Find(ValueStreamName(tag)));
        return stream && platform::Succeeded(ReadWholeStream(stream.get(), kMetadataStreamLimit, bytes));
    };
    std::vector<std::uint8_t> guids;
    std::vector<std::uint8_t> entries;
    std::vector<std::uint8_t> strings;
    if (!readStream(0x00030102, &entries)) {
        return;
    }
    readStream(0x00020102, &guids);
    readStream(0x00040102, &strings);

    for (std::size_t offset = 0; entries.size() - offset >= 8; offset += 8) {
        const std::uint32_t nameOrOffset = format::LoadLe32(&entries[offset]);
        const std::uint32_t indexAndKind = format::LoadLe32(&entries[offset + 4]);
        const std::uint32_t propertyIndex = indexAndKind >> 16;
        const std::uint32_t guidIndex = (indexAndKind >> 1) & 0x7FFF;
        NamedIdentity identity;
        identity.kind = indexAndKind & 1;
        if (guidIndex == 1) {
            identity.guid = PS_MAPI;
        } else if (guidIndex == 2) {
            identity.guid = PS_PUBLIC_STRINGS;
        } else if (guidIndex >= 3 && (guidIndex - 3) < guids.size() / 16) {
            identity.guid = platform::GuidFromBytes(&guids[(guidIndex - 3) * 16]);
        } else {
            continue;
        }
        // The first entry for an identifier wins; later ones are not even decoded, so a
        // stream of repeated entries costs no more than one.
        if (propertyIndex > kLastNamedId - kFirstNamedId ||
            m_names.count(kFirstNamedId + propertyIndex) != 0) {
            continue;
        }
        if (identity.kind == MNID_ID) {
            identity.id = nameOrOffset;
        } else {
            if (nameOrOffset > strings.size() || strings.size() - nameOrOffset < 4) {
                continue;
            }
            const std::uint32_t length = format::LoadLe32(&strings[nameOrOffset]);
            if (length > strings.size() - nameOrOffset - 4 || length > kMaxNameBytes) {
                continue;
            }
            identity.name = platform::Utf16FromLittleEndian(&strings[nameOrOffset + 4], length);
            // A stored terminator is not part of the name.
            while (!identity.name.empty() && identity.name.back() == u'\0') {
                identity.name.pop_back();
            }
        }
        m_names.emplace(kFirstNamedId + propertyIndex, std::move(identity));
    }
}

const NamedIdentity* NameIdMap::Find(std::uint32_t propertyId) const
{
    const auto found = m_names.find(propertyId);
    return found == m_names.end() ? nullptr : &found->second;
}

// ---- Property objects ---------------------------------------------------------------

PropertyObject::PropertyObject(GPtr<GsfInfile> storage, std::shared_ptr<const NameIdMap> names)
    : m_storage(std::move(storage)), m_directory(m_storage.get()), m_names(std::move(names))
{
    if (!m_names) {
        m_names = std::make_shared<NameIdMap>();
    }
}

StatusCode PropertyObject::Open(GPtr<GsfInfile> storage, PropertyStreamKind kind,
                                std::shared_ptr<const NameIdMap> names,
                                ComPtr<PropertyObject>* object)
{
    if (!object) {
        return E_POINTER;
    }
    if (!storage) {
        return E_INVALIDARG;
    }
    auto created = ComPtr<PropertyObject>::Adopt(new PropertyObject(std::move(storage), std::move(names)));
    if (const StatusCode status = created->LoadProperties(kind); platform::Failed(status)) {
        return status;
    }
    *object = std::move(created);
    return S_OK;
}

// The property stream: a header (its size depends on the storage's kind), then 16-byte
// entries: tag (4), flags (4), value (8). Fixed-size values lie in the value field; for
// variable-size ones it holds the size and the data is in "__substg1.0_TTTTTTTT".
StatusCode PropertyObject::LoadProperties(PropertyStreamKind kind)
{
    GPtr<GsfInput> stream = OpenStreamChild(m_storage.get(), m_directory.Find(kPropertyStreamName));
    if (!stream) {
        return MAPI_E_NOT_FOUND;
    }
    std::vector<std::uint8_t> bytes;
    if (platform::Failed(ReadWholeStream(stream.get(), kMetadataStreamLimit, &bytes))) {
        return MAPI_E_CORRUPT_DATA;
    }
    const std::size_t headerSize = HeaderSize(kind);
    if (bytes.size() < headerSize) {
        return MAPI_E_CORRUPT_DATA;
    }
    std::vector<StoredProperty> properties;
    std::set<std::uint32_t> seen;
    for (std::size_t offset = headerSize; bytes.size() - offset >= kPropertyEntrySize;
         offset += kPropertyEntrySize) {
        StoredProperty property;
        property.tag = format::LoadLe32(&bytes[offset]);
        std::memcpy(property.value, &bytes[offset + 8], sizeof property.value);
        if (PROP_TYPE(property.tag) == PT_UNSPECIFIED || PROP_TYPE(property.tag) == PT_NULL) {
            continue;
        }
        // A tag listed twice keeps its first entry.
        if (seen.insert(property.tag).second) {
            properties.push_back(property);
        }
    }
    m_properties = std::move(properties);
    return S_OK;
}

StatusCode PropertyObject::GetPropList(std::uint32_t, SPropTagArray** tags)
{
    if (!tags) {
        return E_INVALIDARG;
    }
    *tags = nullptr;
    void* buffer = nullptr;
    const std::size_t bytes = CbNewSPropTagArray(m_properties.size());
    if (bytes > UINT32_MAX) {
        return platform::E_OUTOFMEMORY;
    }
    if (const StatusCode status = MAPIAllocateBuffer(static_cast<std::uint32_t>(bytes), &buffer);
        platform::Failed(status)) {
        return status;
    }
    auto* array = static_cast<SPropTagArray*>(buffer);
    array->cValues = static_cast<std::uint32_t>(m_properties.size());
    for (std::size_t i = 0; i < m_properties.size(); ++i) {
        array->aulPropTag()[i] = m_properties[i].tag;
    }
    *tags = array;
    return S_OK;
}

const StoredProperty* PropertyObject::Find(std::uint32_t tag) const
{
    for (const StoredProperty& property : m_properties) {
        if (property.tag == tag) {
            return &property;
        }
    }
    return nullptr;
}

const StoredProperty* PropertyObject::FindText(std::uint32_t tag) const
{
    if (const StoredProperty* found = Find(CHANGE_PROP_TYPE(tag, PT_UNICODE))) {
        return found;
    }
    return Find(CHANGE_PROP_TYPE(tag, PT_STRING8));
}

bool PropertyObject::GetLong(std::uint32_t tag, std::uint32_t* value) const
{
    const StoredProperty* property = Find(CHANGE_PROP_TYPE(tag, PT_LONG));
    if (!property || !value) {
        return false;
    }
    *value = format::LoadLe32(property->value);
    return true;
}

bool PropertyObject::GetI8(std::uint32_t tag, std::uint64_t* value) const
{
    const StoredProperty* property = Find(tag);
    if (!property || !value) {
        return false;
    }
    *value = format::LoadLe64(property->value);
    return true;
}

GPtr<GsfInfile> PropertyObject::OpenObjectStorage(std::uint32_t tag) const
{
    return OpenStorageChild(m_storage.get(), m_directory.Find(ValueStreamName(tag)));
}

int PropertyObject::FindValueStream(std::uint32_t tag, std::int64_t index) const
{
    return m_directory.Find(index < 0 ? ValueStreamName(tag)
                                      : ValueStreamName(tag, static_cast<std::uint32_t>(index)));
}

StatusCode PropertyObject::GetValues(const StoredProperty& property,
                                     std::vector<PropertyValue>* values) const
{
    if (!values) {
        return E_POINTER;
    }
    values->clear();
    const std::uint32_t type = PROP_TYPE(property.tag);
    const std::uint32_t baseType = type & ~MV_FLAG;
    const bool multiValued = (type & MV_FLAG) != 0;
    const std::size_t fixedSize = FixedSize(baseType);
    std::vector<PropertyValue> result;

    if (!multiValued && fixedSize > 0 && baseType != PT_CLSID) {
        PropertyValue value;
        value.bytes.assign(property.value, property.value + fixedSize);
        value.size = fixedSize;
        result.push_back(std::move(value));
    } else if (!multiValued && baseType == PT_CLSID) {
        GPtr<GsfInput> stream = OpenStreamChild(m_storage.get(), FindValueStream(property.tag, -1));
        PropertyValue value;
        value.bytes.resize(16);
        if (!stream || platform::Failed(ReadExact(stream.get(), value.bytes.data(), 16))) {
            return E_FAIL;
        }
        value.size = 16;
        result.push_back(std::move(value));
    } else if (!multiValued && IsVariableType(baseType)) {
        PropertyValue value;
        const int index = FindValueStream(property.tag, -1);
        if (index < 0) {
            // Some writers store no stream for an empty value; its declared size then
            // covers at most the terminator.
            const std::uint32_t declared = format::LoadLe32(property.value);
            const std::uint32_t terminator =
                baseType == PT_UNICODE ? 2 : (baseType == PT_STRING8 ? 1 : 0);
            if (declared > terminator) {
                return E_FAIL;
            }
        } else if (const StatusCode status =
                       OpenValueStream(m_storage.get(), index, baseType, &value);
                   platform::Failed(status)) {
            return status;
        }
        result.push_back(std::move(value));
    } else if (multiValued && fixedSize > 0 && baseType != PT_BOOLEAN) {
        // Fixed-size values back to back in one stream.
        GPtr<GsfInput> stream = OpenStreamChild(m_storage.get(), FindValueStream(property.tag, -1));
        std::vector<std::uint8_t> bytes;
        if (!stream || platform::Failed(ReadWholeStream(stream.get(), kMetadataStreamLimit, &bytes)) ||
            bytes.size() % fixedSize != 0) {
            return E_FAIL;
        }
        for (std::size_t offset = 0; offset < bytes.size(); offset += fixedSize) {
            PropertyValue value;
            value.bytes.assign(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                               bytes.begin() + static_cast<std::ptrdiff_t>(offset + fixedSize));
            value.size = fixedSize;
            result.push_back(std::move(value));
        }
    } else if (multiValued && IsVariableType(baseType)) {
        // A length stream (4 bytes per string, 8 per binary value) gives the count; each
        // value lies in "__substg1.0_TTTTTTTT-IIIIIIII".
        GPtr<GsfInput> stream = OpenStreamChild(m_storage.get(), FindValueStream(property.tag, -1));
        std::vector<std::uint8_t> lengths;
        const std::size_t entrySize = baseType == PT_BINARY ? 8 : 4;
        if (!stream || platform::Failed(ReadWholeStream(stream.get(), kMetadataStreamLimit, &lengths)) ||
            lengths.size() % entrySize != 0) {
            return E_FAIL;
        }
        const std::size_t count = lengths.size() / entrySize;
        for (std::size_t i = 0; i < count; ++i) {
            PropertyValue value;
            const int index = FindValueStream(property.tag, static_cast<std::int64_t>(i));
            if (index < 0) {
                return E_FAIL;
            }
            if (const StatusCode status =
                    OpenValueStream(m_storage.get(), index, baseType, &value);
                platform::Failed(status)) {
                return status;
            }
            result.push_back(std::move(value));
        }
    } else {
        return E_NOTIMPL;
    }
    *values = std::move(result);
    return S_OK;
}


// ---- The message --------------------------------------------------------------------

StatusCode Message::Open(MsgSession* session, GPtr<GsfInfile> storage, ComPtr<Message>* message)
{
    if (!message) {
        return E_POINTER;
    }
    if (!session || !storage) {
        return E_INVALIDARG;
    }
    auto names = std::make_shared<NameIdMap>();
    names->Load(storage.get());
    auto created = ComPtr<Message>::Adopt(new Message(std::move(storage), std::move(names)));
    if (const StatusCode status = created->LoadProperties(PropertyStreamKind::TopLevel);
        platform::Failed(status)) {
        return status;
    }
    created->FindChildren();
    *message = std::move(created);
    return S_OK;
}

StatusCode Message::OpenEmbedded(GPtr<GsfInfile> storage, std::shared_ptr<const NameIdMap> names,
                                 ComPtr<Message>* message)
{
    if (!message) {
        return E_POINTER;
    }
    if (!storage) {
        return E_INVALIDARG;
    }
    auto created = ComPtr<Message>::Adopt(new Message(std::move(storage), std::move(names)));
    if (const StatusCode status = created->LoadProperties(PropertyStreamKind::Embedded);
        platform::Failed(status)) {
        return status;
    }
    created->FindChildren();
    *message = std::move(created);
    return S_OK;
}

void Message::FindChildren()
{
    for (const auto& [name, index] : Directory().Entries()) {
        std::uint32_t number = 0;
        if (ParseNumberedName(name, kRecipientPrefix, &number)) {
            m_recipients.emplace(number, index);
        } else if (ParseNumberedName(name, kAttachmentPrefix, &number)) {
            m_attachments.emplace(number, index);
        }
    }
    for (const auto& entry : m_attachments) {
        m_attachmentNumbers.push_back(entry.first);
    }
}

StatusCode Message::GetPropList(std::uint32_t flags, SPropTagArray** tags)
{
    SPropTagArray* stored = nullptr;
    if (const StatusCode status = PropertyObject::GetPropList(flags, &stored); platform::Failed(status)) {
        return status;
    }
    void* buffer = nullptr;
    const std::uint32_t count = stored->cValues + 2;
    const StatusCode status =
        MAPIAllocateBuffer(static_cast<std::uint32_t>(CbNewSPropTagArray(count)), &buffer);
    if (platform::Failed(status)) {
        MAPIFreeBuffer(stored);
        return status;
    }
    auto* array = static_cast<SPropTagArray*>(buffer);
    array->cValues = count;
    std::copy_n(stored->aulPropTag(), stored->cValues, array->aulPropTag());
    array->aulPropTag()[count - 2] = PR_MESSAGE_RECIPIENTS;
    array->aulPropTag()[count - 1] = PR_MESSAGE_ATTACHMENTS;
    MAPIFreeBuffer(stored);
    *tags = array;
    return S_OK;
}

StatusCode Message::GetRecipientTable(std::vector<ComPtr<PropertyObject>>* rows) const
{
    if (!rows) {
        return E_POINTER;
    }
    rows->clear();
    for (const auto& [number, index] : m_recipients) {
        GPtr<GsfInfile> storage = OpenStorageChild(StorageRoot(), index);
        ComPtr<PropertyObject> row;
        if (storage && platform::Succeeded(PropertyObject::Open(std::move(storage), PropertyStreamKind::Child,
                                            SharedNames(), &row))) {
            rows->push_back(std::move(row));
        }
    }
    return S_OK;
}

StatusCode Message::OpenAttach(std::uint32_t number, ComPtr<PropertyObject>* attachment) const
{
    if (!attachment) {
        return E_POINTER;
    }
    const auto found = m_attachments.find(number);
    if (found == m_attachments.end()) {
        return MAPI_E_NOT_FOUND;
    }
    GPtr<GsfInfile> storage = OpenStorageChild(StorageRoot(), found->second);
    if (!storage) {
        return MAPI_E_NOT_FOUND;
    }
    return PropertyObject::Open(std::move(storage), PropertyStreamKind::Child, SharedNames(),
                                attachment);
}

// ---- Session ------------------------------------------------------------------------


StatusCode OpenIMsgSession(IMalloc* allocator, std::uint32_t flags, MsgSession** session)
{
    if (!session) {
        return E_INVALIDARG;
    }
    *session = nullptr;
    if (!allocator || flags != 0) {
        return E_INVALIDARG;
    }
    *session = new MsgSession(allocator);
    return S_OK;
}

void CloseIMsgSession(MsgSession* session)
{
    if (session) {
        session->Release();
    }
}

StatusCode OpenIMsgOnIStg(MsgSession* session, ALLOCATEBUFFER allocateBuffer,
                          ALLOCATEMORE allocateMore, FREEBUFFER freeBuffer, IMalloc* allocator,
                          void* support, Storage* storage, void* releaseCallback,
                          std::uint32_t, std::uint32_t flags, Message** message)
{
    if (!message) {
        return E_INVALIDARG;
    }
    *message = nullptr;
    // This layer allocates with MAPI's own functions; other allocators cannot be honoured.
    if (!session || !storage || !allocator || support || releaseCallback || flags != 0 ||
        allocateBuffer != MAPIAllocateBuffer || allocateMore != MAPIAllocateMore ||
        freeBuffer != MAPIFreeBuffer) {
        return E_INVALIDARG;
    }
    ComPtr<Message> opened;
    if (const StatusCode status = Message::Open(session, GRef(storage->Root()), &opened);
        platform::Failed(status)) {
        return status;
    }
    *message = opened.Detach();
    return S_OK;
}

} // namespace ferrule
