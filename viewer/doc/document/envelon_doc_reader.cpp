// The document's pull reader for the TNEF stream header and attribute records
// ([MS-OXTNEF] 2.1.3). Every operation reads through the document's one stream position.
//
//   stream:  signature (4) | legacy key (2) | attribute records to the end
//   record:  level (1) | identifier (4) | length (4) | data (length) | checksum (2)
//
// Lengths come from the file: they size no allocation. An element keeps at most its own
// buffer's worth of data and the rest is passed over with a seek.
#include <algorithm>
#include <cstring>

#include "format/little_endian.h"
#include "platform/format.h"
#include "viewer/doc/naming/naming.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/document/envelon_doc.h"

namespace viewer::doc::document {

using namespace viewer::doc::model;

using format::LoadLe32;
using platform::E_FAIL;
using platform::E_INVALIDARG;
using platform::E_POINTER;
using platform::S_OK;
using platform::STREAM_SEEK_CUR;
using platform::STREAM_SEEK_SET;

namespace {

// The checksum is summed in pieces of this size so that its buffer stays small.
constexpr std::uint32_t kChecksumPiece = 2048;

// Reads exactly `count` bytes; a failing or short read is E_FAIL. Bytes past what the
// stream delivered are zeroed so that no caller ever sees what a stream left behind.
StatusCode ReadExactly(platform::IStream* stream, void* buffer, std::uint32_t count)
{
    if (!stream) {
        return E_FAIL;
    }
    std::uint32_t done = 0;
    const StatusCode status = stream->Read(buffer, count, &done);
    if (platform::Failed(status) || done != count) {
        const std::uint32_t kept = done < count ? done : 0;
        std::memset(static_cast<std::uint8_t*>(buffer) + kept, 0, count - kept);
        return E_FAIL;
    }
    return S_OK;
}

// Adds a record's fixed overhead and length to its position; false when the sum would not
// fit the stream's signed 64-bit offsets.
bool OffsetWithin(std::uint64_t position, std::uint64_t add, std::uint64_t* result)
{
    constexpr std::uint64_t kMaxOffset = static_cast<std::uint64_t>(INT64_MAX);
    if (position > kMaxOffset || add > kMaxOffset - position) {
        return false;
    }
    *result = position + add;
    return true;
}

} // namespace

// ---- Stream position ---------------------------------------------------------------------

StatusCode CEnvelonDoc::SeekTo(std::uint64_t position)
{
    if (!m_stream) {
        return E_FAIL;
    }
    if (position > static_cast<std::uint64_t>(INT64_MAX)) {
        return E_FAIL;
    }
    return m_stream->Seek(static_cast<std::int64_t>(position), STREAM_SEEK_SET, nullptr);
}

StatusCode CEnvelonDoc::CurrentPosition(std::uint64_t* position)
{
    if (!position) {
        return E_POINTER;
    }
    if (!m_stream) {
        return E_FAIL;
    }
    std::uint64_t now = 0;
    const StatusCode status = m_stream->Seek(0, STREAM_SEEK_CUR, &now);
    if (platform::Failed(status)) {
        return status;
    }
    *position = now;
    return S_OK;
}

// ---- Primitives ----------------------------------------------------------------------------

StatusCode CEnvelonDoc::ReadByte(std::uint8_t* value)
{
    if (!value) {
        return E_POINTER;
    }
    std::uint8_t byte = 0;
    const StatusCode status = ReadExactly(m_stream.Get(), &byte, 1);
    if (platform::Failed(status)) {
        return status;
    }
    *value = byte;
    return S_OK;
}

StatusCode CEnvelonDoc::ReadWord(std::uint16_t* value)
{
    if (!value) {
        return E_POINTER;
    }
    std::uint8_t bytes[2] = {};
    const StatusCode status = ReadExactly(m_stream.Get(), bytes, sizeof bytes);
    if (platform::Failed(status)) {
        return status;
    }
    *value = format::LoadLe16(bytes);
    return S_OK;
}

StatusCode CEnvelonDoc::ReadDword(std::uint32_t* value)
{
    if (!value) {
        return E_POINTER;
    }
    std::uint8_t bytes[4] = {};
    const StatusCode status = ReadExactly(m_stream.Get(), bytes, sizeof bytes);
    if (platform::Failed(status)) {
        return status;
    }
    *value = format::LoadLe32(bytes);
    return S_OK;
}

StatusCode CEnvelonDoc::SkipBytes(std::uint32_t count)
{
    if (!m_stream) {
        return E_FAIL;
    }
    return m_stream->Seek(static_cast<std::int64_t>(count), STREAM_SEEK_CUR, nullptr);
}

// Reads `count` bytes when they fit the buffer, else passes over them: a record's length
// decides how far to move, never how much to hold.
StatusCode CEnvelonDoc::ReadBlock(void* buffer, std::uint32_t bufferSize, std::uint32_t count)
{
    if (!buffer) {
        return E_INVALIDARG;
    }
    if (count == 0) {
        return S_OK;
    }
    std::memset(buffer, 0, bufferSize);
    if (count <= bufferSize) {
        return ReadExactly(m_stream.Get(), buffer, count);
    }
    return SkipBytes(count);
}

// ---- Attribute records ------------------------------------------------------------------

StatusCode CEnvelonDoc::ReadHeader(HeaderElement* header)
{
    if (!header) {
        return E_FAIL;
    }
    header->Reset();
    StatusCode status = SeekTo(0);
    if (platform::Failed(status)) {
        return status;
    }
    status = ReadDword(&header->m_signature);
    if (platform::Failed(status)) {
        return status;
    }
    return ReadWord(&header->m_key);
}

StatusCode CEnvelonDoc::ReadFirstAttribute(AttributeElement* attribute)
{
    const StatusCode status = SeekTo(kTnefHeaderSize);
    if (platform::Failed(status)) {
        return status;
    }
    return ReadNextAttribute(attribute);
}

StatusCode CEnvelonDoc::ReadNextAttribute(AttributeElement* attribute)
{
    if (!attribute) {
        return E_FAIL;
    }
    StatusCode status = CurrentPosition(&attribute->m_position);
    if (platform::Failed(status)) {
        return status;
    }

    std::uint8_t level = 0;
    status = ReadByte(&level);
    if (platform::Failed(status)) {
        return status;
    }
    if (level != LVL_MESSAGE && level != LVL_ATTACHMENT) {
        return E_FAIL;
    }
    attribute->m_level = level;

    status = ReadDword(&attribute->m_identifier);
    if (platform::Failed(status)) {
        return status;
    }
    status = ReadDword(&attribute->m_length);
    if (platform::Failed(status)) {
        return status;
    }

    const std::uint32_t length = attribute->m_length;
    std::uint32_t kept = 0;
    if (attribute->Capacity() == 0 || !attribute->Buffer()) {
        attribute->ReplaceBuffer(0);
    } else {
        kept = length < attribute->Capacity() ? length : attribute->Capacity();
        // A reused element must not show an earlier record's bytes past this one's end.
        std::memset(attribute->Buffer(), 0, attribute->Capacity());
        status = ReadBlock(attribute->Buffer(), kept, kept);
        if (platform::Failed(status)) {
            return status;
        }
    }
    if (length > kept) {
        status = SkipBytes(length - kept);
        if (platform::Failed(status)) {
            return status;
        }
    }
    return ReadWord(&attribute->m_checksum);
}

StatusCode CEnvelonDoc::ReadAttributeAt(const AttributeElement* source, AttributeElement* target)
{
    if (!source || !target) {
        return E_FAIL;
    }
    const StatusCode status = SeekTo(source->m_position);
    if (platform::Failed(status)) {
        return status;
    }
    return ReadNextAttribute(target);
}

StatusCode CEnvelonDoc::SkipAttribute(const AttributeElement* attribute)
{
    if (!attribute) {
        return E_FAIL;
    }
    std::uint64_t next = 0;
    if (!OffsetWithin(attribute->m_position, kAttributeOverhead + attribute->m_length, &next)) {
        return E_FAIL;
    }
    return SeekTo(next);
}

StatusCode CEnvelonDoc::ComputeChecksum(const AttributeElement* attribute, std::uint16_t* sum)
{
    if (sum) {
        *sum = 0;
    }
    if (!attribute || !sum) {
        return E_FAIL;
    }
    std::uint64_t data = 0;
    if (!OffsetWithin(attribute->m_position, kAttributeDataOffset, &data)) {
        return E_FAIL;
    }
    StatusCode status = SeekTo(data);
    if (platform::Failed(status)) {
        return status;
    }
    std::uint8_t piece[kChecksumPiece];
    std::uint32_t remaining = attribute->m_length;
    while (remaining > 0) {
        const std::uint32_t size = remaining < kChecksumPiece ? remaining : kChecksumPiece;
        status = ReadBlock(piece, kChecksumPiece, size);
        if (platform::Failed(status)) {
            return status;
        }
        std::uint16_t total = *sum;
        for (std::uint32_t i = 0; i < size; ++i) {
            total = static_cast<std::uint16_t>(total + piece[i]);
        }
        *sum = total;
        remaining -= size;
    }
    return S_OK;
}

bool CEnvelonDoc::StartsAttachment(const AttributeElement& attribute)
{
    return attribute.m_level == LVL_ATTACHMENT && attribute.m_identifier == attAttachRenddata;
}

StatusCode CEnvelonDoc::CheckEveryRecord(const std::function<void(const RecordChecksum&)>& visit,
                                         DamageReport* damage)
{
    HeaderElement header;
    StatusCode status = ReadHeader(&header);
    if (platform::Failed(status)) {
        return status;
    }
    AttributeElement record(ELEM_ATTRIBUTE);
    status = ReadFirstAttribute(&record);
    while (platform::Succeeded(status)) {
        RecordChecksum checked;
        checked.position = record.m_position;
        checked.identifier = record.m_identifier;
        checked.stored = record.m_checksum;
        checked.readable = platform::Succeeded(ComputeChecksum(&record, &checked.computed));
        visit(checked);
        if (platform::Failed(SkipAttribute(&record))) {
            break;
        }
        record.Reset();
        status = ReadNextAttribute(&record);
    }
    if (damage && platform::Failed(status)) {
        DescribeRecordEnd(record.m_position, *damage);
    }
    return S_OK;
}

// ---- Damage ---------------------------------------------------------------------------------

StatusCode CEnvelonDoc::StreamSize(std::uint64_t* size)
{
    if (!size) {
        return E_POINTER;
    }
    if (!m_stream) {
        return E_FAIL;
    }
    platform::STATSTG info{};
    const StatusCode status = m_stream->Stat(&info, platform::STATFLAG_NONAME);
    if (platform::Succeeded(status)) {
        *size = info.cbSize;
    }
    return status;
}

void CEnvelonDoc::DescribeMissingHeader(DamageReport& damage)
{
    std::uint64_t size = 0;
    static_cast<void>(StreamSize(&size));
    damage.notTnef = true;
    damage.Problem(0, size == 0 ? std::string("the file is empty")
                                : platform::Format("%llu bytes are too few for a TNEF header",
                                                   static_cast<unsigned long long>(size)));
}

void CEnvelonDoc::DescribeRecordEnd(std::uint64_t position, DamageReport& damage)
{
    std::uint64_t size = 0;
    if (platform::Failed(StreamSize(&size)) || position >= size) {
        return;
    }
    const std::uint64_t left = size - position;
    const auto leftText = static_cast<unsigned long long>(left);
    std::uint8_t head[kAttributeDataOffset] = {};
    const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, sizeof head));
    if (platform::Failed(SeekTo(position)) ||
        platform::Failed(ReadExactly(m_stream.Get(), head, want))) {
        damage.Problem(position, "the attribute record here cannot be read");
        return;
    }
    if (head[0] != LVL_MESSAGE && head[0] != LVL_ATTACHMENT) {
        damage.Problem(position, platform::Format("%llu trailing byte%s after the last attribute "
                                                  "record (no record starts with level %u)",
                                                  leftText, left == 1 ? "" : "s", head[0]));
        return;
    }
    if (left < kAttributeDataOffset) {
        damage.Problem(position, platform::Format("attribute record cut short: %llu of the 9 "
                                                  "bytes that begin it",
                                                  leftText));
        return;
    }
    const std::uint32_t length = LoadLe32(head + 5);
    const std::uint64_t room = left - kAttributeDataOffset;
    if (std::uint64_t{length} + 2 <= room) {
        damage.Problem(position, "the attribute record here cannot be read");
        return;
    }
    damage.Problem(position,
                   platform::Format("attribute %s of %u bytes reaches past the end of the "
                                    "stream (%llu bytes follow its header, %llu needed with "
                                    "its checksum)",
                                    naming::AttributeIdentifierLabel(LoadLe32(head + 1)).c_str(),
                                    length, static_cast<unsigned long long>(room),
                                    static_cast<unsigned long long>(length) + 2));
}

} // namespace viewer::doc::document
