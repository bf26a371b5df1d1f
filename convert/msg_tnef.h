// The conversion of a message file into a TNEF file, in the order of the MAPI calls that
// make it: open the compound file, the message on it, a new temporary output file, the
// TNEF encoder over that file; exclude the store's bookkeeping properties; write.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/com.h"
#include "platform/status.h"

namespace ferrule {

using platform::StatusCode;

class Message;

// The TNEF key handed to the encoder: any non-zero value will do, no reader interprets it.
inline constexpr std::uint16_t kTnefKey = 0x5A3C;

// Converts the message file `msgPath` into a new TNEF file in the temporary folder and
// writes that file's path into `tnefPath` (a buffer of `tnefPathSize` bytes). On failure
// no file is left and `tnefPath` holds an empty string.
[[nodiscard]] StatusCode ConvertMessageFile(const char* msgPath, char* tnefPath,
                                            std::size_t tnefPathSize);

// The encoding step on an open output stream: the TNEF encoder for `message`, told to
// leave out the excluded properties, then Finish and Commit. `depth` is 0 for the message
// file's own message and counts levels of embedding below it.
[[nodiscard]] StatusCode EncodeMessage(platform::IStream* stream, Message* message,
                                       unsigned depth);

// Makes "<temporary folder><tick count as %08X>.dat", counting on while the name is taken;
// each try creates the file race-free, so the name returned is ours. The path is written
// into `buffer`.
[[nodiscard]] StatusCode MakeTnefFileName(char* buffer, std::size_t bufferSize);

// Whether a property of the message is left out of the TNEF stream: the identifier ranges
// 0x0E00-0x0FFF, 0x6000-0x67FF and 0x7C00-0x7FFF (store bookkeeping and provider-private
// properties), except the message's recipient and attachment tables.
bool IsExcludedFromTnef(std::uint32_t tag);

} // namespace ferrule
