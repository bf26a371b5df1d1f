#include "viewer/doc/frame/tool_commands.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>

#include "platform/file_io.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/output_file.h"
#include "platform/text_safety.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/naming/strings.h"
#include "viewer/doc/frame/stored_bodies.h"
#include "viewer/doc/tree/tree.h"
#include "viewer/doc/tree/tree_index.h"

namespace viewer::doc::frame {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using namespace viewer::doc::naming;
using namespace viewer::doc::tree;

using platform::StatusCode;
using viewer::render::body::BodyForm;

namespace {

constexpr const char* kWebPageEntry = "Web Page (*.html)|*.html|";
constexpr const char* kTextEntry = "Text Document (*.txt)|*.txt|";

std::string AllFilesFilter()
{
    return std::string(LoadString(IDS_ALL_FILES_FILTER)) + "|*.*||";
}

} // namespace

// ---- Tools commands --------------------------------------------------------------------

std::optional<UserMessage> ChecksumOutcome(StatusCode status, std::uint16_t computed,
                                           std::uint16_t stored)
{
    if (platform::Failed(status)) {
        return std::nullopt;
    }
    if (computed == stored) {
        return UserMessage{FormatNumberString(IDS_CHECKSUM_OK, computed), MessageIcon::Information};
    }
    return UserMessage{FormatNumberString(IDS_CHECKSUM_FAILED, computed), MessageIcon::Error};
}

SaveDialogPlan PlanSaveData(const std::string& name)
{
    SaveDialogPlan plan;
    plan.fileName = platform::SafeFileName(name);
    plan.defaultExtension = platform::SafeExtension(plan.fileName);
    if (!plan.defaultExtension.empty()) {
        plan.filter = platform::Format("(*%s)|*%s|", plan.defaultExtension.c_str(),
                                       plan.defaultExtension.c_str());
    }
    plan.filter += AllFilesFilter();
    return plan;
}

SaveBodyPlan PlanSaveMailBody(const MailBody& body)
{
    SaveBodyPlan plan;
    if (!body.element) {
        return plan;
    }
    const char* entry = nullptr;
    switch (body.kind) {
    case MailBodyKind::CompressedRtf:
        plan.dialog.defaultExtension = "rtf";
        entry = "Rich Text Format (*.rtf)|*.rtf|";
        plan.forms = {BodyForm::Html, BodyForm::Text};
        break;
    case MailBodyKind::Html:
        plan.dialog.defaultExtension = "html";
        entry = "Hyper Text Markup Language (*.html)|*.html|";
        plan.forms = {BodyForm::Text};
        break;
    case MailBodyKind::PlainText:
        plan.dialog.defaultExtension = "txt";
        entry = kTextEntry;
        plan.forms = {BodyForm::Html};
        break;
    case MailBodyKind::None:
        return plan;
    }
    plan.dialog.filter = entry;
    for (const BodyForm form : plan.forms) {
        plan.dialog.filter += form == BodyForm::Html ? kWebPageEntry : kTextEntry;
    }
    plan.dialog.filter += AllFilesFilter();
    if (body.element->SupportsAction(ACTION_SAVE_BODY)) {
        plan.write = BodyWrite::ExtractRtf;
    } else if (body.element->SupportsAction(ACTION_SAVE_DATA)) {
        plan.write = BodyWrite::WriteData;
    }
    return plan;
}

std::optional<BodyForm> FormOfFilter(const SaveBodyPlan& plan, std::size_t filterIndex)
{
    if (filterIndex == 0 || filterIndex > plan.forms.size()) {
        return std::nullopt;
    }
    return plan.forms[filterIndex - 1];
}

void CalculateChecksum(CEnvelonDoc& document, const ElementRef* element, MessageSink& sink)
{
    if (!element || !element->SupportsAction(ACTION_CHECKSUM)) {
        return;
    }
    const auto* attribute = dynamic_cast<const AttributeElement*>(element);
    if (!attribute) {
        return;
    }
    std::uint16_t sum = 0;
    const StatusCode status = document.ComputeChecksum(attribute, &sum);
    if (const auto message = ChecksumOutcome(status, sum, attribute->m_checksum)) {
        sink.Show(message->text, message->icon, MessageButtons::Ok);
    }
}

StatusCode SaveMailBody(CEnvelonDoc& document, const MailBody& body, const std::string& path,
                        const platform::CopyProgress& progress)
{
    switch (PlanSaveMailBody(body).write) {
    case BodyWrite::ExtractRtf:
        return document.ExtractRtfBody(body.element, path.c_str());
    case BodyWrite::WriteData:
        return document.WriteElementData(body.element, path.c_str(), progress);
    case BodyWrite::None:
        break;
    }
    return platform::E_INVALIDARG;
}

StatusCode SaveMailBodyAs(CEnvelonDoc& document, const MemoryTree& tree, const TreeIndex& index,
                          BodyForm form, const std::string& path)
{
    std::string rendered;
    const StatusCode status = RenderStoredBody(document, tree, index, form, &rendered);
    if (platform::Failed(status)) {
        return status;
    }
    platform::OutputFile file;
    StatusCode written = file.Open(path);
    if (platform::Succeeded(written)) {
        written = platform::WriteAll(file.Fd(), rendered);
    }
    return platform::Succeeded(written) ? file.Commit() : written;
}

void ReportSaveOutcome(StatusCode status, const std::string& path, MessageSink& sink)
{
    if (status == platform::E_CANCELLED) {
        platform::TempFile(path).Remove();
        return;
    }
    if (platform::Failed(status)) {
        sink.Show(FormatStatusString(IDS_SAVE_FAILED, status), MessageIcon::Error,
                  MessageButtons::Ok);
    }
}

StatusCode WriteMailBody(CEnvelonDoc& document, const MailBody& body, int fd, bool* writeFailed)
{
    const auto write = [fd](const std::uint8_t* piece, std::uint32_t length) {
        return platform::WriteAll(fd, piece, length);
    };
    switch (PlanSaveMailBody(body).write) {
    case BodyWrite::ExtractRtf:
        return document.InflateRtfBody(body.element, write, writeFailed);
    case BodyWrite::WriteData:
        return document.ReadElementData(body.element, write, writeFailed);
    case BodyWrite::None:
        break;
    }
    return platform::E_INVALIDARG;
}

// ---- Open Attachment -------------------------------------------------------------------

StatusCode ShellCodeToStatus(int code)
{
    if (code > 32) {
        return platform::S_OK;
    }
    // 0 is the shell's "out of resources": a failure like any other code up to 32.
    return code > 0 ? platform::StatusFromError(code) : platform::E_FAIL;
}

std::string CreateAttachmentTempFile(const std::string& name, std::uint32_t tickCount)
{
    std::string extension = platform::SafeExtension(platform::SafeFileName(name));
    if (extension.empty()) {
        extension = ".dat";
    }
    const std::string folder = platform::TempFolder();
    // Every name taken would mean 2^32 files; stop long before.
    constexpr std::uint32_t kMaxTries = 1u << 16;
    for (std::uint32_t tries = 0; tries < kMaxTries; ++tries, ++tickCount) {
        std::string path = folder + platform::Format("%X", tickCount) + extension;
        if (path.size() >= kMaxTempPathBytes) {
            return {};
        }
        const StatusCode status = platform::CreateFileExclusive(path);
        if (platform::Succeeded(status)) {
            return path;
        }
        if (status != platform::E_FILE_EXISTS) {
            return {};
        }
    }
    return {};
}

OpenAttachmentResult OpenAttachment(const ElementRef* element, AttachmentHost& host,
                                    MessageSink& sink)
{
    if (!element) {
        return OpenAttachmentResult::NotApplicable;
    }
    if (element->SupportsAction(ACTION_OPEN_MESSAGE)) {
        std::string path;
        if (platform::Failed(platform::CreateUniqueTempFile("tnf", &path))) {
            return OpenAttachmentResult::MessageFailed;
        }
        platform::TempFile file(path);
        host.BeginWaitCursor();
        bool opened = false;
        if (platform::Succeeded(host.WriteElementData(*element, path))) {
            opened = host.OpenDocument(path);
        }
        host.EndWaitCursor();
        return opened ? OpenAttachmentResult::MessageOpened : OpenAttachmentResult::MessageFailed;
    }
    if (!element->SupportsAction(ACTION_OPEN_FILE)) {
        return OpenAttachmentResult::NotApplicable;
    }
    if (sink.Show(LoadString(IDS_ATTACHMENT_WARNING), MessageIcon::Warning,
                  MessageButtons::OkCancel) != MessageAnswer::Ok) {
        return OpenAttachmentResult::Cancelled;
    }
    const std::string path = CreateAttachmentTempFile(element->m_name, platform::TickCount());
    if (path.empty()) {
        return OpenAttachmentResult::NoTemporaryFile;
    }
    // The file is ours until the application has it: a failed write or launch removes it.
    platform::TempFile file(path);
    host.BeginWaitCursor();
    StatusCode status = host.WriteElementData(*element, path);
    const bool written = platform::Succeeded(status);
    if (status == platform::E_CANCELLED) {
        host.EndWaitCursor();
        return OpenAttachmentResult::Cancelled;
    }
    // A program is never handed to the desktop, which would run it; saving stays possible.
    if (written && host.RunsAsProgram(path, element->m_name)) {
        host.EndWaitCursor();
        file.Remove();
        if (sink.Show(LoadString(IDS_ATTACHMENT_REFUSED), MessageIcon::Warning,
                      MessageButtons::YesNo) == MessageAnswer::Yes) {
            host.SaveElementData(*element);
        }
        return OpenAttachmentResult::Refused;
    }
    if (written) {
        status = ShellCodeToStatus(host.ShellOpen(path));
    }
    host.EndWaitCursor();
    if (platform::Failed(status)) {
        sink.Show(FormatStatusString(IDS_ATTACHMENT_OPEN_FAILED, status), MessageIcon::Error,
                  MessageButtons::Ok);
        return written ? OpenAttachmentResult::LaunchFailed : OpenAttachmentResult::WriteFailed;
    }
    file.Release();
    return OpenAttachmentResult::Launched;
}

// ---- Extracting attachments ---------------------------------------------------------------

namespace {

// Taken names passed over before giving up on an attachment.
constexpr std::uint32_t kMaxNumberedNames = 9999;

// The name an attachment's data is written under, before numbering.
std::string AttachmentFileName(const ElementRef& element, unsigned place)
{
    const std::uint32_t kind = element.Kind();
    std::string name = platform::SafeFileName(element.m_name);
    if (!name.empty() && kind != ELEM_EMBEDDED_MESSAGE && kind != ELEM_OLE_OBJECT) {
        return name;
    }
    if (name.empty()) {
        name = "attachment-" + std::to_string(place);
    }
    return name + (kind == ELEM_EMBEDDED_MESSAGE ? ".tnef"
                   : kind == ELEM_OLE_OBJECT     ? ".ole"
                                                 : ".dat");
}

// The names one extraction gives. Each name goes on from the number where it last stopped and
// a name given (or found taken) is never tried again, so that n attachments of one name cost
// about n tries, not n * n / 2.
class NameSeries {
public:
    std::string Next(const std::string& base)
    {
        unsigned& number = m_next[base];
        for (;;) {
            std::string name = platform::NumberedName(base, ++number);
            if (m_given.insert(name).second) {
                return name;
            }
        }
    }

private:
    std::unordered_map<std::string, unsigned> m_next;
    std::unordered_set<std::string> m_given;
};

// The data is written first, unnamed; the file takes a free name only once it is whole.
ExtractedAttachment ExtractOne(CEnvelonDoc& document, const ElementRef& element, unsigned place,
                               int folder, NameSeries& names)
{
    const std::string base = AttachmentFileName(element, place);
    ExtractedAttachment result;
    result.name = base;
    platform::OutputFile file;
    result.status = file.OpenIn(folder, 0644);
    if (platform::Succeeded(result.status)) {
        result.status = document.CopyElementData(&element, file.Fd(), &result.written);
    }
    if (platform::Failed(result.status)) {
        return result;
    }
    result.status = platform::E_FILE_EXISTS;
    for (std::uint32_t taken = 0;
         result.status == platform::E_FILE_EXISTS && taken <= kMaxNumberedNames; ++taken) {
        result.name = names.Next(base);
        ++result.tries;
        result.status = file.CommitAs(result.name);
    }
    result.created = platform::Succeeded(result.status);
    return result;
}

} // namespace

StatusCode ExtractAttachments(CEnvelonDoc& document, const MemoryTree& tree, const TreeIndex& index,
                              const std::string& folder,
                              const std::function<void(const ExtractedAttachment&)>& report,
                              FolderFailure* folderFailure)
{
    *folderFailure = FolderFailure::None;
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        *folderFailure = FolderFailure::Create;
        return platform::StatusFromErrno();
    }
    const platform::UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.Valid()) {
        *folderFailure = FolderFailure::Open;
        return platform::StatusFromErrno();
    }
    NameSeries names;
    unsigned place = 0;
    for (NodeId group = index.m_firstAttachment; group != kNoNode;
         group = tree.NextSibling(group)) {
        ++place;
        const ElementRef* element = tree.Element(group);
        std::uint64_t offset = 0;
        std::uint32_t count = 0;
        // A group without data is not an error.
        if (element && platform::Succeeded(document.GetElementRange(element, &offset, &count))) {
            report(ExtractOne(document, *element, place, dir.Get(), names));
        }
    }
    return platform::S_OK;
}

} // namespace viewer::doc::frame
