#include "viewer/render/ole/object_handover.h"

#include <cstdlib>
#include <vector>

#include <unistd.h>

#include "platform/file_io.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/text_safety.h"

namespace viewer::render::ole {

std::string ContentFileName(const ObjectContent& content, std::uint32_t codePage)
{
    const std::string extension =
        content.kind == ObjectContent::Kind::Package ? std::string{} : content.extension;
    std::string name = platform::SafeFileName(platform::DecodeCodePage(content.name, codePage));
    if (name.empty()) {
        name = "object";
    }
    // The extension goes on after cleaning, so that a long user type cannot cut it off.
    if (!extension.empty() && name.size() + extension.size() > platform::kMaxFileNameBytes) {
        name = std::string(platform::CutUtf8(name, platform::kMaxFileNameBytes - extension.size()));
    }
    return name + extension;
}

StatusCode WriteContentFile(const OleObject& object, const std::string& name, std::string* path)
{
    std::string pattern = platform::TempFolder() + "tnfXXXXXX";
    std::vector<char> folder(pattern.begin(), pattern.end());
    folder.push_back('\0');
    if (!::mkdtemp(folder.data())) {
        return platform::StatusFromErrno();
    }
    const std::string file = std::string(folder.data()) + "/" + name;
    platform::UniqueFd fd;
    StatusCode status = platform::CreateFileExclusive(file, &fd);
    if (platform::Succeeded(status)) {
        status = object.WriteContent([&fd](std::span<const std::uint8_t> piece) {
            return platform::WriteAll(fd.Get(), piece.data(), piece.size());
        });
        fd.Reset();
    }
    if (platform::Failed(status)) {
        RemoveContentFile(file);
        return status;
    }
    *path = file;
    return platform::S_OK;
}

void RemoveContentFile(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return;
    }
    ::unlink(path.c_str());
    ::rmdir(path.substr(0, slash).c_str());
}

} // namespace viewer::render::ole
