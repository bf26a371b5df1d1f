#include "convert/tnef_encoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "convert/msg_tnef.h"
#include "convert/object_data.h"
#include "convert/stream_on_file.h"
#include "format/little_endian.h"
#include "platform/file_io.h"
#include "platform/text.h"

namespace ferrule {

using platform::ComPtr;
using platform::E_FAIL;
using platform::E_INVALIDARG;
using platform::E_NOTIMPL;
using platform::E_POINTER;
using platform::S_OK;

namespace {

constexpr std::size_t kChunkSize = 64 * 1024;
constexpr std::uint32_t kTnefVersion = 0x00010000;
// The longest named-property name a TNEF reader accepts: 1024 bytes with the terminator.
constexpr std::size_t kMaxNameBytes = 1024;
// attMessageID is made from the search key; longer keys are not identifiers.
constexpr std::uint64_t kMaxSearchKey = 1024;

bool IsNamed(std::uint32_t tag)
{
    return PROP_ID(tag) >= kFirstNamedId && PROP_ID(tag) <= kLastNamedId;
}

// The property types whose values TNEF property lists carry.
bool IsEncodableType(std::uint32_t type)
{
    const std::uint32_t base = type & ~MV_FLAG;
    const bool multiValued = (type & MV_FLAG) != 0;
    switch (base) {
    case PT_I2:
    case PT_LONG:
    case PT_R4:
    case PT_DOUBLE:
    case PT_CURRENCY:
    case PT_APPTIME:
    case PT_I8:
    case PT_SYSTIME:
    case PT_CLSID:
    case PT_STRING8:
    case PT_UNICODE:
    case PT_BINARY:
        return true;
    case PT_ERROR:
    case PT_BOOLEAN:
        return !multiValued;
    default:
        return false;
    }
}

std::uint32_t TerminatorSize(std::uint32_t baseType)
{
    return baseType == PT_UNICODE ? 2 : (baseType == PT_STRING8 ? 1 : 0);
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
void CivilFromDays(std::int64_t days, std::int64_t* year, unsigned* month, unsigned* day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    *day = dayOfYear - (153 * mp + 2) / 5 + 1;
    *month = mp < 10 ? mp + 3 : mp - 9;
    *year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (*month <= 2 ? 1 : 0);
}

} // namespace

void FileTimeToDtr(std::uint64_t fileTime, std::uint8_t out[14])
{
    // Seconds from 1601-01-01 to 1970-01-01.
    constexpr std::int64_t kEpochDifference = 11644473600;
    const auto seconds = static_cast<std::int64_t>(fileTime / 10000000u) - kEpochDifference;
    const std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const std::int64_t secondOfDay = seconds - days * 86400;
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days, &year, &month, &day);
    // 1970-01-01 was a Thursday (4).
    const std::int64_t dayOfWeek = ((days % 7) + 7 + 4) % 7;
    const std::uint16_t fields[7] = {
        static_cast<std::uint16_t>(year),
        static_cast<std::uint16_t>(month),
        static_cast<std::uint16_t>(day),
        static_cast<std::uint16_t>(secondOfDay / 3600),
        static_cast<std::uint16_t>(secondOfDay / 60 % 60),
        static_cast<std::uint16_t>(secondOfDay % 60),
        static_cast<std::uint16_t>(dayOfWeek),
    };
    for (int i = 0; i < 7; ++i) {
        format::StoreLe16(out + 2 * i, fields[i]);
    }
}

std::uint32_t MessageCodePage(const PropertyObject& message)
{
    std::uint32_t codePage = 0;
    if (message.GetLong(PR_MESSAGE_CODEPAGE, &codePage) && codePage != 0) {
        return codePage;
    }
    if (message.GetLong(PR_INTERNET_CPID, &codePage) && codePage != 0) {
        return codePage;
    }
    return platform::kDefaultCodePage;
}

TnefEncoder::TnefEncoder(platform::IStream* stream, std::string streamName, Message* message,
                         std::uint16_t key)
    : m_stream(stream), m_streamName(std::move(streamName)), m_message(message), m_key(key),
      m_writer(stream)
{
}

StatusCode TnefEncoder::AddProps(std::uint32_t flags, std::uint32_t element, void* data,
                                 const SPropTagArray* tags)
{
    if (flags != TNEF_PROP_EXCLUDE || element != 0 || data) {
        return E_NOTIMPL;
    }
    if (!tags) {
        return E_INVALIDARG;
    }
    for (std::uint32_t i = 0; i < tags->cValues; ++i) {
        m_excluded.insert(tags->aulPropTag()[i]);
    }
    return S_OK;
}

StatusCode TnefEncoder::Finish(std::uint32_t, std::uint16_t* key, STnefProblemArray** problems)
{
    if (problems) {
        *problems = nullptr;
    }
    if (m_finished) {
        return E_FAIL;
    }
    m_finished = true;
    m_chunk.resize(kChunkSize);
    m_codePage = MessageCodePage(*m_message.Get());

    std::uint8_t header[6];
    const std::uint32_t signature = TNEF_SIGNATURE;
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<std::uint8_t>(signature >> (8 * i));
    }
    format::StoreLe16(header + 4, m_key);
    m_writer.WriteRaw(header, sizeof header);

    WriteMessageAttributes();
    if (!m_excluded.count(PR_MESSAGE_RECIPIENTS)) {
        WriteRecipientTable();
    }
    m_writer.BeginRecord(LVL_MESSAGE, attMAPIProps);
    EndListRecord(WritePropertyList(*m_message.Get(), [this](std::uint32_t tag) {
        return PROP_TYPE(tag) != PT_OBJECT && !m_excluded.count(tag);
    }));
    if (!m_excluded.count(PR_MESSAGE_ATTACHMENTS)) {
        for (const std::uint32_t number : m_message->GetAttachmentTable()) {
            WriteAttachment(number);
        }
    }
    if (!m_writer.Ok()) {
        return m_writer.Status();
    }
    if (key) {
        *key = m_key;
    }
    if (problems) {
        void* buffer = nullptr;
        if (const StatusCode status = MAPIAllocateBuffer(sizeof(STnefProblemArray), &buffer);
            platform::Failed(status)) {
            return status;
        }
        *problems = static_cast<STnefProblemArray*>(buffer);
        (*problems)->cProblem = 0;
    }
    return S_OK;
}

// The message's legacy attributes, in the order mail clients write them.
void TnefEncoder::WriteMessageAttributes()
{
    std::uint8_t bytes[8] = {};
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(kTnefVersion >> (8 * i));
    }
    WriteSimpleRecord(LVL_MESSAGE, attTnefVersion, bytes, 4);

    // The code page of the 8-bit text below, then a second, unused word.
    std::memset(bytes, 0, sizeof bytes);
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(m_codePage >> (8 * i));
    }
    WriteSimpleRecord(LVL_MESSAGE, attOemCodepage, bytes, 8);

    WriteTextAttribute(LVL_MESSAGE, attMessageClass, *m_message.Get(), PR_MESSAGE_CLASS, true,
                       "IPM.Note");
    WriteTextAttribute(LVL_MESSAGE, attSubject, *m_message.Get(), PR_SUBJECT, true, nullptr);
    WriteDateAttribute(LVL_MESSAGE, attDateSent, *m_message.Get(), PR_CLIENT_SUBMIT_TIME);
    WriteDateAttribute(LVL_MESSAGE, attDateRecd, *m_message.Get(), PR_MESSAGE_DELIVERY_TIME);

    std::uint32_t flags = 0;
    if (m_message->GetLong(PR_MESSAGE_FLAGS, &flags)) {
        std::uint8_t status = 0;
        status |= (flags & MSGFLAG_READ) ? fmsRead : 0;
        status |= (flags & MSGFLAG_UNMODIFIED) ? 0 : fmsModified;
        status |= (flags & MSGFLAG_SUBMIT) ? fmsSubmitted : 0;
        status |= (flags & MSGFLAG_UNSENT) ? fmsLocal : 0;
        status |= (flags & MSGFLAG_HASATTACH) ? fmsHasAttach : 0;
        WriteSimpleRecord(LVL_MESSAGE, attMessageStatus, &status, 1);
    }

    // attMessageID: the search key in upper-case hexadecimal.
    if (const StoredProperty* searchKey = m_message->Find(PR_SEARCH_KEY)) {
        std::vector<PropertyValue> values;
        if (platform::Succeeded(m_message->GetValues(*searchKey, &values)) && values.size() == 1 &&
            values[0].size <= kMaxSearchKey && values[0].stream) {
            std::vector<std::uint8_t> key(static_cast<std::size_t>(values[0].size));
            if (platform::Succeeded(ReadExact(values[0].stream.get(), key.data(), key.size()))) {
                static constexpr char kHex[] = "0123456789ABCDEF";
                std::string text;
                for (const std::uint8_t byte : key) {
                    text.push_back(kHex[byte >> 4]);
                    text.push_back(kHex[byte & 15]);
                }
                WriteSimpleRecord(LVL_MESSAGE, attMessageID, text.c_str(), text.size() + 1);
            }
        }
    }

    std::uint32_t importance = 0;
    if (m_message->GetLong(PR_IMPORTANCE, &importance)) {
        const std::uint16_t priority = importance >= 2 ? prioHigh : (importance == 0 ? prioLow : prioNorm);
        format::StoreLe16(bytes, priority);
        WriteSimpleRecord(LVL_MESSAGE, attPriority, bytes, 2);
    }
    WriteDateAttribute(LVL_MESSAGE, attDateModified, *m_message.Get(), PR_LAST_MODIFICATION_TIME);
    WriteTextAttribute(LVL_MESSAGE, attBody, *m_message.Get(), PR_BODY, false, nullptr);
}

// attRecipTable: a row count, then each recipient's properties as a property list. A row
// without a single readable property is left out, and a table without rows.
void TnefEncoder::WriteRecipientTable()
{
    std::vector<ComPtr<PropertyObject>> rows;
    if (platform::Failed(m_message->GetRecipientTable(&rows)) || rows.empty()) {
        return;
    }
    m_writer.BeginRecord(LVL_MESSAGE, attRecipTable);
    const TnefWriter::Mark count = m_writer.ReserveU32();
    std::uint32_t written = 0;
    for (const ComPtr<PropertyObject>& row : rows) {
        const TnefWriter::Mark start = m_writer.Here();
        if (WritePropertyList(*row.Get(), [](std::uint32_t tag) { return PROP_TYPE(tag) != PT_OBJECT; }) > 0) {
            ++written;
        } else {
            m_writer.Rollback(start);
        }
    }
    m_writer.FillU32(count, written);
    EndListRecord(written);
}

void TnefEncoder::EndListRecord(std::uint32_t count)
{
    if (count == 0) {
        m_writer.AbandonRecord();
    } else {
        static_cast<void>(m_writer.EndRecord());
    }
}

// One attachment: attAttachRenddata opens it; then its data, title, rendering and dates
// as legacy attributes, and its remaining properties in attAttachment.
void TnefEncoder::WriteAttachment(std::uint32_t number)
{
    ComPtr<PropertyObject> attachment;
    if (!m_writer.Ok() || platform::Failed(m_message->OpenAttach(number, &attachment))) {
        return;
    }
    std::uint32_t method = ATTACH_BY_VALUE;
    attachment->GetLong(PR_ATTACH_METHOD, &method);
    const bool objectData = method == ATTACH_EMBEDDED_MSG || method == ATTACH_OLE;
    // The object's data is made first, in a file of its own, so that writing it into the
    // attachment's property list is a plain copy.
    platform::TempFile objectFile;
    const bool haveObject =
        objectData && platform::Succeeded(PrepareObjectData(*attachment.Get(), method, &objectFile));

    // Rendering: type (2), position (4), width (2), height (2), flags (4).
    std::uint32_t position = 0xFFFFFFFF;
    attachment->GetLong(PR_RENDERING_POSITION, &position);
    std::uint8_t rendering[14] = {};
    format::StoreLe16(rendering, method == ATTACH_OLE ? atypOle : atypFile);
    for (int i = 0; i < 4; ++i) {
        rendering[2 + i] = static_cast<std::uint8_t>(position >> (8 * i));
    }
    format::StoreLe16(rendering + 6, 32);
    format::StoreLe16(rendering + 8, 32);
    WriteSimpleRecord(LVL_ATTACHMENT, attAttachRenddata, rendering, sizeof rendering);

    if (!objectData) {
        WriteBinaryAttribute(LVL_ATTACHMENT, attAttachData, *attachment.Get(), PR_ATTACH_DATA_BIN);
    }
    const std::uint32_t titleTag = attachment->FindText(PR_ATTACH_FILENAME) ? PR_ATTACH_FILENAME
                                   : attachment->FindText(PR_ATTACH_LONG_FILENAME)
                                       ? PR_ATTACH_LONG_FILENAME
                                       : PR_DISPLAY_NAME;
    WriteTextAttribute(LVL_ATTACHMENT, attAttachTitle, *attachment.Get(), titleTag, true, nullptr);
    WriteBinaryAttribute(LVL_ATTACHMENT, attAttachMetaFile, *attachment.Get(), PR_ATTACH_RENDERING);
    WriteDateAttribute(LVL_ATTACHMENT, attAttachCreateDate, *attachment.Get(), PR_CREATION_TIME);
    WriteDateAttribute(LVL_ATTACHMENT, attAttachModifyDate, *attachment.Get(), PR_LAST_MODIFICATION_TIME);

    // The data and the rendering are in their own attributes; object data (an embedded
    // message or an OLE object) goes into the list as PR_ATTACH_DATA_OBJ.
    m_writer.BeginRecord(LVL_ATTACHMENT, attAttachment);
    const auto keep = [](std::uint32_t tag) {
        return tag != PR_ATTACH_DATA_BIN && tag != PR_ATTACH_RENDERING &&
               PROP_TYPE(tag) != PT_OBJECT;
    };
    const auto object = [&]() -> std::uint32_t {
        if (!haveObject) {
            return 0;
        }
        const TnefWriter::Mark start = m_writer.Here();
        const platform::IID& iid = method == ATTACH_OLE ? platform::IID_IStorage
                                                        : platform::IID_IMessage;
        if (platform::Succeeded(WriteObjectProperty(iid, objectFile.Path())) && m_writer.Ok()) {
            return 1;
        }
        m_writer.Rollback(start);
        return 0;
    };
    EndListRecord(WritePropertyList(*attachment.Get(), keep, object));
}

StatusCode TnefEncoder::PrepareObjectData(const PropertyObject& attachment, std::uint32_t method,
                                          platform::TempFile* file)
{
    GPtr<GsfInfile> storage = attachment.OpenObjectStorage(PR_ATTACH_DATA_OBJ);
    if (!storage) {
        return platform::MAPI_E_NOT_FOUND;
    }
    if (method == ATTACH_OLE) {
        if (const StatusCode status = CreateObjectTempFile(file); platform::Failed(status)) {
            return status;
        }
        return WriteStorageFile(storage.get(), file->Path());
    }
    if (m_depth + 1 > kMaxEmbeddedDepth) {
        return platform::MAPI_E_CORRUPT_DATA;
    }
    ComPtr<Message> embedded;
    if (const StatusCode status =
            Message::OpenEmbedded(std::move(storage), attachment.SharedNames(), &embedded);
        platform::Failed(status)) {
        return status;
    }
    if (const StatusCode status = CreateObjectTempFile(file); platform::Failed(status)) {
        return status;
    }
    platform::IStream* rawStream = nullptr;
    const std::uint32_t mode =
        platform::STGM_CREATE | platform::STGM_READWRITE | platform::STGM_SHARE_EXCLUSIVE;
    if (const StatusCode status = OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, mode,
                                                   file->Path().c_str(), nullptr, &rawStream);
        platform::Failed(status)) {
        return status;
    }
    const ComPtr<platform::IStream> stream = ComPtr<platform::IStream>::Adopt(rawStream);
    return EncodeMessage(stream.Get(), embedded.Get(), m_depth + 1);
}

StatusCode TnefEncoder::WriteObjectProperty(const platform::IID& iid, const std::string& path)
{
    const platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat info {};
    if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0) {
        return platform::StatusFromErrno();
    }
    const auto dataSize = static_cast<std::uint64_t>(info.st_size);
    const std::uint64_t size = dataSize + 16;
    if (size > UINT32_MAX) {
        return E_FAIL;
    }
    m_writer.WriteU32(PR_ATTACH_DATA_OBJ);
    m_writer.WriteU32(1);
    m_writer.WriteU32(static_cast<std::uint32_t>(size));
    const auto iidBytes = platform::GuidToBytes(iid);
    m_writer.Write(iidBytes.data(), iidBytes.size());
    std::uint64_t left = dataSize;
    while (left > 0 && m_writer.Ok()) {
        const std::size_t want = left < m_chunk.size() ? static_cast<std::size_t>(left) : m_chunk.size();
        std::size_t got = 0;
        const StatusCode status = platform::ReadAll(fd.Get(), m_chunk.data(), want, &got);
        if (platform::Failed(status)) {
            return status;
        }
        if (got < want) {
            return E_FAIL; // the file shrank under us
        }
        m_writer.Write(m_chunk.data(), got);
        left -= got;
    }
    m_writer.Pad(size);
    return m_writer.Status();
}

// Property list: count (4), then per property the tag (4); for a named property its GUID
// (16), kind (4) and identifier (4) or name length (4), UTF-16 name and padding; a value
// count (4) for multi-valued, string, binary and object types; then each value: fixed
// types as their bytes, variable ones as size (4) and data; each value padded to 4.
template <class Keep>
std::uint32_t TnefEncoder::WritePropertyList(const PropertyObject& object, Keep keep)
{
    return WritePropertyList(object, keep, [] { return std::uint32_t{0}; });
}

template <class Keep, class Extra>
std::uint32_t TnefEncoder::WritePropertyList(const PropertyObject& object, Keep keep, Extra extra)
{
    const TnefWriter::Mark count = m_writer.ReserveU32();
    std::uint32_t written = 0;
    for (const StoredProperty& property : object.Properties()) {
        if (!m_writer.Ok()) {
            return written;
        }
        if (!keep(property.tag)) {
            continue;
        }
        const TnefWriter::Mark start = m_writer.Here();
        if (platform::Succeeded(WriteProperty(object, property)) && m_writer.Ok()) {
            ++written;
        } else {
            m_writer.Rollback(start);
        }
    }
    if (m_writer.Ok()) {
        written += extra();
    }
    m_writer.FillU32(count, written);
    return written;
}

StatusCode TnefEncoder::WriteProperty(const PropertyObject& object, const StoredProperty& property)
{
    const std::uint32_t type = PROP_TYPE(property.tag);
    const std::uint32_t baseType = type & ~MV_FLAG;
    if (!IsEncodableType(type)) {
        return E_NOTIMPL;
    }
    const NamedIdentity* identity = nullptr;
    std::u16string name;
    if (IsNamed(property.tag)) {
        identity = object.Names().Find(PROP_ID(property.tag));
        if (!identity) {
            return E_FAIL;
        }
        if (identity->kind == MNID_STRING) {
            name = identity->name;
            name.push_back(u'\0');
            if (name.size() * 2 > kMaxNameBytes) {
                return E_FAIL;
            }
        }
    }
    std::vector<PropertyValue> values;
    if (const StatusCode status = object.GetValues(property, &values); platform::Failed(status)) {
        return status;
    }
    const bool counted = (type & MV_FLAG) != 0 || baseType == PT_STRING8 ||
                         baseType == PT_UNICODE || baseType == PT_BINARY;
    if (!counted && values.size() != 1) {
        return E_FAIL;
    }

    m_writer.WriteU32(property.tag);
    if (identity) {
        const auto guid = platform::GuidToBytes(identity->guid);
        m_writer.Write(guid.data(), guid.size());
        m_writer.WriteU32(identity->kind);
        if (identity->kind == MNID_STRING) {
            const auto length = static_cast<std::uint32_t>(name.size() * 2);
            m_writer.WriteU32(length);
            for (const char16_t unit : name) {
                m_writer.WriteU16(static_cast<std::uint16_t>(unit));
            }
            m_writer.Pad(length);
        } else {
            m_writer.WriteU32(identity->id);
        }
    }
    if (counted) {
        m_writer.WriteU32(static_cast<std::uint32_t>(values.size()));
    }
    for (const PropertyValue& value : values) {
        if (baseType != PT_STRING8 && baseType != PT_UNICODE && baseType != PT_BINARY) {
            // Fixed-size values; a 16-bit value takes 4 bytes with its padding.
            m_writer.Write(value.bytes.data(), value.bytes.size());
            m_writer.Pad(value.bytes.size());
            continue;
        }
        const std::uint64_t size = value.size + TerminatorSize(baseType);
        if (size > UINT32_MAX) {
            return E_FAIL;
        }
        m_writer.WriteU32(static_cast<std::uint32_t>(size));
        if (const StatusCode status = WriteValueData(value); platform::Failed(status)) {
            return status;
        }
        static constexpr std::uint8_t kZeros[2] = {};
        m_writer.Write(kZeros, TerminatorSize(baseType));
        m_writer.Pad(size);
    }
    return S_OK;
}

// Copies a value's data through a fixed buffer; an empty value without a stream writes
// nothing.
StatusCode TnefEncoder::WriteValueData(const PropertyValue& value)
{
    if (!value.stream) {
        m_writer.Write(value.bytes.data(), value.bytes.size());
        return S_OK;
    }
    if (platform::Failed(SeekStream(value.stream.get(), 0))) {
        return E_FAIL;
    }
    std::uint64_t left = value.size;
    while (left > 0 && m_writer.Ok()) {
        const std::size_t piece = left < m_chunk.size() ? static_cast<std::size_t>(left) : m_chunk.size();
        if (platform::Failed(ReadExact(value.stream.get(), m_chunk.data(), piece))) {
            return E_FAIL;
        }
        m_writer.Write(m_chunk.data(), piece);
        left -= piece;
    }
    return m_writer.Status();
}

// 8-bit text is copied as stored; UTF-16 text is encoded in the message's code page,
// piece by piece, never splitting a surrogate pair.
StatusCode TnefEncoder::WriteText(const PropertyValue& value, bool utf16)
{
    if (!utf16 || !value.stream) {
        return WriteValueData(value);
    }
    if (platform::Failed(SeekStream(value.stream.get(), 0))) {
        return E_FAIL;
    }
    std::u16string text;
    std::uint64_t left = value.size & ~std::uint64_t{1};
    while (left > 0 && m_writer.Ok()) {
        const std::size_t piece = left < m_chunk.size() ? static_cast<std::size_t>(left) : m_chunk.size();
        if (platform::Failed(ReadExact(value.stream.get(), m_chunk.data(), piece))) {
            return E_FAIL;
        }
        left -= piece;
        text += platform::Utf16FromLittleEndian(m_chunk.data(), piece);
        char16_t carried = 0;
        if (left > 0 && !text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) {
            carried = text.back();
            text.pop_back();
        }
        const std::string encoded = platform::EncodeCodePage(text, m_codePage);
        m_writer.Write(encoded.data(), encoded.size());
        text.clear();
        if (carried) {
            text.push_back(carried);
        }
    }
    return m_writer.Status();
}

void TnefEncoder::WriteTextAttribute(std::uint8_t level, std::uint32_t id,
                                     const PropertyObject& object, std::uint32_t tag,
                                     bool terminate, const char* fallback)
{
    const StoredProperty* property = object.FindText(tag);
    std::vector<PropertyValue> values;
    if (property && platform::Succeeded(object.GetValues(*property, &values)) && values.size() == 1) {
        m_writer.BeginRecord(level, id);
        if (platform::Succeeded(WriteText(values[0], PROP_TYPE(property->tag) == PT_UNICODE))) {
            if (terminate) {
                m_writer.WriteU8(0);
            }
            static_cast<void>(m_writer.EndRecord());
            return;
        }
        m_writer.AbandonRecord();
    }
    if (fallback) {
        WriteSimpleRecord(level, id, fallback, std::strlen(fallback) + 1);
    }
}

void TnefEncoder::WriteDateAttribute(std::uint8_t level, std::uint32_t id,
                                     const PropertyObject& object, std::uint32_t tag)
{
    std::uint64_t fileTime = 0;
    if (object.GetI8(tag, &fileTime)) {
        std::uint8_t date[14];
        FileTimeToDtr(fileTime, date);
        WriteSimpleRecord(level, id, date, sizeof date);
    }
}

void TnefEncoder::WriteBinaryAttribute(std::uint8_t level, std::uint32_t id,
                                       const PropertyObject& object, std::uint32_t tag)
{
    const StoredProperty* property = object.Find(tag);
    std::vector<PropertyValue> values;
    if (!property || platform::Failed(object.GetValues(*property, &values)) || values.size() != 1) {
        return;
    }
    m_writer.BeginRecord(level, id);
    if (platform::Succeeded(WriteValueData(values[0]))) {
        static_cast<void>(m_writer.EndRecord());
    } else {
        m_writer.AbandonRecord();
    }
}

void TnefEncoder::WriteSimpleRecord(std::uint8_t level, std::uint32_t id, const void* bytes,
                                    std::size_t count)
{
    m_writer.BeginRecord(level, id);
    m_writer.Write(bytes, count);
    static_cast<void>(m_writer.EndRecord());
}


StatusCode OpenTnefStreamEx(void*, platform::IStream* stream, const char* streamName,
                            std::uint32_t flags, Message* message, std::uint16_t key, void*,
                            TnefEncoder** tnef)
{
    if (!tnef) {
        return E_INVALIDARG;
    }
    *tnef = nullptr;
    if (!stream || !streamName || !message) {
        return E_INVALIDARG;
    }
    if (flags != TNEF_ENCODE) {
        return E_NOTIMPL;
    }
    *tnef = new TnefEncoder(stream, streamName, message, key);
    return S_OK;
}

} // namespace ferrule
