// libgsf for the OLE-object reader: owners for its GObjects, a scope that turns its
// complaints about damaged files into our status, and checked reads.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <gsf/gsf.h>

#include "platform/gobject_ptr.h"
#include "platform/status.h"

namespace viewer::render::ole {

using platform::GPtr;

// While alive, libgsf's criticals and warnings are counted instead of printed: on a damaged
// sector chain it complains and may hand back stale bytes, which a read then refuses. The
// handlers are the newest for their domains, so they win over any installed before.
class GsfComplaints {
public:
    GsfComplaints();
    ~GsfComplaints();
    GsfComplaints(const GsfComplaints&) = delete;
    GsfComplaints& operator=(const GsfComplaints&) = delete;

    unsigned Count() const { return m_count; }

private:
    static void Handle(const gchar* domain, GLogLevelFlags level, const gchar* message,
                       gpointer self);

    std::array<guint, 3> m_ids{};
    unsigned m_count = 0;
};

// Exactly `count` bytes from the stream's current position, read in chunks so that memory
// grows only as bytes arrive. E_FAIL when the stream ends first or libgsf complains.
[[nodiscard]] platform::StatusCode ReadBytes(GsfInput* stream, const GsfComplaints& complaints,
                                             std::uint64_t count, std::vector<std::uint8_t>& bytes);

// Seeks to `offset`; E_FAIL beyond the end.
[[nodiscard]] platform::StatusCode Seek(GsfInput* stream, std::uint64_t offset);

} // namespace viewer::render::ole
