#include "convert/tnef_writer.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "format/little_endian.h"

namespace ferrule {

using platform::S_OK;

namespace {

// The sum of the bytes modulo 65536. The checksum of every attribute's data is computed
// here, so for large attachments this loop is the encoder's hot spot: with SSE2 it takes
// sixteen bytes at a time (PSADBW adds eight bytes into a 64-bit lane).
std::uint16_t SumBytes(const std::uint8_t* bytes, std::size_t count)
{
    std::uint64_t sum = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    __m128i lanes = _mm_setzero_si128();
    for (; count - i >= 16; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        lanes = _mm_add_epi64(lanes, _mm_sad_epu8(block, zero));
    }
    sum += static_cast<std::uint64_t>(_mm_cvtsi128_si64(lanes)) +
           static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(lanes, lanes)));
#endif
    for (; i < count; ++i) {
        sum += bytes[i];
    }
    return static_cast<std::uint16_t>(sum);
}

} // namespace

void TnefWriter::Put(const void* bytes, std::size_t count)
{
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    while (Ok() && count > 0) {
        const std::uint32_t piece = count > 0x40000000u ? 0x40000000u : static_cast<std::uint32_t>(count);
        std::uint32_t done = 0;
        const StatusCode status = m_out->Write(data, piece, &done);
        if (platform::Failed(status)) {
            m_status = platform::Failed(status) ? status : platform::E_FAIL;
        } else if (done != piece) {
            m_status = platform::E_FAIL;
        }
        data += piece;
        count -= piece;
        m_position += piece;
    }
}

void TnefWriter::SeekTo(std::uint64_t position)
{
    if (!Ok()) {
        return;
    }
    const StatusCode status =
        m_out->Seek(static_cast<std::int64_t>(position), platform::STREAM_SEEK_SET, nullptr);
    if (platform::Failed(status)) {
        m_status = platform::Failed(status) ? status : platform::E_FAIL;
    }
}

void TnefWriter::WriteRaw(const void* bytes, std::size_t count) { Put(bytes, count); }

void TnefWriter::BeginRecord(std::uint8_t level, std::uint32_t id)
{
    std::uint8_t header[9] = {level};
    format::StoreLe32(header + 1, id);
    m_recordStart = m_position;
    m_length = 0;
    m_checksum = 0;
    m_inRecord = true;
    Put(header, sizeof header);
}

void TnefWriter::Write(const void* bytes, std::size_t count)
{
    if (!Ok()) {
        return;
    }
    Put(bytes, count);
    m_length += count;
    m_checksum = static_cast<std::uint16_t>(
        m_checksum + SumBytes(static_cast<const std::uint8_t*>(bytes), count));
}

void TnefWriter::WriteU16(std::uint16_t value)
{
    std::uint8_t bytes[2];
    format::StoreLe16(bytes, value);
    Write(bytes, 2);
}

void TnefWriter::WriteU32(std::uint32_t value)
{
    std::uint8_t bytes[4];
    format::StoreLe32(bytes, value);
    Write(bytes, 4);
}

void TnefWriter::Pad(std::uint64_t size)
{
    static constexpr std::uint8_t kZeros[4] = {};
    if (size % 4 != 0) {
        Write(kZeros, 4 - size % 4);
    }
}

void TnefWriter::Rollback(const Mark& mark)
{
    if (!Ok() || mark.position > m_position) {
        return;
    }
    SeekTo(mark.position);
    if (Ok()) {
        const StatusCode status = m_out->SetSize(mark.position);
        if (platform::Failed(status)) {
            m_status = platform::Failed(status) ? status : platform::E_FAIL;
        }
    }
    m_position = mark.position;
    m_length = mark.length;
    m_checksum = mark.checksum;
}

TnefWriter::Mark TnefWriter::ReserveU32()
{
    const Mark mark = Here();
    WriteU32(0);
    return mark;
}

void TnefWriter::FillU32(const Mark& placeholder, std::uint32_t value)
{
    std::uint8_t bytes[4];
    format::StoreLe32(bytes, value);
    const std::uint64_t end = m_position;
    SeekTo(placeholder.position);
    Put(bytes, 4);
    m_position = end;
    SeekTo(end);
    // The placeholder's zeros added nothing to the sum.
    m_checksum = static_cast<std::uint16_t>(m_checksum + SumBytes(bytes, 4));
}

StatusCode TnefWriter::EndRecord()
{
    if (!Ok()) {
        return m_status;
    }
    m_inRecord = false;
    if (m_length > UINT32_MAX) {
        AbandonRecord();
        return Ok() ? platform::S_FALSE : m_status;
    }
    std::uint8_t length[4];
    format::StoreLe32(length, static_cast<std::uint32_t>(m_length));
    const std::uint64_t end = m_position;
    SeekTo(m_recordStart + 5);
    Put(length, 4);
    m_position = end;
    SeekTo(end);
    std::uint8_t checksum[2];
    format::StoreLe16(checksum, m_checksum);
    Put(checksum, 2);
    return m_status;
}

void TnefWriter::AbandonRecord()
{
    m_inRecord = false;
    Rollback({m_recordStart, 0, 0});
}

} // namespace ferrule
