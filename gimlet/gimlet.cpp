// The exported entry point of libgimlet.so.
#include "gimlet/include/gimlet.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include "gimlet/mime_search.h"
#include "platform/files.h"
#include "platform/status.h"

namespace {

[[nodiscard]] platform::StatusCode Extract(const char* mailPath, char* tnefPath)
{
    std::string path;
    const platform::StatusCode status = gimlet::ExtractTnef(mailPath, &path);
    if (platform::Failed(status)) {
        return status;
    }
    // Owning the file until its path is handed over removes it on every way out.
    platform::TempFile output(std::move(path));
    if (output.Path().size() >= GIMLET_PATH_BUFFER_SIZE) {
        return platform::StatusFromError(ENAMETOOLONG);
    }
    std::memcpy(tnefPath, output.Path().c_str(), output.Path().size() + 1);
    output.Release();
    return platform::S_OK;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t
GimletExtractTnef(int32_t /*reserved*/, const char* mailPath, char* tnefPath)
{
    if (tnefPath == nullptr) {
        return platform::E_INVALIDARG;
    }
    std::memset(tnefPath, 0, GIMLET_PATH_BUFFER_SIZE);
    if (mailPath == nullptr || mailPath[0] == '\0') {
        return platform::E_INVALIDARG;
    }
    // No exception may cross into the caller, which may not be C++ at all.
    try {
        return Extract(mailPath, tnefPath);
    } catch (const std::bad_alloc&) {
        return platform::E_OUTOFMEMORY;
    } catch (...) {
        return platform::E_FAIL;
    }
}
