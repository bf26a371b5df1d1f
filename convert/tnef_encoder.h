// The TNEF encoder ([MS-OXTNEF]): writes a message with its recipients and attachments as
// a TNEF stream. Besides the property lists it writes the legacy attributes that other
// TNEF readers look for first (class, subject, dates, status, priority, body, attachment
// titles, data and renderings), so that any reader finds the same message.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "convert/mapi_defs.h"
#include "convert/message_on_storage.h"
#include "convert/tnef_writer.h"
#include "platform/files.h"

namespace ferrule {

// Messages embedded in attachments are encoded as nested TNEF streams down to this depth
// (the message file's own message is depth 0); deeper nesting is damage whose data is left
// out, so that a crafted file cannot make the conversion recurse without end.
inline constexpr unsigned kMaxEmbeddedDepth = 8;

// The problem report of Finish; this encoder reports none (cProblem 0).
struct STnefProblemArray {
    std::uint32_t cProblem;
};

class TnefEncoder final : public UnknownObject {
public:
    TnefEncoder(platform::IStream* stream, std::string streamName, Message* message,
                std::uint16_t key);

    // With TNEF_PROP_EXCLUDE, the listed message properties are left out; leaving out
    // PR_MESSAGE_RECIPIENTS or PR_MESSAGE_ATTACHMENTS leaves out the recipient table or
    // the attachments. Other flags, an element other than 0 and data are not supported.
    [[nodiscard]] StatusCode AddProps(std::uint32_t flags, std::uint32_t element, void* data,
                                      const SPropTagArray* tags);
    // Writes the whole stream. `key` receives the key; `problems` an empty problem report
    // from MAPIAllocateBuffer.
    [[nodiscard]] StatusCode Finish(std::uint32_t flags, std::uint16_t* key,
                                    STnefProblemArray** problems);

    // How deep the message lies inside embedded messages (0 for the message file's own).
    void SetNestingDepth(unsigned depth) { m_depth = depth; }


private:
    ~TnefEncoder() override = default;

    void WriteMessageAttributes();
    void WriteRecipientTable();
    void WriteAttachment(std::uint32_t number);

    // Writes the properties that `keep` accepts as a property list (count, then
    // properties) and gives their number; a property whose data cannot be read is left
    // out.
    template <class Keep>
    std::uint32_t WritePropertyList(const PropertyObject& object, Keep keep);
    // The same, followed by the properties that `extra` writes (it gives their number).
    template <class Keep, class Extra>
    std::uint32_t WritePropertyList(const PropertyObject& object, Keep keep, Extra extra);

    // The data of an embedded message (a nested TNEF stream) or of an OLE object (a
    // compound file) in a temporary file; fails when there is none or it cannot be read.
    StatusCode PrepareObjectData(const PropertyObject& attachment, std::uint32_t method,
                                 platform::TempFile* file);
    // PR_ATTACH_DATA_OBJ: the interface identifier, then the bytes of `path`.
    StatusCode WriteObjectProperty(const platform::IID& iid, const std::string& path);
    // Ends a property-list record, or removes it when it holds no property: TNEF readers
    // reject lists of nothing.
    void EndListRecord(std::uint32_t count);
    StatusCode WriteProperty(const PropertyObject& object, const StoredProperty& property);
    StatusCode WriteValueData(const PropertyValue& value);

    // Legacy attributes.
    void WriteTextAttribute(std::uint8_t level, std::uint32_t id, const PropertyObject& object,
                            std::uint32_t tag, bool terminate, const char* fallback);
    void WriteDateAttribute(std::uint8_t level, std::uint32_t id, const PropertyObject& object,
                            std::uint32_t tag);
    void WriteBinaryAttribute(std::uint8_t level, std::uint32_t id, const PropertyObject& object,
                              std::uint32_t tag);
    StatusCode WriteText(const PropertyValue& value, bool utf16);
    void WriteSimpleRecord(std::uint8_t level, std::uint32_t id, const void* bytes,
                           std::size_t count);

    platform::ComPtr<platform::IStream> m_stream;
    std::string m_streamName;
    platform::ComPtr<Message> m_message;
    std::uint16_t m_key;
    std::set<std::uint32_t> m_excluded;
    std::uint32_t m_codePage = 0;
    TnefWriter m_writer;
    std::vector<std::uint8_t> m_chunk;
    bool m_finished = false;
    unsigned m_depth = 0;
};

// The encoder over `stream` for `message`. Only TNEF_ENCODE is supported; the support
// object and the address book are not used.
[[nodiscard]] StatusCode OpenTnefStreamEx(void* support, platform::IStream* stream,
                                          const char* streamName, std::uint32_t flags,
                                          Message* message, std::uint16_t key,
                                          void* addressBook, TnefEncoder** tnef);

// A FILETIME as the 14-byte date of legacy attributes: year, month, day, hour, minute,
// second, day of week (0 = Sunday), each 16-bit little-endian, in UTC.
void FileTimeToDtr(std::uint64_t fileTime, std::uint8_t out[14]);

// The code page of a message's 8-bit text: PR_MESSAGE_CODEPAGE, else PR_INTERNET_CPID,
// else 1252.
std::uint32_t MessageCodePage(const PropertyObject& message);

} // namespace ferrule
