#include "viewer/rtf/compressed_rtf.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "format/little_endian.h"
#include "viewer/rtf/chain_alloc.h"
#include "viewer/rtf/compressed_rtf_p.h"

namespace viewer::rtf {

using platform::E_ABORT;
using platform::E_ACCESSDENIED;
using platform::E_INVALIDARG;
using platform::E_NOINTERFACE;
using platform::E_NOTIMPL;
using platform::IID;
using platform::IStream;
using platform::MAPI_E_CORRUPT_DATA;
using platform::S_OK;
using platform::StatusCode;

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        }
        table[i] = value;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

// The whole object with its children: the block, the I/O buffer, the match tree and the
// first child table of the chain (1024 pointers).
constexpr std::size_t kObjectFootprint =
    sizeof(CompressedRtfStream) + kIoBufferSize + kMatchTreeBytes + kChainTableStep * sizeof(void*);
static_assert(kObjectFootprint < 128 * 1024, "a stream object must stay below 128 KiB");

// Bounce buffer sizes CopyTo tries, largest first.
constexpr std::uint32_t kBounceSizes[] = {16384, 4096, 1024, 256, 64, 16, 4, 1};

} // namespace

std::uint32_t CompressedRtfCrc(const void* data, std::size_t size, std::uint32_t crc)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        crc = kCrcTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    }
    return crc;
}

StatusCode OpenCompressedRtfStream(IStream* source, std::uint32_t flags, IStream** result)
{
    if (!source || !result) {
        return E_INVALIDARG;
    }
    *result = nullptr;
    void* block = nullptr;
    if (const StatusCode status = ChainAllocBuffer(sizeof(CompressedRtfStream), &block);
        platform::Failed(status)) {
        return status;
    }
    std::memset(block, 0, sizeof(CompressedRtfStream));
    auto* stream = new (block) CompressedRtfStream(source, flags);
    if (const StatusCode status = stream->Initialise(); platform::Failed(status)) {
        ChainFreeBuffer(block);
        return status;
    }
    source->AddRef();
    *result = stream;
    return S_OK;
}

CompressedRtfStream::CompressedRtfStream(IStream* source, std::uint32_t flags) noexcept
    : m_source(source), m_flags(flags), m_writing((flags & MAPI_MODIFY) != 0)
{
}

StatusCode CompressedRtfStream::Initialise() noexcept
{
    void* io = nullptr;
    if (const StatusCode status = ChainAllocMore(kIoBufferSize, this, &io);
        platform::Failed(status)) {
        return status;
    }
    m_io = static_cast<std::uint8_t*>(io);
    std::memcpy(m_ring, kInitialDictionary, kInitialDictionarySize);
    std::memcpy(m_ring + kRingSize, m_ring, kMaxMatch);
    m_writePos = kInitialDictionarySize;
    return m_writing ? InitialiseWriter() : ReadHeader();
}

// Header: compressed size (bytes after this field), raw size, magic, CRC; all
// little-endian 32-bit. The raw size is not trusted and not kept.
StatusCode CompressedRtfStream::ReadHeader()
{
    std::uint8_t header[kCompressedRtfHeaderSize];
    std::uint32_t got = 0;
    if (const StatusCode status = m_source->Read(header, sizeof(header), &got);
        platform::Failed(status)) {
        return status;
    }
    if (got < sizeof(header)) {
        return MAPI_E_CORRUPT_DATA;
    }
    const std::uint32_t compressedSize = format::LoadLe32(header);
    const std::uint32_t magic = format::LoadLe32(header + 8);
    if ((magic != kCompressedRtfMagic && magic != kUncompressedRtfMagic) ||
        compressedSize > 0x7FFFFFFFu) {
        return MAPI_E_CORRUPT_DATA;
    }
    if (magic == kUncompressedRtfMagic) {
        m_flags |= STORE_UNCOMPRESSED_RTF;
    }
    m_dataCount = compressedSize - 12;
    m_headerCrcOrRawCount = format::LoadLe32(header + 12);
    return S_OK;
}

StatusCode CompressedRtfStream::QueryInterface(const IID& iid, void** object)
{
    if (!object) {
        return E_INVALIDARG;
    }
    return platform::AnswerQuery(iid, object, {platform::IID_IUnknown, platform::IID_IStream},
                                 static_cast<IStream*>(this));
}

// The object lives in a chained buffer of its own (with its children): it is destroyed in
// place and the buffer freed, and the source stream it holds is released.
void CompressedRtfStream::Destroy()
{
    IStream* source = m_source;
    this->~CompressedRtfStream();
    source->Release();
    ChainFreeBuffer(this);
}

StatusCode CompressedRtfStream::Read(void* buffer, std::uint32_t count, std::uint32_t* done)
{
    std::uint32_t delivered = 0;
    StatusCode status = S_OK;
    if (m_writing) {
        status = E_ACCESSDENIED;
    } else if (count != 0 && !buffer) {
        status = E_INVALIDARG;
    } else if (Uncompressed()) {
        return m_source->Read(buffer, count, done);
    } else {
        status = ReadCompressed(static_cast<std::uint8_t*>(buffer), count, &delivered);
    }
    if (done) {
        *done = delivered;
    }
    return status;
}

// Makes at least `needed` (1 or 2) bytes available in the I/O buffer. A single byte left
// over is moved to the front and the source is asked for the rest of the buffer. The CRC
// runs over exactly what the source returns.
StatusCode CompressedRtfStream::Refill(std::uint32_t needed)
{
    std::uint32_t kept = m_ioCount - m_ioPos;
    if (kept != 0) {
        m_io[0] = m_io[m_ioPos];
    }
    m_ioPos = 0;
    m_ioCount = kept;
    std::uint32_t got = 0;
    StatusCode status = m_source->Read(m_io + kept, kIoBufferSize - kept, &got);
    if (platform::Succeeded(status)) {
        got = std::min(got, kIoBufferSize - kept);
        m_crc = CompressedRtfCrc(m_io + kept, got, m_crc);
        m_ioCount += got;
        if (got == 0 || m_ioCount < needed) {
            status = E_ABORT;
        }
    }
    if (platform::Failed(status)) {
        m_readError = status;
    }
    return status;
}

// Items: a control byte describes the next eight items, bit 0 first. A clear bit is one
// literal byte; a set bit is a big-endian word: 12-bit ring offset, 4-bit length - 2. A
// reference to the current write position ends the data.
StatusCode CompressedRtfStream::ReadCompressed(std::uint8_t* out, std::uint32_t count,
                                               std::uint32_t* done)
{
    if (m_finished) {
        return S_OK;
    }
    if (platform::Failed(m_readError)) {
        return m_readError;
    }
    if (count > 0x7FFFFFFFu) {
        return E_INVALIDARG;
    }
    const std::uint32_t requested = count;
    if (m_pendingCount != 0) {
        const std::uint32_t take = std::min(m_pendingCount, count);
        std::memcpy(out, m_pending, take);
        std::memmove(m_pending, m_pending + take, m_pendingCount - take);
        m_pendingCount -= take;
        out += take;
        count -= take;
    }

    StatusCode status = S_OK;
    std::uint8_t* const ring = m_ring;
    std::uint32_t writePos = m_writePos;
    std::uint32_t control = m_control;
    std::uint32_t itemsLeft = m_itemsLeft;
    while (count != 0) {
        if (itemsLeft == 0) {
            if (m_ioPos == m_ioCount) {
                if (status = Refill(1); platform::Failed(status)) {
                    break;
                }
            }
            control = m_io[m_ioPos++];
            itemsLeft = 8;
            if (control == 0 && count >= 8 && m_ioCount - m_ioPos >= 8 &&
                writePos <= kRingSize - 8) {
                // Eight literals in a row (common in text that repeats little): one copy.
                std::memcpy(ring + writePos, m_io + m_ioPos, 8);
                std::memcpy(out, m_io + m_ioPos, 8);
                if (writePos < kMaxMatch) {
                    std::memcpy(ring + kRingSize + writePos, ring + writePos,
                                std::min(8u, kMaxMatch - writePos));
                }
                m_ioPos += 8;
                writePos = (writePos + 8) & kRingMask;
                out += 8;
                count -= 8;
                itemsLeft = 0;
                continue;
            }
        }
        if (control & 1) {
            if (m_ioCount - m_ioPos < 2) {
                if (status = Refill(2); platform::Failed(status)) {
                    break;
                }
            }
            const std::uint32_t word = std::uint32_t{m_io[m_ioPos]} << 8 | m_io[m_ioPos + 1];
            m_ioPos += 2;
            const std::uint32_t offset = word >> 4;
            const std::uint32_t length = (word & 15) + 2;
            if (offset == writePos) {
                m_finished = true;
                if (m_crc != m_headerCrcOrRawCount) {
                    status = E_ABORT;
                }
                break;
            }
            const std::uint32_t distance = (writePos - offset) & kRingMask;
            if (length <= count && distance >= length && writePos + length <= kRingSize) {
                // Not repeating its own output and not wrapping: one block copy (a move, as
                // the source may lie just ahead). The source may run into the mirror,
                // which is always current.
                std::memmove(ring + writePos, ring + offset, length);
                std::memcpy(out, ring + writePos, length);
                if (writePos < kMaxMatch) {
                    std::memcpy(ring + kRingSize + writePos, ring + writePos,
                                std::min(length, kMaxMatch - writePos));
                }
                writePos = (writePos + length) & kRingMask;
                out += length;
                count -= length;
            } else {
                // Byte by byte, so that a reference may repeat the bytes it produces; what
                // does not fit in the caller's buffer waits in the pending output.
                for (std::uint32_t i = 0; i < length; ++i) {
                    const std::uint8_t byte = ring[offset + i];
                    ring[writePos] = byte;
                    if (writePos < kMaxMatch) {
                        ring[kRingSize + writePos] = byte;
                    }
                    writePos = (writePos + 1) & kRingMask;
                    if (count != 0) {
                        *out++ = byte;
                        --count;
                    } else {
                        m_pending[m_pendingCount++] = byte;
                    }
                }
            }
        } else {
            if (m_ioPos == m_ioCount) {
                if (status = Refill(1); platform::Failed(status)) {
                    break;
                }
            }
            const std::uint8_t byte = m_io[m_ioPos++];
            ring[writePos] = byte;
            if (writePos < kMaxMatch) {
                ring[kRingSize + writePos] = byte;
            }
            writePos = (writePos + 1) & kRingMask;
            *out++ = byte;
            --count;
        }
        control >>= 1;
        --itemsLeft;
    }
    m_writePos = writePos;
    m_control = control;
    m_itemsLeft = itemsLeft;
    *done = requested - count;
    return status;
}

StatusCode CompressedRtfStream::CopyTo(IStream* target, std::uint64_t count, std::uint64_t* read,
                                       std::uint64_t* written)
{
    if (!target) {
        return E_INVALIDARG;
    }
    const std::uint32_t limit = (count >> 32) != 0 || (count & 0x80000000u) != 0
                                    ? 0x7FFFFFFFu
                                    : static_cast<std::uint32_t>(count);
    void* bounce = nullptr;
    std::uint32_t bounceSize = 0;
    StatusCode status = S_OK;
    for (const std::uint32_t size : kBounceSizes) {
        status = ChainAllocBuffer(size, &bounce);
        if (platform::Succeeded(status)) {
            bounceSize = size;
            break;
        }
    }
    if (!bounce) {
        return status;
    }
    auto* bytes = static_cast<std::uint8_t*>(bounce);
    std::uint32_t totalRead = 0;
    std::uint32_t totalWritten = 0;
    StatusCode failure = S_OK;
    StatusCode lastSuccess = S_OK;
    while (totalWritten < limit && platform::Succeeded(failure)) {
        std::uint32_t got = 0;
        status = Read(bytes, std::min(limit - totalWritten, bounceSize), &got);
        totalRead += got;
        if (platform::Failed(status)) {
            failure = status;
            break;
        }
        if (status != S_OK) { // a success code of its own, passed on
            lastSuccess = status;
        }
        if (got == 0) {
            break;
        }
        for (std::uint32_t put = 0; put < got;) {
            std::uint32_t wrote = 0;
            status = target->Write(bytes + put, got - put, &wrote);
            wrote = std::min(wrote, got - put);
            put += wrote;
            totalWritten += wrote;
            if (platform::Failed(status)) {
                failure = status;
                break;
            }
            if (status != S_OK) {
                lastSuccess = status;
            }
            if (wrote == 0) {
                // A target that accepts nothing would keep this loop going for ever.
                failure = platform::E_FAIL;
                break;
            }
        }
    }
    if (read) {
        *read = totalRead;
    }
    if (written) {
        *written = totalWritten;
    }
    ChainFreeBuffer(bounce);
    return platform::Failed(failure) ? failure : lastSuccess;
}

StatusCode CompressedRtfStream::Seek(std::int64_t, std::uint32_t, std::uint64_t*)
{
    return E_NOTIMPL;
}

StatusCode CompressedRtfStream::SetSize(std::uint64_t)
{
    return E_NOTIMPL;
}

StatusCode CompressedRtfStream::Revert()
{
    return E_NOTIMPL;
}

StatusCode CompressedRtfStream::LockRegion(std::uint64_t, std::uint64_t, std::uint32_t)
{
    return E_NOTIMPL;
}

StatusCode CompressedRtfStream::UnlockRegion(std::uint64_t, std::uint64_t, std::uint32_t)
{
    return E_NOTIMPL;
}

StatusCode CompressedRtfStream::Stat(platform::STATSTG*, std::uint32_t)
{
    return E_NOTIMPL;
}

StatusCode CompressedRtfStream::Clone(IStream**)
{
    return E_NOTIMPL;
}

} // namespace viewer::rtf
