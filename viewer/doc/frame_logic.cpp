#include "viewer/doc/frame_logic.h"

#include <array>

#include "platform/files.h"
#include "platform/format.h"
#include "platform/text.h"
#include "viewer/doc/element.h"
#include "viewer/doc/envelon_doc.h"
#include "viewer/doc/strings.h"

namespace viewer::doc {

using platform::StatusCode;

namespace {

constexpr std::array<const char*, 8> kViewClasses = {
    "CEnvelonView", "CTimeForm", "COLEView", "CMetaView",
    "CHexView",     "CTextView", "CRTFView", "CMyHTMView",
};

// Rich View tries these kinds in this order.
constexpr std::array<std::uint32_t, 5> kRichKinds = {VIEW_DATE, VIEW_OLE, VIEW_METAFILE,
                                                     VIEW_RTF, VIEW_HTML};

bool IsRichKind(std::uint32_t kind)
{
    for (std::uint32_t rich : kRichKinds) {
        if (rich == kind) {
            return true;
        }
    }
    return false;
}

constexpr std::size_t kMaxFileNameBytes = 255;

// Characters that must not reach a file name: C0 and C1 controls, DEL, and the
// bidirectional and zero-width formatting characters that can make "exe" read as "pdf".
bool IsHiddenOrControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x061C ||
           c == 0xFEFF;
}

// Decodes one UTF-8 character at `i`; U+FFFD and one byte for anything invalid.
char32_t NextCodePoint(const std::string& text, std::size_t& i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t c = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (length > text.size() - i) {
        ++i;
        return 0xFFFD;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(text[i + k]);
        if ((byte & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        c = (c << 6) | (byte & 0x3F);
    }
    static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += length;
    return c;
}

// Cuts UTF-8 text to at most `limit` bytes without splitting a character.
std::string CutUtf8(const std::string& text, std::size_t limit)
{
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

bool IsExtensionChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '_' || c == '-';
}

std::string AllFilesFilter()
{
    return std::string(LoadString(IDS_ALL_FILES_FILTER)) + "|*.*||";
}

} // namespace

const char* ViewClassName(std::uint32_t viewKind)
{
    return IsViewKind(viewKind) ? kViewClasses[viewKind - 1] : nullptr;
}

bool IsViewKind(std::uint32_t viewKind) { return viewKind >= VIEW_DETAILS && viewKind <= VIEW_HTML; }

std::optional<std::uint32_t> RichViewKind(const ElementRef& element)
{
    for (std::uint32_t kind : kRichKinds) {
        if (element.SupportsView(kind)) {
            return kind;
        }
    }
    return std::nullopt;
}

CommandState QueryCommandState(std::uint32_t command, const CommandContext& context)
{
    // The element's own commands are off without a right view or an element in it.
    const ElementRef* element = context.hasRightView ? context.element : nullptr;
    auto supportsView = [&](std::uint32_t kind) { return element && element->SupportsView(kind); };
    auto supportsAction = [&](std::uint32_t action) {
        return element && element->SupportsAction(action);
    };
    const bool showing = context.hasRightView;
    CommandState state;
    state.handled = true;
    switch (command) {
    case ID_VIEW_DETAILS:
        state.enabled = supportsView(VIEW_DETAILS);
        state.checked = showing && context.rightViewKind == VIEW_DETAILS;
        break;
    case ID_VIEW_HEX:
        state.enabled = supportsView(VIEW_HEX);
        state.checked = showing && context.rightViewKind == VIEW_HEX;
        break;
    case ID_VIEW_TEXT:
        state.enabled = supportsView(VIEW_TEXT);
        state.checked = showing && context.rightViewKind == VIEW_TEXT;
        break;
    case ID_VIEW_RICH:
        state.enabled = element && RichViewKind(*element).has_value();
        state.checked = showing && IsRichKind(context.rightViewKind);
        break;
    case ID_VIEW_TREE:
        state.enabled = context.hasActiveView;
        state.checked = context.treeShown;
        break;
    case ID_TOOLS_CHECKSUM:
        state.enabled = supportsAction(ACTION_CHECKSUM);
        break;
    case ID_TOOLS_SAVE_DATA:
        state.enabled = supportsAction(ACTION_SAVE_DATA);
        break;
    case ID_TOOLS_SAVE_BODY:
        // The body is the document's, whatever the right pane shows.
        state.enabled = context.mailBody && (context.mailBody->SupportsAction(ACTION_SAVE_DATA) ||
                                             context.mailBody->SupportsAction(ACTION_SAVE_BODY));
        break;
    case ID_TOOLS_OPEN_ATTACHMENT:
        state.enabled = supportsAction(ACTION_OPEN_MESSAGE) || supportsAction(ACTION_OPEN_FILE);
        break;
    default:
        state.handled = false;
        break;
    }
    return state;
}

bool RouteCommand(std::uint32_t command, DocumentView* activeView, CEnvelonDoc* document,
                  const CommandHandler& frame, const CommandHandler& application)
{
    if (activeView && activeView->OnCommand(command)) {
        return true;
    }
    if (document && document->RouteToOtherViews(activeView, command)) {
        return true;
    }
    if (frame && frame(command)) {
        return true;
    }
    return application && application(command);
}

// ---- ChildFrameLogic -------------------------------------------------------------------

bool ChildFrameLogic::ReplaceRightPane(DocumentView* sender, ElementRef* element,
                                       std::uint32_t viewKind)
{
    if (!m_host.HasDocument()) {
        m_host.ShowInternalError();
        return false;
    }
    if (m_right && m_right->GetViewKind() == viewKind) {
        return false;
    }
    CElementView* created = m_host.RecreateRightPane(viewKind);
    if (!created) {
        return false;
    }
    m_right = created;
    m_host.Broadcast(sender, element);
    m_host.RecalcLayout();
    return true;
}

bool ChildFrameLogic::ReplaceSingleView(ElementRef* element, std::uint32_t viewKind)
{
    if (!m_single || !m_host.HasDocument()) {
        m_host.ShowInternalError();
        return false;
    }
    if (m_single->GetViewKind() == viewKind) {
        return true;
    }
    m_host.DestroySingleView(m_single);
    m_single = nullptr;
    CElementView* created = m_host.CreateSingleView(viewKind);
    if (!created) {
        return false;
    }
    m_single = created;
    m_host.Broadcast(nullptr, element);
    m_host.RecalcLayout();
    m_host.Activate(m_single);
    return true;
}

bool ChildFrameLogic::ShowElement(ElementRef* element)
{
    CElementView* current = CurrentRightView();
    if (!element || !current) {
        return false;
    }
    const std::uint32_t kind = element->CurrentView();
    if (kind == current->GetViewKind()) {
        m_host.Broadcast(nullptr, element);
        return true;
    }
    if (!IsViewKind(kind)) {
        return false;
    }
    if (!m_treeShown) {
        return ReplaceSingleView(element, kind);
    }
    // The tree sends, so it is not updated, and keeps the focus.
    if (!ReplaceRightPane(m_host.TreeView(), element, kind)) {
        return false;
    }
    m_host.Activate(m_host.TreeView());
    return true;
}

void ChildFrameLogic::ViewCommand(std::uint32_t command)
{
    CElementView* current = CurrentRightView();
    ElementRef* element = current ? current->GetElement() : nullptr;
    if (!element) {
        return;
    }
    std::uint32_t kind = 0;
    switch (command) {
    case ID_VIEW_DETAILS:
        kind = VIEW_DETAILS;
        break;
    case ID_VIEW_HEX:
        kind = VIEW_HEX;
        break;
    case ID_VIEW_TEXT:
        kind = VIEW_TEXT;
        break;
    case ID_VIEW_RICH: {
        const auto rich = RichViewKind(*element);
        if (!rich) {
            return;
        }
        kind = *rich;
        break;
    }
    default:
        return;
    }
    element->SetCurrentView(kind);
    ShowElement(element);
}

void ChildFrameLogic::ToggleTree()
{
    if (m_treeShown) {
        if (!m_right || !m_host.HasDocument()) {
            m_host.ShowInternalError();
            return;
        }
        CElementView* single = m_host.CreateSingleView(m_right->GetViewKind());
        if (!single) {
            return;
        }
        single->TakeOver(m_right);
        if (ElementRef* element = m_right->GetElement()) {
            m_host.Broadcast(m_right, element);
        }
        m_host.ShowSplitter(false);
        m_host.AttachSplitterViews(false);
        m_single = single;
        m_treeShown = false;
        m_host.Activate(m_single);
        m_host.RecalcLayout();
        return;
    }
    m_host.AttachSplitterViews(true);
    if (CElementView* single = m_single) {
        if (!m_right || single->GetViewKind() != m_right->GetViewKind()) {
            ReplaceRightPane(single, nullptr, single->GetViewKind());
        }
        if (m_right) {
            m_right->TakeOver(single);
        }
        if (ElementRef* element = single->GetElement()) {
            m_host.Broadcast(single, element);
        }
        m_single = nullptr;
        m_host.DestroySingleView(single);
    }
    m_host.ShowSplitter(true);
    m_treeShown = true;
    m_host.Activate(m_host.TreeView());
    m_host.RecalcLayout();
}

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

std::string SafeFileName(const std::string& name)
{
    const std::size_t slash = name.find_last_of("/\\");
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    std::string clean;
    clean.reserve(last.size());
    for (std::size_t i = 0; i < last.size();) {
        const char32_t c = NextCodePoint(last, i);
        if (!IsHiddenOrControl(c)) {
            platform::AppendUtf8(clean, c);
        }
    }
    if (clean == "." || clean == "..") {
        return {};
    }
    if (clean.size() > kMaxFileNameBytes) {
        const std::string extension = SafeExtension(clean);
        clean = CutUtf8(clean.substr(0, clean.size() - extension.size()),
                        kMaxFileNameBytes - extension.size()) +
                extension;
    }
    return clean;
}

std::string SafeExtension(const std::string& name)
{
    constexpr std::size_t kMaxExtension = 6; // the dot included
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) {
        return {};
    }
    const std::string extension = name.substr(dot);
    if (extension.size() < 2 || extension.size() > kMaxExtension) {
        return {};
    }
    for (std::size_t i = 1; i < extension.size(); ++i) {
        if (!IsExtensionChar(extension[i])) {
            return {};
        }
    }
    return extension;
}

SaveDialogPlan PlanSaveData(const std::string& name)
{
    SaveDialogPlan plan;
    const std::string safe = SafeFileName(name);
    plan.defaultExtension = SafeExtension(safe);
    if (!safe.empty() && safe[0] != '.') {
        plan.fileName = safe;
    }
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
        break;
    case MailBodyKind::Html:
        plan.dialog.defaultExtension = "html";
        entry = "Hyper Text Markup Language (*.html)|*.html|";
        break;
    case MailBodyKind::PlainText:
        plan.dialog.defaultExtension = "txt";
        entry = "Text Document (*.txt)|*.txt|";
        break;
    case MailBodyKind::None:
        return plan;
    }
    plan.dialog.filter = std::string(entry) + AllFilesFilter();
    if (body.element->SupportsAction(ACTION_SAVE_BODY)) {
        plan.write = BodyWrite::ExtractRtf;
    } else if (body.element->SupportsAction(ACTION_SAVE_DATA)) {
        plan.write = BodyWrite::WriteData;
    }
    return plan;
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
    std::string extension = SafeExtension(SafeFileName(name));
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

} // namespace viewer::doc
