#include "tests/convert/msg_writer.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include <gsf/gsf.h>

#include "format/little_endian.h"
#include "format/mapi.h"
#include "platform/gobject_ptr.h"

namespace testing_support {

namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.resize(out.size() + 4);
    format::StoreLe32(out.data() + out.size() - 4, value);
}

std::string StreamName(std::uint32_t tag)
{
    char name[32];
    std::snprintf(name, sizeof name, "__substg1.0_%08X", tag);
    return name;
}

std::string StreamName(std::uint32_t tag, std::uint32_t index)
{
    char name[40];
    std::snprintf(name, sizeof name, "__substg1.0_%08X-%08X", tag, index);
    return name;
}

bool WriteStream(GsfOutfile* parent, const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    platform::GPtr<GsfOutput> child(gsf_outfile_new_child(parent, name.c_str(), FALSE));
    if (!child) {
        return false;
    }
    bool ok = bytes.empty() || gsf_output_write(child.get(), bytes.size(), bytes.data());
    ok = gsf_output_close(child.get()) && ok;
    return ok;
}

bool WriteTree(GsfOutfile* storage, const StorageTree& tree)
{
    const auto clsid = platform::GuidToBytes(tree.clsid);
    bool ok = gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(storage), clsid.data());
    for (const auto& [name, bytes] : tree.streams) {
        ok = WriteStream(storage, name, bytes) && ok;
    }
    for (const auto& [name, child] : tree.storages) {
        platform::GPtr<GsfOutput> out(gsf_outfile_new_child(storage, name.c_str(), TRUE));
        if (!out) {
            return false;
        }
        ok = WriteTree(GSF_OUTFILE(out.get()), child) && ok;
        ok = gsf_output_close(out.get()) && ok;
    }
    return ok;
}

enum class Header { TopLevel, Embedded, Child };

// The property stream: the header (32 bytes for the message file's message and 24 for an
// embedded one, with the next recipient and attachment numbers and the counts; 8 for the
// others), then 16-byte entries.
bool WriteStorage(GsfOutfile* storage, const MsgProperties& properties, Header header,
                  std::uint32_t recipients, std::uint32_t attachments)
{
    for (const auto& [name, bytes] : properties.Streams()) {
        if (!WriteStream(storage, name, bytes)) {
            return false;
        }
    }
    if (properties.Embedded() || properties.Object()) {
        platform::GPtr<GsfOutput> object(
            gsf_outfile_new_child(storage, "__substg1.0_3701000D", TRUE));
        if (!object) {
            return false;
        }
        bool ok = properties.Embedded() ? properties.Embedded()->WriteInto(object.get(), false)
                                        : WriteTree(GSF_OUTFILE(object.get()), *properties.Object());
        ok = gsf_output_close(object.get()) && ok;
        if (!ok) {
            return false;
        }
    }
    if (!properties.HasPropertyStream()) {
        return true;
    }
    std::vector<std::uint8_t> stream(8, 0);
    if (header != Header::Child) {
        PutU32(stream, recipients);
        PutU32(stream, attachments);
        PutU32(stream, recipients);
        PutU32(stream, attachments);
        stream.resize(header == Header::TopLevel ? 32 : 24, 0);
    }
    for (const MsgProperties::Entry& entry : properties.Entries()) {
        PutU32(stream, entry.tag);
        PutU32(stream, 0x6); // readable, writable
        stream.insert(stream.end(), entry.value, entry.value + 8);
    }
    if (properties.Cut() && *properties.Cut() < stream.size()) {
        stream.resize(*properties.Cut());
    }
    return WriteStream(storage, "__properties_version1.0", stream);
}

bool WriteChildren(GsfOutfile* root, const std::vector<MsgProperties>& recipients,
                   const std::vector<MsgProperties>& attachments)
{
    bool ok = true;
    auto write = [&](const std::vector<MsgProperties>& children, const char* prefix) {
        for (std::uint32_t i = 0; i < children.size(); ++i) {
            char name[40];
            std::snprintf(name, sizeof name, "%s%08X", prefix, i);
            platform::GPtr<GsfOutput> child(gsf_outfile_new_child(root, name, TRUE));
            if (!child) {
                ok = false;
                continue;
            }
            ok = WriteStorage(GSF_OUTFILE(child.get()), children[i], Header::Child, 0, 0) && ok;
            ok = gsf_output_close(child.get()) && ok;
        }
    };
    write(recipients, "__recip_version1.0_#");
    write(attachments, "__attach_version1.0_#");
    return ok;
}

} // namespace

std::vector<std::uint8_t> Utf16Bytes(const std::u16string& text)
{
    std::vector<std::uint8_t> bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

MsgProperties& MsgProperties::Fixed(std::uint32_t tag, std::uint64_t value)
{
    Entry entry{tag, {}};
    for (int i = 0; i < 8; ++i) {
        entry.value[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    m_entries.push_back(entry);
    return *this;
}

MsgProperties& MsgProperties::Variable(std::uint32_t tag, std::vector<std::uint8_t> data,
                                       std::uint32_t declaredSize)
{
    Fixed(tag, declaredSize);
    m_streams[StreamName(tag)] = std::move(data);
    return *this;
}

MsgProperties& MsgProperties::Short(std::uint32_t tag, std::uint16_t value) { return Fixed(tag, value); }
MsgProperties& MsgProperties::Long(std::uint32_t tag, std::uint32_t value) { return Fixed(tag, value); }
MsgProperties& MsgProperties::Int64(std::uint32_t tag, std::uint64_t value) { return Fixed(tag, value); }

MsgProperties& MsgProperties::String8(std::uint32_t tag, const std::string& value)
{
    return Variable(tag, std::vector<std::uint8_t>(value.begin(), value.end()),
                    static_cast<std::uint32_t>(value.size() + 1));
}

MsgProperties& MsgProperties::Unicode(std::uint32_t tag, const std::u16string& value)
{
    return Variable(tag, Utf16Bytes(value), static_cast<std::uint32_t>(value.size() * 2 + 2));
}

MsgProperties& MsgProperties::Binary(std::uint32_t tag, std::vector<std::uint8_t> value)
{
    const auto size = static_cast<std::uint32_t>(value.size());
    return Variable(tag, std::move(value), size);
}

MsgProperties& MsgProperties::Clsid(std::uint32_t tag, const platform::GUID& value)
{
    const auto bytes = platform::GuidToBytes(value);
    return Variable(tag, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), 16);
}

MsgProperties& MsgProperties::MvLong(std::uint32_t tag, const std::vector<std::uint32_t>& values)
{
    std::vector<std::uint8_t> data;
    for (const std::uint32_t value : values) {
        PutU32(data, value);
    }
    const auto size = static_cast<std::uint32_t>(data.size());
    return Variable(tag, std::move(data), size);
}

MsgProperties& MsgProperties::MvString8(std::uint32_t tag, const std::vector<std::string>& values)
{
    std::vector<std::uint8_t> lengths;
    for (std::uint32_t i = 0; i < values.size(); ++i) {
        std::vector<std::uint8_t> data(values[i].begin(), values[i].end());
        data.push_back(0);
        PutU32(lengths, static_cast<std::uint32_t>(data.size()));
        m_streams[StreamName(tag, i)] = std::move(data);
    }
    const auto size = static_cast<std::uint32_t>(lengths.size());
    return Variable(tag, std::move(lengths), size);
}

MsgProperties& MsgProperties::MvUnicode(std::uint32_t tag, const std::vector<std::u16string>& values)
{
    std::vector<std::uint8_t> lengths;
    for (std::uint32_t i = 0; i < values.size(); ++i) {
        std::vector<std::uint8_t> data = Utf16Bytes(values[i]);
        data.push_back(0);
        data.push_back(0);
        PutU32(lengths, static_cast<std::uint32_t>(data.size()));
        m_streams[StreamName(tag, i)] = std::move(data);
    }
    const auto size = static_cast<std::uint32_t>(lengths.size());
    return Variable(tag, std::move(lengths), size);
}

MsgProperties& MsgProperties::MvBinary(std::uint32_t tag,
                                       const std::vector<std::vector<std::uint8_t>>& values)
{
    std::vector<std::uint8_t> lengths;
    for (std::uint32_t i = 0; i < values.size(); ++i) {
        PutU32(lengths, static_cast<std::uint32_t>(values[i].size()));
        PutU32(lengths, 0);
        m_streams[StreamName(tag, i)] = values[i];
    }
    const auto size = static_cast<std::uint32_t>(lengths.size());
    return Variable(tag, std::move(lengths), size);
}

MsgProperties& MsgProperties::EmbeddedMessage(std::shared_ptr<const MsgBuilder> message)
{
    m_embedded = std::move(message);
    return Fixed(0x3701000D, 0xFFFFFFFF);
}

MsgProperties& MsgProperties::ObjectStorage(StorageTree storage)
{
    m_object = std::move(storage);
    return Fixed(0x3701000D, 0xFFFFFFFF);
}

MsgProperties& MsgProperties::ListedWithoutStream(std::uint32_t tag, std::uint32_t size)
{
    return Fixed(tag, size);
}

MsgProperties& MsgProperties::ExtraStream(const std::string& name, std::vector<std::uint8_t> bytes)
{
    m_streams[name] = std::move(bytes);
    return *this;
}

MsgProperties& MsgProperties::CutPropertyStream(std::size_t bytes)
{
    m_cut = bytes;
    return *this;
}

MsgProperties& MsgProperties::NoPropertyStream()
{
    m_propertyStream = false;
    return *this;
}

MsgProperties& MsgBuilder::AddRecipient()
{
    m_recipients.emplace_back();
    return m_recipients.back();
}

MsgProperties& MsgBuilder::AddAttachment()
{
    m_attachments.emplace_back();
    return m_attachments.back();
}

std::uint32_t MsgBuilder::NamedId(const platform::GUID& guid, std::uint32_t id)
{
    m_named.push_back({guid, false, id, {}});
    return 0x8000 + static_cast<std::uint32_t>(m_named.size() - 1);
}

std::uint32_t MsgBuilder::NamedString(const platform::GUID& guid, const std::u16string& name)
{
    m_named.push_back({guid, true, 0, name});
    return 0x8000 + static_cast<std::uint32_t>(m_named.size() - 1);
}

namespace {

// Opens a compound file for writing, lets `write` fill its root and closes it.
template <class Write> bool WriteCompoundFile(const std::string& path, Write write)
{
    GError* error = nullptr;
    platform::GPtr<GsfOutput> sink(gsf_output_stdio_new(path.c_str(), &error));
    if (!sink) {
        if (error) {
            g_error_free(error);
        }
        return false;
    }
    platform::GPtr<GsfOutfile> root(gsf_outfile_msole_new(sink.get()));
    if (!root) {
        return false;
    }
    bool ok = write(root.get());
    ok = gsf_output_close(GSF_OUTPUT(root.get())) && ok;
    return ok;
}

} // namespace

bool MsgBuilder::Write(const std::string& path) const
{
    return WriteCompoundFile(path, [&](GsfOutfile* root) { return WriteInto(root, true); });
}

bool WriteStorageFile(const std::string& path, const StorageTree& tree)
{
    return WriteCompoundFile(path, [&](GsfOutfile* root) { return WriteTree(root, tree); });
}

bool MsgBuilder::WriteInto(void* target, bool topLevel) const
{
    auto* root = static_cast<GsfOutfile*>(target);
    bool ok = WriteStorage(root, m_message, topLevel ? Header::TopLevel : Header::Embedded,
                           static_cast<std::uint32_t>(m_recipients.size()),
                           static_cast<std::uint32_t>(m_attachments.size()));
    if (!topLevel) {
        return WriteChildren(root, m_recipients, m_attachments) && ok;
    }

    // Named properties: PS_MAPI and PS_PUBLIC_STRINGS go by index 1 and 2, other GUIDs
    // are stored from index 3 on.
    static constexpr platform::GUID kPsMapi{0x00020328, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    static constexpr platform::GUID kPsPublicStrings{0x00020329, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    std::vector<platform::GUID> guids;
    std::vector<std::uint8_t> guidStream;
    std::vector<std::uint8_t> entryStream;
    std::vector<std::uint8_t> stringStream;
    for (std::uint32_t i = 0; i < m_named.size(); ++i) {
        const Named& named = m_named[i];
        std::uint32_t guidIndex = 0;
        if (named.guid == kPsMapi) {
            guidIndex = 1;
        } else if (named.guid == kPsPublicStrings) {
            guidIndex = 2;
        } else {
            std::size_t k = 0;
            while (k < guids.size() && !(guids[k] == named.guid)) {
                ++k;
            }
            if (k == guids.size()) {
                guids.push_back(named.guid);
                const auto bytes = platform::GuidToBytes(named.guid);
                guidStream.insert(guidStream.end(), bytes.begin(), bytes.end());
            }
            guidIndex = static_cast<std::uint32_t>(k + 3);
        }
        if (named.isString) {
            PutU32(entryStream, static_cast<std::uint32_t>(stringStream.size()));
            const std::vector<std::uint8_t> text = Utf16Bytes(named.name);
            PutU32(stringStream, static_cast<std::uint32_t>(text.size()));
            stringStream.insert(stringStream.end(), text.begin(), text.end());
            while (stringStream.size() % 4 != 0) {
                stringStream.push_back(0);
            }
        } else {
            PutU32(entryStream, named.id);
        }
        PutU32(entryStream, (i << 16) | (guidIndex << 1) | (named.isString ? 1u : 0u));
    }
    {
        platform::GPtr<GsfOutput> nameid(
            gsf_outfile_new_child(root, "__nameid_version1.0", TRUE));
        ok = ok && nameid;
        if (nameid) {
            GsfOutfile* storage = GSF_OUTFILE(nameid.get());
            ok = WriteStream(storage, StreamName(0x00020102), guidStream) && ok;
            ok = WriteStream(storage, StreamName(0x00030102), entryStream) && ok;
            ok = WriteStream(storage, StreamName(0x00040102), stringStream) && ok;
            ok = gsf_output_close(nameid.get()) && ok;
        }
    }
    ok = WriteChildren(root, m_recipients, m_attachments) && ok;
    return ok;
}

} // namespace testing_support
