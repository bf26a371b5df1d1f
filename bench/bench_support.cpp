#include "bench_support.h"

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

ScratchFile::ScratchFile(const std::string& name)
    : m_path(platform::TempFolder() + "pallion-bench-" + std::to_string(::getpid()) + "-" + name)
{
}

ScratchFile::~ScratchFile() { ::unlink(m_path.c_str()); }

} // namespace bench_support
