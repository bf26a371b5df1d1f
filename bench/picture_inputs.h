// Inputs of the picture benchmarks: a 16 KiB attachment rendering and an OLE object of 20 MB
// (a package with an icon), shared by the renderer's and the desktop pane's benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bench_pictures {

inline constexpr std::size_t kRenderingBytes = 16 * 1024;
inline constexpr std::size_t kObjectBytes = 20 * 1000 * 1000;

// An icon (mask and 32 x 32 colour image), a caption and, up to 16 KiB, the shapes, lines
// and text runs a drawing of a document's first page would hold. `records` counts them.
std::vector<std::uint8_t> Rendering(std::size_t& records);

// The compound file of the object, written once per process by a child process so that its
// generation does not count, under $TMPDIR and removed at exit.
const std::string& LargeObject();

} // namespace bench_pictures
