// The data of object attachments as TNEF carries it: an OLE object's storage written out
// as a compound file of its own, and the temporary files that such data (and an embedded
// message's nested TNEF stream) passes through on its way into the output.
#pragma once

#include <cstdint>
#include <string>

#include <gsf/gsf.h>

#include "platform/files.h"
#include "platform/status.h"

namespace ferrule {

using platform::StatusCode;

// Storages nested deeper than this inside an OLE object are damage: they are left out.
inline constexpr unsigned kMaxStorageDepth = 32;

// A new, empty temporary file ("tnf" prefix) owned by `file`, deleted on every way out.
[[nodiscard]] StatusCode CreateObjectTempFile(platform::TempFile* file);

// Writes `source` with every stream and sub-storage (and their class identifiers) as a
// standalone compound file at `path`, which must exist and is overwritten. Streams are
// copied through a fixed buffer. A stream that cannot be read fails the copy.
[[nodiscard]] StatusCode WriteStorageFile(GsfInfile* source, const std::string& path);

} // namespace ferrule
