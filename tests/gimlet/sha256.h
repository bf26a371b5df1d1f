// SHA-256 (FIPS 180-4) for checking extracted files against published hashes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gimlet_test {

// Lower-case hexadecimal digest of data.
std::string Sha256Hex(const std::vector<std::uint8_t>& data);

} // namespace gimlet_test
