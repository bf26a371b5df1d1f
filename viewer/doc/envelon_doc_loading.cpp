// Opening a file into the document: ".msg" through the conversion library, ".eml" through
// the MIME extraction library, anything else copied; each ends as a private temporary TNEF
// file opened with delete-on-release.
#include <cstring>
#include <strings.h>

#include "gimlet/include/gimlet.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "viewer/doc/app_context.h"
#include "viewer/doc/envelon_doc.h"
#include "viewer/doc/file_stream.h"
#include "viewer/doc/message_sink.h"
#include "viewer/doc/strings.h"

namespace viewer::doc {

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

bool CEnvelonDoc::OpenFromPath(const char* path)
{
    ReleaseContents();

    auto fail = [this](const std::string& text) {
        if (m_sink) {
            m_sink->Show(text, MessageIcon::Error, MessageButtons::Ok);
        }
        return false;
    };
    if (!path || !*path) {
        return fail(LoadString(IDS_OPEN_FAILED));
    }

    const std::string source = path;
    // Whatever route made it, the temporary TNEF file is ours until the stream object owns it.
    TempFile tnefFile;
    if (HasExtension(source, ".msg")) {
        AppContext* app = TheApp();
        if (!app) {
            return fail(FormatStatusString(IDS_MAPI_INIT_FAILED, E_UNEXPECTED));
        }
        if (!app->m_ferrule.IsLoaded()) {
            const StatusCode status = LoadFerrule(&app->m_ferrule);
            if (Failed(status)) {
                return fail(FormatStatusString(IDS_MAPI_INIT_FAILED, status));
            }
        }
        char buffer[FERRULE_PATH_BUFFER_SIZE] = {};
        const StatusCode status = ConvertMessageFile(&app->m_ferrule, path, buffer);
        buffer[sizeof buffer - 1] = '\0';
        if (Failed(status)) {
            return fail(FormatStatusString(IDS_MAPI_MESSAGE_FAILED, status));
        }
        tnefFile = TempFile(buffer);
    } else if (HasExtension(source, ".eml")) {
        // Every Linux this runs on is new enough: the system-version test always passes.
        char buffer[GIMLET_PATH_BUFFER_SIZE] = {};
        const StatusCode status = GimletExtractTnef(0, path, buffer);
        buffer[sizeof buffer - 1] = '\0';
        if (Failed(status)) {
            return fail(FormatStatusString(IDS_MIME_EXTRACT_FAILED, status));
        }
        tnefFile = TempFile(buffer);
    } else {
        std::string copy;
        if (Failed(CreateUniqueTempFile("tnf", &copy))) {
            return fail(LoadString(IDS_OPEN_FAILED));
        }
        tnefFile = TempFile(copy);
        if (Failed(CopyWholeFile(source, copy))) {
            return fail(LoadString(IDS_OPEN_FAILED));
        }
    }

    ComPtr<IStream> stream;
    if (Failed(CreateFileStream(tnefFile.Path(), kModeTemporaryInput, &stream))) {
        // The temporary file is removed with tnefFile rather than left behind.
        return fail(LoadString(IDS_OPEN_FAILED));
    }
    // The stream object deleted the file's name on Load; nothing is left to remove.
    tnefFile.Release();
    m_stream = std::move(stream);
    m_pathName = source;
    m_rawView = ReadRawViewSetting();
    return true;
}

} // namespace viewer::doc
