// Streams over files through the file stream server, created by its ProgID.
#pragma once

#include <cstdint>
#include <string>

#include "platform/com_ptr.h"

namespace viewer::doc::document {

// Creates a file stream object by ProgID, loads `path` with `mode` and returns its IStream.
// Once Load has succeeded the object owns the file (a delete-on-release file is gone when
// the last reference goes), even when the IStream query then fails.
[[nodiscard]] platform::StatusCode CreateFileStream(const std::string& path, std::uint32_t mode,
                                                    platform::ComPtr<platform::IStream>* stream);

} // namespace viewer::doc::document
