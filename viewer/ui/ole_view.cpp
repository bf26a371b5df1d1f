#include "viewer/ui/ole_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "platform/text.h"
#include "platform/text_safety.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/frame/element_picture.h"
#include "viewer/doc/frame/tool_commands.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/naming/strings.h"
#include "viewer/render/ole/object_handover.h"
#include "viewer/ui/child_frame.h"
#include "viewer/ui/commands.h"
#include "viewer/ui/picture_painter.h"
#include "viewer/ui/wait_cursor.h"

namespace viewer::ui {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using namespace viewer::doc::naming;
using viewer::doc::frame::CopyElementToTempFile;
using namespace viewer::render::ole;
using platform::StatusCode;
using viewer::render::metafile::PixelRect;

namespace {

// The scroll sizes of a pane without an object.
constexpr int kInitialScrollSize = 100;

QRect RectOf(const PixelRect& r)
{
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

class AskFirst final : public OpenQuestion {
public:
    explicit AskFirst(MessageSink* sink) : m_sink(sink) {}
    bool ConfirmOpen() override
    {
        return m_sink && m_sink->Show(LoadString(IDS_OBJECT_WARNING), MessageIcon::Warning,
                                      MessageButtons::OkCancel) == MessageAnswer::Ok;
    }

private:
    MessageSink* m_sink;
};

} // namespace

COLEView::COLEView(const PaneContext& context, QWidget* parent)
    : QAbstractScrollArea(parent), ElementPane(context)
{
    setAccessibleName(tr("Embedded object"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    ForwardContextMenus(this);
    ForwardContextMenus(viewport());
}

COLEView::~COLEView()
{
    Release();
}

std::uint32_t COLEView::GetViewKind() const
{
    return VIEW_OLE;
}

void COLEView::InitialUpdate()
{
    if (m_initialised) {
        return;
    }
    m_initialised = true;
    UpdateScrollSizes();
}

void COLEView::Release()
{
    // The item first: it reads from the file until it is closed.
    m_item.reset();
    m_file.Remove();
    setAccessibleDescription(QString());
    viewport()->update();
}

bool COLEView::TakeOver(CElementView* previous)
{
    auto* other = dynamic_cast<COLEView*>(previous);
    if (!other) {
        return false;
    }
    Release();
    m_item = std::move(other->m_item);
    m_file = std::move(other->m_file);
    // The item repaints and opens through the pane that shows it now.
    if (m_item) {
        m_item->SetOwner(this);
    }
    m_loaded = true;
    return true;
}

void COLEView::OnUpdate(DocumentView* /*sender*/, ElementRef* hint)
{
    if (!hint) {
        return;
    }
    SetElement(hint);
    if (hint->Kind() != ELEM_OLE_OBJECT) {
        return;
    }
    StatusCode status = platform::S_OK;
    if (!m_loaded) {
        status = Load(*hint);
    }
    m_loaded = false;
    if (platform::Failed(status)) {
        Release();
        if (MessageSink* sink = Context().document ? Context().document->Sink() : nullptr) {
            sink->Show(FormatStatusString(IDS_OBJECT_OPEN_FAILED, status), MessageIcon::Error,
                       MessageButtons::Ok);
        }
    }
    UpdateScrollSizes();
    viewport()->update();
}

StatusCode COLEView::Load(ElementRef& element)
{
    Release();
    CEnvelonDoc* document = Context().document;
    if (!document) {
        return platform::E_UNEXPECTED;
    }
    const WaitCursor wait;
    auto item = std::make_unique<CEmbeddedItem>();
    StatusCode status = CopyElementToTempFile(*document, element, &m_file);
    if (platform::Failed(status)) {
        return status;
    }
    status = item->LoadFromFile(this, m_file.Path());
    if (platform::Failed(status)) {
        return status;
    }
    m_item = std::move(item);
    const auto& info = m_item->Object()->ClassInfo();
    setAccessibleDescription(
        QString::fromStdString(platform::EscapeForDisplay(info.userType, document->CodePage())));
    return platform::S_OK;
}

void COLEView::UpdateScrollSizes()
{
    QSize total(kInitialScrollSize, kInitialScrollSize);
    if (m_item) {
        PixelRect extent;
        total = m_item->GetObjectExtent(logicalDpiX(), logicalDpiY(), &extent) >= 0
                    ? QSize(extent.right - extent.left, extent.bottom - extent.top)
                    : QSize();
    }
    const QSize page = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, total.width() - page.width()));
    horizontalScrollBar()->setPageStep(page.width());
    verticalScrollBar()->setRange(0, std::max(0, total.height() - page.height()));
    verticalScrollBar()->setPageStep(page.height());
}

void COLEView::paintEvent(QPaintEvent* /*event*/)
{
    if (!m_item) {
        return;
    }
    QPainter painter(viewport());
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    const PixelRect client{0, 0, viewport()->width(), viewport()->height()};
    DrawPlan plan;
    if (m_item->DrawObject(logicalDpiX(), logicalDpiY(), &client, plan) < 0 || !plan.picture) {
        return;
    }
    const QRect area = RectOf(plan.area);
    painter.fillRect(area, palette().color(QPalette::Base));
    DrawPicture(painter, *plan.picture, area);
    const QRect frame = RectOf(plan.frame);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
}

void COLEView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollSizes();
}

void COLEView::Invalidate()
{
    viewport()->update();
}

bool COLEView::IsActiveView() const
{
    const CChildFrame* frame = Context().frame;
    return !frame || frame->ActiveView() == static_cast<const DocumentView*>(this);
}

bool COLEView::CanHandle(std::uint32_t command) const
{
    return command == ID_TOOLS_OPEN_ATTACHMENT && GetElement() &&
           GetElement()->SupportsAction(ACTION_OPEN_OBJECT);
}

bool COLEView::OnCommand(std::uint32_t command)
{
    if (command != ID_TOOLS_OPEN_ATTACHMENT || !IsActiveView()) {
        return false;
    }
    if (CanHandle(command) && m_item) {
        OpenObject();
    }
    return true;
}

void COLEView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_item) {
        const QPoint at = event->position().toPoint() +
                          QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
        if (DoubleClickOpens(*m_item, at.x(), at.y(), logicalDpiX(), logicalDpiY())) {
            OpenObject();
            return;
        }
    }
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void COLEView::OpenObject()
{
    MessageSink* sink = Context().document ? Context().document->Sink() : nullptr;
    AskFirst question(sink);
    const StatusCode status = OpenEmbeddedObject(*m_item, question);
    // A program refused has had its own message.
    if (platform::Failed(status) && status != platform::E_CANCELLED && sink) {
        sink->Show(FormatStatusString(IDS_OBJECT_OPEN_FAILED, status), MessageIcon::Error,
                   MessageButtons::Ok);
    }
}

StatusCode COLEView::HandOver(const OleObject& object)
{
    CChildFrame* frame = Context().frame;
    CEnvelonDoc* document = Context().document;
    if (!frame || !document) {
        return platform::E_UNEXPECTED;
    }
    const std::string name = ContentFileName(object.Content(), document->CodePage());
    std::string path;
    {
        const WaitCursor wait;
        if (const StatusCode status = WriteContentFile(object, name, &path);
            platform::Failed(status)) {
            return status;
        }
    }
    // The same rule as for attachments: a program is never handed to the desktop.
    if (frame->RunsAsProgram(path, name)) {
        RemoveContentFile(path);
        if (document->Sink() &&
            document->Sink()->Show(LoadString(IDS_ATTACHMENT_REFUSED), MessageIcon::Warning,
                                   MessageButtons::YesNo) == MessageAnswer::Yes &&
            GetElement()) {
            frame->SaveElementData(*GetElement());
        }
        return platform::E_CANCELLED;
    }
    const StatusCode status = viewer::doc::frame::ShellCodeToStatus(frame->ShellOpen(path));
    if (platform::Failed(status)) {
        RemoveContentFile(path);
    }
    return status;
}

} // namespace viewer::ui
