#include "viewer/render/ole/gsf_p.h"

#include <algorithm>

namespace viewer::render::ole {

namespace {

constexpr std::size_t kChunk = 65536;

// Some of libgsf's warnings carry no domain at all.
constexpr std::array<const char*, 3> kDomains{"libgsf:msole", "libgsf", nullptr};

} // namespace

GsfComplaints::GsfComplaints()
{
    const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING |
                                                    G_LOG_LEVEL_MESSAGE);
    for (std::size_t i = 0; i < kDomains.size(); ++i) {
        m_ids[i] = g_log_set_handler(kDomains[i], levels, Handle, this);
    }
}

GsfComplaints::~GsfComplaints()
{
    for (std::size_t i = 0; i < kDomains.size(); ++i) {
        g_log_remove_handler(kDomains[i], m_ids[i]);
    }
}

void GsfComplaints::Handle(const gchar*, GLogLevelFlags, const gchar*, gpointer self)
{
    ++static_cast<GsfComplaints*>(self)->m_count;
}

platform::StatusCode ReadBytes(GsfInput* stream, const GsfComplaints& complaints,
                               std::uint64_t count, std::vector<std::uint8_t>& bytes)
{
    if (!stream || gsf_input_remaining(stream) < 0 ||
        static_cast<std::uint64_t>(gsf_input_remaining(stream)) < count) {
        return platform::E_FAIL;
    }
    const unsigned before = complaints.Count();
    std::vector<std::uint8_t> read;
    while (read.size() < count) {
        const std::size_t step =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, count - read.size()));
        const std::size_t at = read.size();
        read.resize(at + step);
        if (!gsf_input_read(stream, step, read.data() + at) || complaints.Count() != before) {
            return platform::E_FAIL;
        }
    }
    bytes = std::move(read);
    return platform::S_OK;
}

platform::StatusCode Seek(GsfInput* stream, std::uint64_t offset)
{
    if (!stream || offset > static_cast<std::uint64_t>(gsf_input_size(stream))) {
        return platform::E_FAIL;
    }
    // gsf_input_seek reports TRUE on failure.
    return gsf_input_seek(stream, static_cast<gsf_off_t>(offset), G_SEEK_SET) ? platform::E_FAIL
                                                                              : platform::S_OK;
}

} // namespace viewer::render::ole
