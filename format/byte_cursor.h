#pragma once
// A read position in bytes the caller bounded: each read checks that what it takes is there,
// and the position moves only when the read succeeds, so a failed parse leaves the cursor
// where the damage begins.

#include <cstddef>
#include <cstdint>
#include <span>

#include "format/little_endian.h"

namespace format {

class ByteCursor {
  public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    [[nodiscard]] std::size_t Position() const { return m_pos; }
    [[nodiscard]] std::size_t Left() const { return m_bytes.size() - m_pos; }
    // The bytes not read yet.
    [[nodiscard]] std::span<const std::uint8_t> Rest() const { return m_bytes.subspan(m_pos); }

    [[nodiscard]] bool U16(std::uint16_t& value)
    {
        if (!LoadLe16At(m_bytes, m_pos, value)) {
            return false;
        }
        m_pos += 2;
        return true;
    }

    [[nodiscard]] bool U32(std::uint32_t& value)
    {
        if (!LoadLe32At(m_bytes, m_pos, value)) {
            return false;
        }
        m_pos += 4;
        return true;
    }

    [[nodiscard]] bool Take(std::size_t count, std::span<const std::uint8_t>& bytes)
    {
        if (count > Left()) {
            return false;
        }
        bytes = m_bytes.subspan(m_pos, count);
        m_pos += count;
        return true;
    }

    [[nodiscard]] bool Skip(std::size_t count)
    {
        std::span<const std::uint8_t> ignored;
        return Take(count, ignored);
    }

  private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

} // namespace format
