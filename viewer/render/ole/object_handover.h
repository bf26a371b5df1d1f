// Where an object's content goes before the desktop opens it: a folder of its own under the
// temporary folder, so that the file can carry the object's own name without meeting another.
#pragma once

#include <cstdint>
#include <string>

#include "platform/status.h"
#include "viewer/render/ole/ole_object.h"

namespace viewer::render::ole {

// The name the content is handed over under: a package's stored name, else the object's user
// type with the extension of its kind, both decoded with `codePage` and cleaned; "object" with
// that extension when the name cleans away to nothing.
std::string ContentFileName(const ObjectContent& content, std::uint32_t codePage);

// Writes the object's content as `name` into a new folder (mode 0700) under the temporary
// folder, the file created exclusively (mode 0600). *path names it on success; a failure
// leaves neither file nor folder.
[[nodiscard]] StatusCode WriteContentFile(const OleObject& object, const std::string& name,
                                          std::string* path);

// Removes a file WriteContentFile made, and its folder.
void RemoveContentFile(const std::string& path);

} // namespace viewer::render::ole
