#include "platform/status.h"

#include <cerrno>

namespace platform {

StatusCode StatusFromErrno()
{
    const int error = errno;
    return error > 0 ? StatusFromError(error) : E_FAIL;
}

} // namespace platform
