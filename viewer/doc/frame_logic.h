// The decisions of a document window, kept out of the widgets: which view class shows which
// element, how the right pane is swapped and the tree hidden or shown, which commands are
// enabled and checked, where a command goes, and what Calculate Checksum, Save Data, Save
// Mail Body and Open Attachment do. The window supplies the platform work through small
// interfaces (FrameHost, AttachmentHost) and applies what comes back.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/status.h"
#include "viewer/doc/element_view.h"
#include "viewer/doc/mail_body.h"
#include "viewer/doc/message_sink.h"

namespace viewer::doc {

class CEnvelonDoc;
class ElementRef;

// ---- Commands of the document window ---------------------------------------------------

inline constexpr std::uint32_t ID_TOOLS_CHECKSUM = 32771;
inline constexpr std::uint32_t ID_TOOLS_SAVE_DATA = 32772;
inline constexpr std::uint32_t ID_TOOLS_OPEN_ATTACHMENT = 32773;
inline constexpr std::uint32_t ID_VIEW_TREE = 32775;
inline constexpr std::uint32_t ID_VIEW_HEX = 32776;
inline constexpr std::uint32_t ID_VIEW_RICH = 32777;
inline constexpr std::uint32_t ID_VIEW_TEXT = 32781;
inline constexpr std::uint32_t ID_TOOLS_SAVE_BODY = 32793;
inline constexpr std::uint32_t ID_VIEW_DETAILS = 59411;

// ---- View kinds and classes ------------------------------------------------------------

// The right-pane class of a view kind ("CEnvelonView" for 1 ... "CMyHTMView" for 8); null
// for a number that is no view kind.
const char* ViewClassName(std::uint32_t viewKind);
bool IsViewKind(std::uint32_t viewKind);

// Rich View's pick: the first of the date, OLE, metafile, RTF and HTML views the element
// supports; none when it supports none of them.
std::optional<std::uint32_t> RichViewKind(const ElementRef& element);

// ---- Enabling and checking ---------------------------------------------------------------

struct CommandContext {
    const ElementRef* element = nullptr; // the current right view's element
    bool hasRightView = false;
    std::uint32_t rightViewKind = 0;     // GetViewKind of the current right view
    bool hasActiveView = false;          // the frame has an active view
    bool treeShown = true;
    const ElementRef* mailBody = nullptr; // the document's mail body element, if any
};

struct CommandState {
    bool handled = false; // the command is one of the window's
    bool enabled = false;
    bool checked = false;
    bool operator==(const CommandState&) const = default;
};

CommandState QueryCommandState(std::uint32_t command, const CommandContext& context);

// ---- Command routing ---------------------------------------------------------------------

using CommandHandler = std::function<bool(std::uint32_t command)>;

// Offers a command to the active view, then to the document's other views in their order,
// then to the frame, then to the application; the first that handles it ends the search.
bool RouteCommand(std::uint32_t command, DocumentView* activeView, CEnvelonDoc* document,
                  const CommandHandler& frame, const CommandHandler& application);

// ---- Swapping the right pane and the tree ----------------------------------------------

// The platform half of the document window. Views it creates are attached to the document
// and have run their initial update; views it destroys leave the document alive.
class FrameHost {
public:
    virtual ~FrameHost() = default;
    virtual bool HasDocument() const = 0;
    // Destroys the view in the splitter's right pane and creates one of `viewKind` there.
    virtual CElementView* RecreateRightPane(std::uint32_t viewKind) = 0;
    // Creates a view of `viewKind` that fills the whole window (the tree hidden).
    virtual CElementView* CreateSingleView(std::uint32_t viewKind) = 0;
    virtual void DestroySingleView(CElementView* view) = 0;
    // The document's update-all-views.
    virtual void Broadcast(DocumentView* sender, ElementRef* hint) = 0;
    // Shows the splitter (tree and right pane) or hides it in favour of the single view.
    virtual void ShowSplitter(bool shown) = 0;
    // Attaches the splitter, tree and right view to the document or detaches them.
    virtual void AttachSplitterViews(bool attach) = 0;
    virtual DocumentView* TreeView() = 0;
    // Makes the view active and gives it the focus.
    virtual void Activate(DocumentView* view) = 0;
    virtual void RecalcLayout() = 0;
    // "Internal application error. Please contact ..." with a warning icon.
    virtual void ShowInternalError() = 0;
};

// The state of a document window: the splitter's right view, the single view while the
// tree is hidden, and whether the tree is shown.
class ChildFrameLogic {
public:
    ChildFrameLogic(FrameHost& host, CElementView* rightView) : m_host(host), m_right(rightView) {}

    // The view showing the element: the single view while there is one, else the right view.
    CElementView* CurrentRightView() const { return m_single ? m_single : m_right; }
    CElementView* RightView() const { return m_right; }
    CElementView* SingleView() const { return m_single; }
    bool TreeShown() const { return m_treeShown; }

    // Shows an element in the right pane: refreshes the current view when it is of the
    // element's view kind, else replaces it by a view of that kind.
    bool ShowElement(ElementRef* element);
    // Details, Hex View, Text View (the kind) and Rich View (VIEW_DATE stands for the pick).
    void ViewCommand(std::uint32_t command);
    // Hides the tree when it is shown, shows it when it is hidden; the element and the view
    // kind of the right pane survive.
    void ToggleTree();

private:
    bool ReplaceRightPane(DocumentView* sender, ElementRef* element, std::uint32_t viewKind);
    bool ReplaceSingleView(ElementRef* element, std::uint32_t viewKind);

    FrameHost& m_host;
    CElementView* m_right;
    CElementView* m_single = nullptr;
    bool m_treeShown = true;
};

// ---- Tools commands ----------------------------------------------------------------------

struct UserMessage {
    std::string text;
    MessageIcon icon = MessageIcon::Error;
    bool operator==(const UserMessage&) const = default;
};

// What Calculate Checksum shows for the computed and the stored sums: nothing when the sum
// could not be computed, else 515 (equal, information) or 516 (different, error).
std::optional<UserMessage> ChecksumOutcome(platform::StatusCode status, std::uint16_t computed,
                                           std::uint16_t stored);

// Runs Calculate Checksum on an element (raw attribute records only) and shows the outcome.
void CalculateChecksum(CEnvelonDoc& document, const ElementRef* element, MessageSink& sink);

// A name from the stream made fit to be a file name: its last path component (after "/" or
// "\\"), without control, bidirectional or zero-width formatting characters, not "." or
// "..", and at most 255 bytes (a long stem is cut, the extension kept).
std::string SafeFileName(const std::string& name);

// The extension of a name, from its last "." on, when it is 2 to 6 characters long and
// holds only letters, digits, "_" and "-" after the dot; else empty. Names come from the
// stream: nothing else may reach a file name or a dialog filter.
std::string SafeExtension(const std::string& name);

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
};

// Save Mail Body to Disk's dialog and the write it uses; BodyWrite::None when there is no
// body or the element allows neither write.
SaveBodyPlan PlanSaveMailBody(const MailBody& body);

// Writes the body to `path` as the plan says.
platform::StatusCode SaveMailBody(CEnvelonDoc& document, const MailBody& body,
                                  const std::string& path);

// ---- Open Attachment ---------------------------------------------------------------------

// The platform half of Open Attachment.
class AttachmentHost {
public:
    virtual ~AttachmentHost() = default;
    // Writes the element's bytes to the existing file at `path`.
    virtual platform::StatusCode WriteElementData(const ElementRef& element,
                                                  const std::string& path) = 0;
    // Opens a TNEF file as a new document window.
    virtual bool OpenDocument(const std::string& path) = 0;
    // Opens a file with its registered application; the shell's code (above 32: success).
    virtual int ShellOpen(const std::string& path) = 0;
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
    Cancelled,       // the user declined the warning
    NoTemporaryFile, // no temporary file could be made (nothing shown)
    WriteFailed,     // 533 shown
    LaunchFailed,    // 533 shown, file deleted
    Launched,        // the file stays for the application
    MessageOpened,   // embedded message written, opened as a document, file deleted
    MessageFailed,   // writing or opening the embedded message failed (nothing shown)
};

OpenAttachmentResult OpenAttachment(const ElementRef* element, AttachmentHost& host,
                                    MessageSink& sink);

} // namespace viewer::doc
