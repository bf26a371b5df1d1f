// A test-side writer of message files ([MS-OXMSG]) on libgsf's compound-file writer, so
// that tests state the message they feed: properties of the message, its recipients and
// attachments, named properties, and deliberate damage (a property listed without its
// stream, a cut-off property stream, extra streams).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/guid.h"

namespace testing_support {

class MsgBuilder;

// A storage of streams and sub-storages with a class identifier: an OLE object's data.
struct StorageTree {
    platform::GUID clsid{};
    std::map<std::string, std::vector<std::uint8_t>> streams;
    std::map<std::string, StorageTree> storages;
};

// The properties of one storage: the message, a recipient or an attachment.
class MsgProperties {
public:
    // Fixed-size values stored inline: PT_I2/PT_BOOLEAN (2 bytes), PT_LONG/PT_R4/PT_ERROR
    // (4), PT_I8/PT_SYSTIME/PT_DOUBLE/PT_CURRENCY/PT_APPTIME (8).
    MsgProperties& Short(std::uint32_t tag, std::uint16_t value);
    MsgProperties& Long(std::uint32_t tag, std::uint32_t value);
    MsgProperties& Int64(std::uint32_t tag, std::uint64_t value);
    // Variable-size values in "__substg1.0_TTTTTTTT", stored without terminator.
    MsgProperties& String8(std::uint32_t tag, const std::string& value);
    MsgProperties& Unicode(std::uint32_t tag, const std::u16string& value);
    MsgProperties& Binary(std::uint32_t tag, std::vector<std::uint8_t> value);
    MsgProperties& Clsid(std::uint32_t tag, const platform::GUID& value);
    // Multi-valued: fixed sizes back to back in one stream; variable sizes as a length
    // stream plus one stream per value (strings stored with their terminator).
    MsgProperties& MvLong(std::uint32_t tag, const std::vector<std::uint32_t>& values);
    MsgProperties& MvString8(std::uint32_t tag, const std::vector<std::string>& values);
    MsgProperties& MvUnicode(std::uint32_t tag, const std::vector<std::u16string>& values);
    MsgProperties& MvBinary(std::uint32_t tag, const std::vector<std::vector<std::uint8_t>>& values);

    // Object data of an attachment in the storage "__substg1.0_3701000D", listed in the
    // property stream as PR_ATTACH_DATA_OBJ: a message of its own (method 5) or an OLE
    // object's storage (method 6). The embedded message's named properties are those
    // registered with the top-level builder.
    MsgProperties& EmbeddedMessage(std::shared_ptr<const MsgBuilder> message);
    MsgProperties& ObjectStorage(StorageTree storage);

    // Damage and oddities.
    MsgProperties& ListedWithoutStream(std::uint32_t tag, std::uint32_t size);
    MsgProperties& ExtraStream(const std::string& name, std::vector<std::uint8_t> bytes);
    MsgProperties& CutPropertyStream(std::size_t bytes);
    MsgProperties& NoPropertyStream();

    struct Entry {
        std::uint32_t tag;
        std::uint8_t value[8];
    };
    const std::vector<Entry>& Entries() const { return m_entries; }
    const std::map<std::string, std::vector<std::uint8_t>>& Streams() const { return m_streams; }
    std::optional<std::size_t> Cut() const { return m_cut; }
    bool HasPropertyStream() const { return m_propertyStream; }
    const std::shared_ptr<const MsgBuilder>& Embedded() const { return m_embedded; }
    const std::optional<StorageTree>& Object() const { return m_object; }

private:
    MsgProperties& Fixed(std::uint32_t tag, std::uint64_t value);
    MsgProperties& Variable(std::uint32_t tag, std::vector<std::uint8_t> data,
                            std::uint32_t declaredSize);

    std::vector<Entry> m_entries;
    std::map<std::string, std::vector<std::uint8_t>> m_streams;
    std::optional<std::size_t> m_cut;
    bool m_propertyStream = true;
    std::shared_ptr<const MsgBuilder> m_embedded;
    std::optional<StorageTree> m_object;
};

class MsgBuilder {
public:
    MsgProperties& Message() { return m_message; }
    MsgProperties& AddRecipient();
    MsgProperties& AddAttachment();

    // Registers a named property and gives its identifier (0x8000 and up).
    std::uint32_t NamedId(const platform::GUID& guid, std::uint32_t id);
    std::uint32_t NamedString(const platform::GUID& guid, const std::u16string& name);

    // Writes the compound file; false when libgsf cannot.
    bool Write(const std::string& path) const;
    // Writes this message into `storage` (the message file's root, or the storage of an
    // embedded message), with the property-stream header of its kind.
    bool WriteInto(void* storage, bool topLevel) const;

private:
    struct Named {
        platform::GUID guid;
        bool isString;
        std::uint32_t id;
        std::u16string name;
    };

    MsgProperties m_message;
    std::vector<MsgProperties> m_recipients;
    std::vector<MsgProperties> m_attachments;
    std::vector<Named> m_named;
};

std::vector<std::uint8_t> Utf16Bytes(const std::u16string& text);

// Writes `tree` as a compound file of its own (an OLE object's file); false when libgsf
// cannot.
bool WriteStorageFile(const std::string& path, const StorageTree& tree);

} // namespace testing_support
