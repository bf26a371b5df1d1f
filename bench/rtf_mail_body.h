// A generated RTF mail body for the benchmarks: formatted paragraphs with accented letters
// and \uN, hyperlinks, tables with merged and nested cells, and (with `pictures`) PNG
// pictures as hex beside a metafile fallback, repeated until the body is `size` bytes.
#pragma once

#include <cstddef>
#include <string>

namespace bench_support {

[[nodiscard]] std::string RtfMailBody(std::size_t size, bool pictures);

} // namespace bench_support
