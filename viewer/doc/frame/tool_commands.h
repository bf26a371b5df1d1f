// The Tools commands of a document window: Calculate Checksum, Save Data to Disk, Save Mail
// Body to Disk and Open Attachment, and what pallion-cli builds on them. The window supplies
// the platform work of Open Attachment through AttachmentHost.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/status.h"
#include "viewer/doc/document/message_sink.h"
#include "viewer/doc/model/mail_body.h"
#include "viewer/render/body/body_forms.h"

namespace viewer::doc::document {
class CEnvelonDoc;
} // namespace viewer::doc::document

namespace viewer::doc::tree {
class MemoryTree;
class TreeIndex;
} // namespace viewer::doc::tree

namespace viewer::doc::frame {

struct UserMessage {
    std::string text;
    document::MessageIcon icon = document::MessageIcon::Error;
    bool operator==(const UserMessage&) const = default;
};

// What Calculate Checksum shows for the computed and the stored sums: nothing when the sum
// could not be computed, else 515 (equal, information) or 516 (different, error).
std::optional<UserMessage> ChecksumOutcome(platform::StatusCode status, std::uint16_t computed,
                                           std::uint16_t stored);

// Runs Calculate Checksum on an element (raw attribute records only) and shows the outcome.
void CalculateChecksum(document::CEnvelonDoc& document, const model::ElementRef* element,
                       document::MessageSink& sink);

struct SaveDialogPlan {
    std::string fileName;         // proposed name; empty for none
    std::string defaultExtension; // ".pdf" for Save Data, "rtf" for a body; empty for none
    std::string filter;           // "(*.pdf)|*.pdf|All Files (*.*)|*.*||"
    bool operator==(const SaveDialogPlan&) const = default;
};

// Save Data to Disk's dialog for an element named `name` (its attachment file name).
SaveDialogPlan PlanSaveData(const std::string& name);

enum class BodyWrite { None, ExtractRtf, WriteData };

struct SaveBodyPlan {
    SaveDialogPlan dialog;
    BodyWrite write = BodyWrite::None;
    // The forms that the dialog's entries after the body's own one write, in their order:
    // "Web Page (*.html)" and "Text Document (*.txt)", each unless the body's own entry
    // already writes that form.
    std::vector<viewer::render::body::BodyForm> forms;
};

// Save Mail Body to Disk's dialog and the write it uses; BodyWrite::None when there is no
// body or the element allows neither write.
SaveBodyPlan PlanSaveMailBody(const model::MailBody& body);

// The form that the dialog's entry at `filterIndex` writes; none for the body's own entry
// and for "All Files", which write the body as stored.
std::optional<viewer::render::body::BodyForm> FormOfFilter(const SaveBodyPlan& plan,
                                                           std::size_t filterIndex);

// Writes the body to `path` as the plan says; a plain write reports to `progress`.
platform::StatusCode SaveMailBody(document::CEnvelonDoc& document, const model::MailBody& body,
                                  const std::string& path,
                                  const platform::CopyProgress& progress = {});

// Writes the mail body to `path` as a web page or as text, made from every body the message
// stores (RenderStoredBody).
platform::StatusCode SaveMailBodyAs(document::CEnvelonDoc& document, const tree::MemoryTree& tree,
                                    const tree::TreeIndex& index,
                                    viewer::render::body::BodyForm form, const std::string& path);

// What follows a write to a file the person chose (Save Data, Save Mail Body): a cancel
// removes the file and shows nothing, a failure shows 534 with the status; a person who
// believes a save worked would otherwise lose the data.
void ReportSaveOutcome(platform::StatusCode status, const std::string& path,
                       document::MessageSink& sink);

// The body into an open file as the plan says: *writeFailed tells a failed write (a full disk)
// from a body that could not be read (a damaged compressed RTF body).
platform::StatusCode WriteMailBody(document::CEnvelonDoc& document, const model::MailBody& body,
                                   int fd, bool* writeFailed);

// ---- Open Attachment ---------------------------------------------------------------------

// The platform half of Open Attachment.
class AttachmentHost {
public:
    virtual ~AttachmentHost() = default;
    // Writes the element's bytes to the existing file at `path`.
    virtual platform::StatusCode WriteElementData(const model::ElementRef& element,
                                                  const std::string& path) = 0;
    // Opens a TNEF file as a new document window.
    virtual bool OpenDocument(const std::string& path) = 0;
    // Opens a file with its registered application; the shell's code (above 32: success).
    virtual int ShellOpen(const std::string& path) = 0;
    // Whether the desktop would run the written file rather than show it, judged by its
    // content and by the attachment's `name`.
    virtual bool RunsAsProgram(const std::string& path, const std::string& name) = 0;
    // Save Data to Disk, offered instead of running a program.
    virtual void SaveElementData(const model::ElementRef& element) = 0;
    virtual void BeginWaitCursor() {}
    virtual void EndWaitCursor() {}
};

// The shell's code as a status: above 32 success, else 0x80070000 | code (0 and negative
// codes count as E_FAIL).
platform::StatusCode ShellCodeToStatus(int code);

// Temporary paths for attachments opened with their application give up at this length.
inline constexpr std::size_t kMaxTempPathBytes = 4096;

// Creates the temporary file for an attachment: the temporary folder, the tick count in
// upper-case hexadecimal and the name's safe extension (".dat" without one), counting on
// while a name is taken. Each try creates the file exclusively. Empty on giving up.
std::string CreateAttachmentTempFile(const std::string& name, std::uint32_t tickCount);

enum class OpenAttachmentResult {
    NotApplicable,   // the element allows neither opening
    Cancelled,       // the user declined the warning or stopped the write
    NoTemporaryFile, // no temporary file could be made (nothing shown)
    WriteFailed,     // 533 shown
    LaunchFailed,    // 533 shown, file deleted
    Launched,        // the file stays for the application
    Refused,         // a program: not handed over, 535 offered Save instead
    MessageOpened,   // embedded message written, opened as a document, file deleted
    MessageFailed,   // writing or opening the embedded message failed (nothing shown)
};

OpenAttachmentResult OpenAttachment(const model::ElementRef* element, AttachmentHost& host,
                                    document::MessageSink& sink);

// ---- Extracting attachments ---------------------------------------------------------------

// One attachment as ExtractAttachments wrote it, or failed to.
struct ExtractedAttachment {
    std::string name;          // the file's name in the folder (the last one tried on failure)
    std::uint64_t written = 0; // bytes written
    bool created = false;      // the file is in the folder under `name`
    std::uint32_t tries = 0;   // names tried: each one a file-system call
    platform::StatusCode status = platform::S_OK; // S_OK, or why writing or naming it failed
};

// Where the folder itself failed: making it or opening it.
enum class FolderFailure { None, Create, Open };

// Writes the data of every attachment group of `tree` into `folder` (made when missing),
// each under the safe form of its name (SafeFileName; "attachment-<n>" for none, ".tnef" and
// ".ole" after embedded messages and OLE objects), numbered "name (2).ext" when taken. A file
// is written unnamed and named only once whole, never replacing anything, so that nothing is
// written outside the folder or through a link planted in it and a failure leaves nothing.
// `report` hears of each attachment with data, in order. A failing folder gives its status,
// with *folderFailure saying which step failed.
platform::StatusCode
ExtractAttachments(document::CEnvelonDoc& document, const tree::MemoryTree& tree,
                   const tree::TreeIndex& index, const std::string& folder,
                   const std::function<void(const ExtractedAttachment&)>& report,
                   FolderFailure* folderFailure);

} // namespace viewer::doc::frame
