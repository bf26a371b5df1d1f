#include "viewer/ui/body_pane.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QKeyEvent>

#include "viewer/doc/document/envelon_doc.h"
#include "viewer/ui/child_frame.h"
#include "viewer/ui/commands.h"

namespace viewer::ui {

using namespace viewer::doc::document;

BodyPane::BodyPane(const PaneContext& context, QWidget* parent)
    : BodyBrowser(parent), PaneView(context)
{
    SetLinkHost(this);
}

bool BodyPane::CanHandle(std::uint32_t command) const
{
    return command == ID_EDIT_COPY && HasTextSelection();
}

bool BodyPane::OnCommand(std::uint32_t command)
{
    if (!CanHandle(command)) {
        return false;
    }
    copy();
    return true;
}

platform::StatusCode
BodyPane::MakeBodyFile(const std::function<platform::StatusCode(const char* path)>& write,
                       platform::TempFile* file) const
{
    if (!Context().document) {
        return platform::E_UNEXPECTED;
    }
    std::string path;
    const platform::StatusCode status = platform::CreateUniqueTempFile("tnf", &path);
    if (platform::Failed(status)) {
        return status;
    }
    platform::TempFile made(path);
    const platform::StatusCode written = write(path.c_str());
    if (platform::Succeeded(written)) {
        *file = std::move(made);
    }
    return written;
}

void BodyPane::ReportFailure(viewer::doc::naming::StringId id, platform::StatusCode status) const
{
    if (Context().document && Context().document->Sink()) {
        Context().document->Sink()->Show(viewer::doc::naming::FormatStatusString(id, status),
                                         MessageIcon::Error, MessageButtons::Ok);
    }
}

void BodyPane::contextMenuEvent(QContextMenuEvent* event)
{
    RequestContextMenu(event->globalPos());
}

void BodyPane::keyPressEvent(QKeyEvent* event)
{
    if (IsContextMenuKey(*event)) {
        RequestContextMenu(viewport()->mapToGlobal(cursorRect().center()));
        return;
    }
    BodyBrowser::keyPressEvent(event);
}

bool BodyPane::ConfirmLink(const QString& question)
{
    MessageSink* sink = Context().document ? Context().document->Sink() : nullptr;
    return sink && sink->Show(question.toStdString(), MessageIcon::Warning,
                              MessageButtons::YesNo) == MessageAnswer::Yes;
}

void BodyPane::Notify(const QString& text)
{
    if (MessageSink* sink = Context().document ? Context().document->Sink() : nullptr) {
        sink->Show(text.toStdString(), MessageIcon::Information, MessageButtons::Ok);
    }
}

void BodyPane::OpenLink(const QUrl& address)
{
    if (Context().frame) {
        Context().frame->OpenAddress(address);
    } else {
        QDesktopServices::openUrl(address);
    }
}

WaitCursor::WaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    QApplication::restoreOverrideCursor();
}

} // namespace viewer::ui
