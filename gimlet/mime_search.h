// Finding the TNEF part of a MIME mail and decoding it to a temporary file.
#pragma once

#include <string>

#include "gimlet/byte_sink.h"
#include "platform/status.h"

namespace gimlet {

// The first four bytes of every TNEF stream: the signature 0x223E9F78, little-endian.
inline constexpr std::uint8_t kTnefSignature[4] = {0x78, 0x9F, 0x3E, 0x22};

// Looks through the whole MIME tree of the mail file at mailPath, attached messages
// included, and writes the TNEF part it picks to a new "tnf" temporary file whose path
// lands in *tnefPath. The part picked is, in this order of preference:
//   1. the first part typed application/ms-tnef or application/vnd.ms-tnef, or named
//      winmail.dat (any case);
//   2. the first leaf part whose decoded content starts with the TNEF signature (mail
//      systems rename the part, e.g. winmail.dat.2, or strip its type);
//   3. a winmail.dat uuencoded inside a text part ("begin 644 winmail.dat").
// A first line "From ..." (a mail saved from an mbox) is skipped. Nothing is left in the
// temporary folder on failure.
[[nodiscard]] platform::StatusCode ExtractTnef(const char* mailPath, std::string* tnefPath);

} // namespace gimlet
