// The pipeline stage every decoder in Gimlet pushes its output into.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/status.h"

namespace gimlet {

// Receives decoded bytes in chunks. Write returns S_OK to ask for more, S_FALSE when the
// sink has seen all it needs (the producer then stops early without error), or a negative
// status that the producer passes up unchanged.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    [[nodiscard]] virtual platform::StatusCode Write(const std::uint8_t* data, std::size_t size) = 0;
};

} // namespace gimlet
