// OLE objects written by the tests: the streams of [MS-OLEDS] and compound files of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/convert/msg_writer.h"

namespace testing_support {

std::vector<std::uint8_t> CompObjStream(const std::string& userType, const std::string& progId);
// A presentation of a standard clipboard format without a target device.
std::vector<std::uint8_t> PresentationStream(std::uint32_t format, std::uint32_t aspect,
                                             std::int32_t cx, std::int32_t cy,
                                             const std::vector<std::uint8_t>& data);
// A package of an embedded file: size (4), signature (2), label, source path "C:\\source\\" +
// label, the type at offset 28 when the label is 5 bytes, the temporary path, the file.
std::vector<std::uint8_t> PackageStream(const std::string& label, const std::string& tempPath,
                                        const std::vector<std::uint8_t>& file);

} // namespace testing_support
