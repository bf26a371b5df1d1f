// Opening a file into the document: ".msg" through the conversion library, ".eml" through
// the MIME extraction library, anything else copied; each ends as a private temporary TNEF
// file opened with delete-on-release. A tool that only reads opens other files in place.
#include <cerrno>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>

#include "gimlet/include/gimlet.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/registry.h"
#include "viewer/doc/app/app_context.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/document/file_stream.h"
#include "viewer/doc/document/message_sink.h"
#include "viewer/doc/naming/strings.h"

namespace viewer::doc::document {

using namespace viewer::doc::app;
using namespace viewer::doc::model;
using namespace viewer::doc::naming;

using namespace platform;

namespace {

constexpr const char* kSettingsKey = "SOFTWARE\\corvane.example\\Corvane Envelon\\1.00.000";
constexpr const char* kRawViewValue = "RawView";

// True when `path` is longer than 4 characters and ends in `extension` (4 characters),
// compared without case.
bool HasExtension(const std::string& path, const char* extension)
{
    return path.size() > 4 && ::strcasecmp(path.c_str() + path.size() - 4, extension) == 0;
}

// The raw-view setting: on only for a 32-bit number that is not 0.
bool ReadRawViewSetting()
{
    RegistryValue value;
    if (Failed(RegistryReadValue(RegistryRoot::LocalMachine, kSettingsKey, kRawViewValue, &value))) {
        return false;
    }
    return value.type == REG_DWORD && value.number != 0;
}

} // namespace

void CEnvelonDoc::Report(const std::string& text) const
{
    if (m_sink) {
        m_sink->Show(text, MessageIcon::Error, MessageButtons::Ok);
    }
}

bool CEnvelonDoc::ConvertMessage(const char* msgPath, TempFile* tnefFile, MessageSink* sink,
                                 OpenFailure* failure)
{
    auto fail = [sink, failure](OpenStep step, std::uint32_t message, StatusCode status) {
        if (failure) {
            *failure = {step, status};
        }
        if (sink) {
            sink->Show(FormatStatusString(message, status), MessageIcon::Error,
                       MessageButtons::Ok);
        }
        return false;
    };
    AppContext* app = TheApp();
    if (!app) {
        return fail(OpenStep::LoadConverter, IDS_MAPI_INIT_FAILED, E_UNEXPECTED);
    }
    if (!app->m_ferrule.IsLoaded()) {
        const StatusCode status = LoadFerrule(&app->m_ferrule);
        if (Failed(status)) {
            return fail(OpenStep::LoadConverter, IDS_MAPI_INIT_FAILED, status);
        }
    }
    char buffer[FERRULE_PATH_BUFFER_SIZE] = {};
    const StatusCode status = ConvertMessageFile(&app->m_ferrule, msgPath, buffer);
    buffer[sizeof buffer - 1] = '\0';
    if (Failed(status)) {
        return fail(OpenStep::Convert, IDS_MAPI_MESSAGE_FAILED, status);
    }
    *tnefFile = TempFile(buffer);
    return true;
}

bool CEnvelonDoc::ConvertToTnef(const std::string& source, TempFile* tnefFile)
{
    if (HasExtension(source, ".msg")) {
        return ConvertMessage(source.c_str(), tnefFile, m_sink, &m_openFailure);
    }
    // Every Linux this runs on is new enough: the system-version test always passes.
    char buffer[GIMLET_PATH_BUFFER_SIZE] = {};
    const StatusCode status = GimletExtractTnef(0, source.c_str(), buffer);
    buffer[sizeof buffer - 1] = '\0';
    if (Failed(status)) {
        m_openFailure = {OpenStep::ExtractMail, status};
        Report(FormatStatusString(IDS_MIME_EXTRACT_FAILED, status));
        return false;
    }
    *tnefFile = TempFile(buffer);
    return true;
}

bool CEnvelonDoc::NeedsConversion(const std::string& path)
{
    return HasExtension(path, ".msg") || HasExtension(path, ".eml");
}

bool CEnvelonDoc::OpenFromPath(const char* path, const CopyProgress& progress)
{
    ReleaseContents();
    m_cancelled = false;
    m_openFailure = {};
    if (!path || !*path) {
        m_openFailure = {OpenStep::OpenFile, E_INVALIDARG};
        Report(LoadString(IDS_OPEN_FAILED));
        return false;
    }
    const std::string source = path;
    // Whatever route made it, the temporary TNEF file is ours until the stream object owns it.
    TempFile tnefFile;
    if (NeedsConversion(source)) {
        if (!ConvertToTnef(source, &tnefFile)) {
            return false;
        }
    } else {
        std::string copy;
        StatusCode status = CreateUniqueTempFile("tnf", &copy);
        if (Succeeded(status)) {
            tnefFile = TempFile(copy);
            status = CopyWholeFile(source, copy, progress);
        }
        if (status == E_CANCELLED) {
            m_cancelled = true;
            return false;
        }
        if (Failed(status)) {
            m_openFailure = {OpenStep::Copy, status};
            Report(LoadString(IDS_OPEN_FAILED));
            return false;
        }
    }
    ComPtr<IStream> stream;
    if (const StatusCode status = CreateFileStream(tnefFile.Path(), kModeTemporaryInput, &stream);
        Failed(status)) {
        m_openFailure = {OpenStep::OpenFile, status};
        // The temporary file is removed with tnefFile rather than left behind.
        Report(LoadString(IDS_OPEN_FAILED));
        return false;
    }
    // The stream object deleted the file's name on Load; nothing is left to remove.
    tnefFile.Release();
    AttachStream(std::move(stream), source);
    m_rawView = ReadRawViewSetting();
    return true;
}

bool CEnvelonDoc::OpenInPlace(const char* path)
{
    if (path && *path && NeedsConversion(path)) {
        return OpenFromPath(path);
    }
    ReleaseContents();
    m_openFailure = {};
    const std::string source = path ? path : "";
    // The stream server creates a missing file even when it only reads: look first.
    struct stat info {};
    StatusCode status = S_OK;
    if (::stat(source.c_str(), &info) != 0) {
        status = StatusFromErrno();
    } else if (S_ISDIR(info.st_mode)) {
        status = StatusFromError(EISDIR);
    } else if (!S_ISREG(info.st_mode)) {
        status = E_ACCESSDENIED;
    }
    ComPtr<IStream> stream;
    if (Succeeded(status)) {
        status = CreateFileStream(source, STGM_READ | STGM_SHARE_DENY_NONE, &stream);
    }
    if (Failed(status)) {
        m_openFailure = {OpenStep::OpenFile, status};
        // The tool's own wording: it names the file and the status, as its other messages do.
        Report("cannot open " + source + " (" + Format("%#010X", static_cast<unsigned>(status)) + ")");
        return false;
    }
    // Like an attached stream, and unlike a file the viewer opens, it keeps the decorated
    // view whatever the raw-view setting says: the tool asks for raw view itself.
    AttachStream(std::move(stream), source);
    return true;
}

} // namespace viewer::doc::document
