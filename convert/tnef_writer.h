// TnefWriter: writes TNEF attribute records to a stream. A record's length and checksum
// are worked out while its data goes by: the header is written with a placeholder length,
// the data follows in pieces, and EndRecord patches the length in and appends the sum of
// the data bytes. Marks let a caller take back what it wrote since a point (a property
// whose data turns out to be unreadable) and fill in a count written as a placeholder.
#pragma once

#include <cstdint>

#include "platform/com_ptr.h"

namespace ferrule {

using platform::StatusCode;

class TnefWriter {
public:
    struct Mark {
        std::uint64_t position = 0;
        std::uint64_t length = 0;
        std::uint16_t checksum = 0;
    };

    explicit TnefWriter(platform::IStream* out) : m_out(out) {}

    // The first failure of the output stream; every later call does nothing.
    StatusCode Status() const { return m_status; }
    bool Ok() const { return platform::Succeeded(m_status); }

    // Bytes outside any record (the stream header).
    void WriteRaw(const void* bytes, std::size_t count);

    void BeginRecord(std::uint8_t level, std::uint32_t id);
    void Write(const void* bytes, std::size_t count);
    void WriteU8(std::uint8_t value) { Write(&value, 1); }
    void WriteU16(std::uint16_t value);
    void WriteU32(std::uint32_t value);
    // Zero bytes up to the next multiple of 4 of `size`.
    void Pad(std::uint64_t size);

    Mark Here() const { return {m_position, m_length, m_checksum}; }
    // Removes everything written inside the record since `mark`.
    void Rollback(const Mark& mark);
    // Writes a 32-bit placeholder of zeros, to be filled by FillU32.
    Mark ReserveU32();
    void FillU32(const Mark& placeholder, std::uint32_t value);

    // Completes the record. A record whose data outgrew the 32-bit length field is
    // removed instead, and S_FALSE reported.
    StatusCode EndRecord();
    // Removes the record begun last.
    void AbandonRecord();

    std::uint64_t RecordLength() const { return m_length; }

private:
    void Put(const void* bytes, std::size_t count);
    void SeekTo(std::uint64_t position);

    platform::IStream* m_out;
    StatusCode m_status = platform::S_OK;
    std::uint64_t m_position = 0;    // end of what was written
    std::uint64_t m_recordStart = 0; // the level byte of the open record
    std::uint64_t m_length = 0;      // data bytes of the open record
    std::uint16_t m_checksum = 0;
    bool m_inRecord = false;
};

} // namespace ferrule
