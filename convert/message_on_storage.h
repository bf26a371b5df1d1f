// The message object over a compound file ([MS-OXMSG]): the message session, the message
// opened on a storage, its recipients and attachments, each a set of properties read from
// "__properties_version1.0" and the "__substg1.0_" streams, and the map of named
// properties kept in "__nameid_version1.0".
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "convert/mapi_defs.h"
#include "convert/mapi_memory.h"
#include "convert/storage.h"
#include "convert/unknown_object.h"
#include "platform/com_ptr.h"

namespace ferrule {

// What a named property stands for: a property set and a numeric identifier or a name.
struct NamedIdentity {
    platform::GUID guid{};
    std::uint32_t kind = MNID_ID;
    std::uint32_t id = 0;
    std::u16string name;
};

// Property identifiers 0x8000 and above mapped back to their identities.
class NameIdMap {
public:
    // Reads the GUID, entry and string streams of "__nameid_version1.0" in `root`. Entries
    // that point outside their streams are left out; a missing storage leaves the map empty.
    void Load(GsfInfile* root);
    const NamedIdentity* Find(std::uint32_t propertyId) const;
    std::size_t Size() const { return m_names.size(); }

private:
    std::map<std::uint32_t, NamedIdentity> m_names;
};

// Which header the property stream of a storage starts with.
enum class PropertyStreamKind {
    TopLevel, // the message file's own message: 32 bytes
    Embedded, // a message inside an attachment: 24 bytes
    Child,    // a recipient or an attachment: 8 bytes
};

// One entry of a property stream.
struct StoredProperty {
    std::uint32_t tag = 0;
    std::uint8_t value[8] = {}; // fixed values inline; the size of variable ones
};

// One value of a property, ready to be written: either bytes held here (fixed sizes) or a
// stream of `size` data bytes opened at its start. Strings come without their terminator.
struct PropertyValue {
    std::vector<std::uint8_t> bytes;
    GPtr<GsfInput> stream;
    std::uint64_t size = 0;
};

// The properties of one storage: a message, a recipient or an attachment.
class PropertyObject : public UnknownObject {
public:
    // Reads the property stream of `storage`. A missing stream, or one shorter than its
    // header, is MAPI_E_NOT_FOUND or MAPI_E_CORRUPT_DATA; a cut-off last entry is ignored.
    [[nodiscard]] static StatusCode Open(GPtr<GsfInfile> storage, PropertyStreamKind kind,
                                         std::shared_ptr<const NameIdMap> names,
                                         platform::ComPtr<PropertyObject>* object);

    // The tags of every property, in property-stream order, in one MAPIAllocateBuffer
    // buffer that the caller frees with MAPIFreeBuffer.
    [[nodiscard]] virtual StatusCode GetPropList(std::uint32_t flags, SPropTagArray** tags);

    const std::vector<StoredProperty>& Properties() const { return m_properties; }
    const StoredProperty* Find(std::uint32_t tag) const;
    // The 8-bit or the UTF-16 form of a text property, whichever the storage holds.
    const StoredProperty* FindText(std::uint32_t tag) const;
    bool GetLong(std::uint32_t tag, std::uint32_t* value) const;
    bool GetI8(std::uint32_t tag, std::uint64_t* value) const;

    // Every value of a property. Types that cannot be read (objects, unknown types) give
    // E_NOTIMPL; absent or malformed data E_FAIL.
    [[nodiscard]] StatusCode GetValues(const StoredProperty& property,
                                       std::vector<PropertyValue>* values) const;

    const NameIdMap& Names() const { return *m_names; }
    const std::shared_ptr<const NameIdMap>& SharedNames() const { return m_names; }
    // The storage kept as the value of a PT_OBJECT property ("__substg1.0_TTTTTTTT" as a
    // storage), or nothing.
    GPtr<GsfInfile> OpenObjectStorage(std::uint32_t tag) const;
    GsfInfile* StorageRoot() const { return m_storage.get(); }
    const StorageDirectory& Directory() const { return m_directory; }

protected:
    PropertyObject(GPtr<GsfInfile> storage, std::shared_ptr<const NameIdMap> names);
    ~PropertyObject() override = default;
    [[nodiscard]] StatusCode LoadProperties(PropertyStreamKind kind);
    int FindValueStream(std::uint32_t tag, std::int64_t index) const;

private:
    GPtr<GsfInfile> m_storage;
    StorageDirectory m_directory;
    std::shared_ptr<const NameIdMap> m_names;
    std::vector<StoredProperty> m_properties;
};

class MsgSession;

// The message kept in a message file, with its recipient and attachment storages.
class Message final : public PropertyObject {
public:
    [[nodiscard]] static StatusCode Open(MsgSession* session, GPtr<GsfInfile> storage,
                                         platform::ComPtr<Message>* message);
    // A message kept inside an attachment: its property stream has the 24-byte header, and
    // its named properties are those of the message file's top-level map.
    [[nodiscard]] static StatusCode OpenEmbedded(GPtr<GsfInfile> storage,
                                                 std::shared_ptr<const NameIdMap> names,
                                                 platform::ComPtr<Message>* message);

    // Adds PR_MESSAGE_RECIPIENTS and PR_MESSAGE_ATTACHMENTS to the stored properties.
    [[nodiscard]] StatusCode GetPropList(std::uint32_t flags, SPropTagArray** tags) override;

    // One object per recipient storage that can be read, in the order of their numbers;
    // recipients whose property stream cannot be read are left out. Recipients and
    // attachments share the message's map of named properties.
    [[nodiscard]] StatusCode GetRecipientTable(
        std::vector<platform::ComPtr<PropertyObject>>* rows) const;
    // The numbers of the attachment storages, ascending.
    const std::vector<std::uint32_t>& GetAttachmentTable() const { return m_attachmentNumbers; }
    [[nodiscard]] StatusCode OpenAttach(std::uint32_t number,
                                        platform::ComPtr<PropertyObject>* attachment) const;

private:
    Message(GPtr<GsfInfile> storage, std::shared_ptr<const NameIdMap> names)
        : PropertyObject(std::move(storage), std::move(names))
    {
    }
    ~Message() override = default;
    void FindChildren();

    std::map<std::uint32_t, int> m_recipients;  // number -> child index
    std::map<std::uint32_t, int> m_attachments; // number -> child index
    std::vector<std::uint32_t> m_attachmentNumbers;
};

// The session that messages on storages belong to; it only keeps the allocator.
class MsgSession final : public UnknownObject {
public:
    explicit MsgSession(IMalloc* allocator) : m_allocator(allocator) {}
    IMalloc* Allocator() const { return m_allocator; }


private:
    ~MsgSession() override = default;
    IMalloc* m_allocator;
};

[[nodiscard]] StatusCode OpenIMsgSession(IMalloc* allocator, std::uint32_t flags,
                                         MsgSession** session);
void CloseIMsgSession(MsgSession* session);

// The message over `storage`. The allocation functions must be MAPI's; the support object,
// the release callback and the flags are not used and must be empty.
[[nodiscard]] StatusCode OpenIMsgOnIStg(MsgSession* session, ALLOCATEBUFFER allocateBuffer,
                                        ALLOCATEMORE allocateMore, FREEBUFFER freeBuffer,
                                        IMalloc* allocator, void* support, Storage* storage,
                                        void* releaseCallback, std::uint32_t callerData,
                                        std::uint32_t flags, Message** message);

// "__substg1.0_TTTTTTTT" and "__substg1.0_TTTTTTTT-IIIIIIII".
std::string ValueStreamName(std::uint32_t tag);
std::string ValueStreamName(std::uint32_t tag, std::uint32_t index);

} // namespace ferrule
