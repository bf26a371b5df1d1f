#include "bench_support.h"

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/files.h"

namespace bench_support {

std::uint64_t PeakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024u;
}

std::uint64_t ResidentBytes()
{
    // statm: total and resident size, in pages.
    unsigned long long total = 0;
    unsigned long long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%llu %llu", &total, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return resident * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

ScratchFile::ScratchFile(const std::string& name)
    : m_path(platform::TempFolder() + "pallion-bench-" + std::to_string(::getpid()) + "-" + name)
{
}

ScratchFile::~ScratchFile() { ::unlink(m_path.c_str()); }

} // namespace bench_support
