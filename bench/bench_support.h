// Helpers for benchmarks: peak memory and generated files under $TMPDIR.
#pragma once

#include <cstdint>
#include <string>

namespace bench_support {

// Peak resident memory of this process so far, in bytes.
std::uint64_t PeakResidentBytes();
// Resident memory of this process now, in bytes.
std::uint64_t ResidentBytes();

// A path under $TMPDIR that is removed when the object goes away.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& name);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace bench_support
