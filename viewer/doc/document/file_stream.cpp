#include "viewer/doc/document/file_stream.h"

#include "platform/object_runtime.h"
#include "platform/text.h"
#include "viewer/doc/app/app_context.h"

namespace viewer::doc::document {

using namespace viewer::doc::app;

using namespace platform;

StatusCode CreateFileStream(const std::string& path, std::uint32_t mode, ComPtr<IStream>* stream)
{
    CLSID clsid{};
    StatusCode status = CLSIDFromProgID(kStreamProgId, &clsid);
    if (Failed(status)) {
        return status;
    }
    ComPtr<IPersistFile> file;
    status = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IPersistFile, file.PutVoid());
    if (Failed(status)) {
        return status;
    }
    status = file->Load(Utf8ToUtf16(path).c_str(), mode);
    if (Failed(status)) {
        return status;
    }
    return file.As(IID_IStream, stream);
}

} // namespace viewer::doc::document
