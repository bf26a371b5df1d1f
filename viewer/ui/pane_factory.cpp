// One line per right-pane class: a new pane is a CElementView in a file of its own plus its
// line here. Until then, its kind is shown by the details pane.
#include <QKeyEvent>

#include "viewer/doc/frame/commands.h"
#include "viewer/doc/frame/pane_swap.h"
#include "viewer/doc/frame/tool_commands.h"
#include "viewer/doc/model/element.h"
#include "viewer/ui/child_frame.h"
#include "viewer/ui/envelon_view.h"
#include "viewer/ui/hex_view.h"
#include "viewer/ui/html_view.h"
#include "viewer/ui/meta_view.h"
#include "viewer/ui/ole_view.h"
#include "viewer/ui/pane_view.h"
#include "viewer/ui/rtf_view.h"
#include "viewer/ui/text_view.h"
#include "viewer/ui/time_form.h"

namespace viewer::ui {

using namespace viewer::doc::frame;
using namespace viewer::doc::model;

PaneView* CreatePaneView(std::uint32_t viewKind, const PaneContext& context, QWidget* parent)
{
    switch (viewKind) {
    case VIEW_DETAILS:
        return new CEnvelonView(context, parent);
    case VIEW_RTF:
        return new CRTFView(context, parent);
    case VIEW_HTML:
        return new CMyHTMView(context, parent);
    case VIEW_HEX:
        return new CHexView(context, parent);
    case VIEW_TEXT:
        return new CTextView(context, parent);
    case VIEW_DATE:
        return new CTimeForm(context, parent);
    case VIEW_OLE:
        return new COLEView(context, parent);
    case VIEW_METAFILE:
        return new CMetaView(context, parent);
    default:
        break;
    }
    return IsViewKind(viewKind) ? new CEnvelonView(context, parent, viewKind) : nullptr;
}

void PaneView::RequestContextMenu(const QPoint& globalPos) const
{
    if (m_context.frame) {
        m_context.frame->ShowContextMenu(globalPos);
    }
}

void PaneView::EditStateChanged() const
{
    if (m_context.frame) {
        emit m_context.frame->StateChanged();
    }
}

bool IsContextMenuKey(const QKeyEvent& event)
{
    return event.key() == Qt::Key_Menu ||
           (event.key() == Qt::Key_F10 && event.modifiers() == Qt::ShiftModifier);
}

} // namespace viewer::ui
