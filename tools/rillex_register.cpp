// rillex-register: registers the stream server found beside this program in the user's
// registration store, then proves the registration by creating a stream through the
// object runtime by its ProgID, the way the viewer does. With a FILE argument it also
// opens that file read-only through the stream and reports its size.
//
//   rillex-register [FILE]
//
// Exit status 0 when every step worked, 1 otherwise.
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/com_ptr.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/library.h"
#include "platform/object_runtime.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace tools {

using namespace platform;

namespace {

constexpr char kServerName[] = "librillex.so";
constexpr char kProgId[] = "corvane.rillex";

int Fail(const char* step, StatusCode status)
{
    std::fprintf(stderr, "rillex-register: %s failed: %s\n", step,
                 Format("%#010X", static_cast<unsigned>(status)).c_str());
    return 1;
}

StatusCode Register()
{
    Library server;
    StatusCode status = LoadLibraryByName(kServerName, &server);
    if (Failed(status)) {
        return status;
    }
    DllRegisterServerFunction* registerServer = nullptr;
    status = server.Find(kDllRegisterServerName, &registerServer);
    if (Failed(status)) {
        return status;
    }
    return registerServer();
}

// Opens a new stream object on `path` with `mode`, through the ProgID as the viewer does.
StatusCode OpenThroughRuntime(const CLSID& classId, const std::string& path, std::uint32_t mode,
                              ComPtr<IStream>* stream)
{
    ComPtr<IPersistFile> file;
    StatusCode status =
        CoCreateInstance(classId, nullptr, CLSCTX_ALL, IID_IPersistFile, file.PutVoid());
    if (Failed(status)) {
        return status;
    }
    status = file->Load(Utf8ToUtf16(path).c_str(), mode);
    if (Failed(status)) {
        return status;
    }
    return file.As(IID_IStream, stream);
}

// Writes a probe into a fresh temporary file, reads it back through a delete-on-release
// stream and checks that releasing the stream removed the file.
StatusCode CheckStream(const CLSID& classId)
{
    static constexpr char kProbe[] = "rillex stream check";
    std::string path;
    UniqueFd fd;
    StatusCode status = CreateUniqueTempFile("tnf", &path, &fd);
    if (Failed(status)) {
        return status;
    }
    TempFile owner(path);
    if (::write(fd.Get(), kProbe, sizeof kProbe - 1) != static_cast<ssize_t>(sizeof kProbe - 1)) {
        return StatusFromErrno();
    }
    fd.Reset();
    ComPtr<IStream> stream;
    status = OpenThroughRuntime(classId, path, kModeTemporaryInput, &stream);
    if (Failed(status)) {
        return status;
    }
    char buffer[64] = {};
    std::uint32_t done = 0;
    status = stream->Read(buffer, sizeof buffer, &done);
    if (Failed(status)) {
        return status;
    }
    stream.Reset();
    struct stat info {};
    if (done != sizeof kProbe - 1 || std::memcmp(buffer, kProbe, done) != 0 ||
        ::lstat(path.c_str(), &info) == 0) {
        return E_FAIL;
    }
    owner.Release();
    std::printf("Stream check: read %u bytes back through a delete-on-release stream; "
                "its file is gone\n",
                done);
    return S_OK;
}

StatusCode ShowFile(const CLSID& classId, const std::string& path)
{
    // Loading creates a missing file; a report about a file must not.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return StatusFromErrno();
    }
    ComPtr<IStream> stream;
    StatusCode status =
        OpenThroughRuntime(classId, path, STGM_READ | STGM_SHARE_DENY_NONE, &stream);
    if (Failed(status)) {
        return status;
    }
    STATSTG stat{};
    status = stream->Stat(&stat, STATFLAG_NONAME);
    if (Failed(status)) {
        return status;
    }
    std::uint8_t head[8] = {};
    std::uint32_t done = 0;
    status = stream->Read(head, sizeof head, &done);
    if (Failed(status)) {
        return status;
    }
    std::string hex;
    for (std::uint32_t i = 0; i < done; ++i) {
        hex += Format("%02X ", head[i]);
    }
    std::printf("File: %s, %llu bytes, starting %s\n", path.c_str(),
                static_cast<unsigned long long>(stat.cbSize), hex.c_str());
    return S_OK;
}

} // namespace

int Run(int argc, char** argv)
{
    if (argc > 2) {
        std::fprintf(stderr, "usage: rillex-register [FILE]\n");
        return 2;
    }
    StatusCode status = Register();
    if (Failed(status)) {
        return Fail("registering the stream server", status);
    }
    if (status == REGISTRY_S_STORE_RECOVERED) {
        std::printf("Warning: the registration store was damaged; it was set aside and a "
                    "fresh one started\n");
    }
    CLSID classId{};
    status = CLSIDFromProgID(kProgId, &classId);
    if (Failed(status)) {
        return Fail("looking up \"corvane.rillex\"", status);
    }
    std::string serverPath;
    status = RegisteredServerPath(classId, &serverPath);
    if (Failed(status)) {
        return Fail("reading the server path", status);
    }
    std::printf("Registered: %s\n", serverPath.c_str());
    std::printf("Class identifier: %s\n", FormatGuid(classId).c_str());
    std::printf("Store: %s\n",
                RegistryInMemory() ? "(in memory for this process)" : RegistryStorePath().c_str());
    if (status = CheckStream(classId); Failed(status)) {
        return Fail("creating a stream by ProgID", status);
    }
    if (argc == 2) {
        if (status = ShowFile(classId, argv[1]); Failed(status)) {
            return Fail("reading the file", status);
        }
    }
    return 0;
}

} // namespace tools

int main(int argc, char** argv) { return tools::Run(argc, argv); }
