#include "viewer/ui/splitter_view.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QResizeEvent>

#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element.h"
#include "viewer/ui/left_view.h"

namespace viewer::ui {

namespace {

// How far one arrow key moves the divider, and with Ctrl held.
constexpr int kTrackStep = 8;
constexpr int kFineTrackStep = 1;

} // namespace

CMySplitterWnd::CMySplitterWnd(QWidget* parent) : QSplitter(Qt::Horizontal, parent)
{
    setChildrenCollapsible(false);
    setFocusPolicy(Qt::NoFocus);
}

PaneView* CMySplitterWnd::ReplaceView(std::uint32_t viewKind, const PaneContext& context,
                                      bool initialUpdate)
{
    // Made without a parent: a child widget of a splitter becomes one of its panes at once.
    PaneView* created = CreatePaneView(viewKind, context, nullptr);
    if (!created) {
        return nullptr;
    }
    QWidget* old = count() > 1 ? widget(1) : nullptr;
    if (auto* oldPane = dynamic_cast<PaneView*>(old); oldPane && context.document) {
        context.document->RemoveView(oldPane);
    }
    if (old) {
        replaceWidget(1, created->Widget());
        old->hide();
        // A hidden child of the view (the splitter would take it back as a pane), so that it
        // goes with the window even if no event loop runs again.
        old->setParent(parentWidget());
        old->deleteLater();
    } else {
        addWidget(created->Widget());
    }
    if (context.document) {
        context.document->AddView(created);
    }
    if (initialUpdate) {
        created->InitialUpdate();
    }
    created->Widget()->show();
    return created;
}

void CMySplitterWnd::StartKeyboardTracking()
{
    if (m_tracking || count() < 2) {
        return;
    }
    m_tracking = true;
    m_sizesBefore = sizes();
    m_focusBefore = QApplication::focusWidget();
    setFocusPolicy(Qt::StrongFocus);
    setFocus(Qt::OtherFocusReason);
    handle(1)->setCursor(Qt::SizeHorCursor);
}

void CMySplitterWnd::EndTracking(bool keep)
{
    if (!m_tracking) {
        return;
    }
    m_tracking = false;
    if (!keep) {
        setSizes(m_sizesBefore);
    }
    setFocusPolicy(Qt::NoFocus);
    handle(1)->unsetCursor();
    if (m_focusBefore) {
        m_focusBefore->setFocus(Qt::OtherFocusReason);
    }
    m_focusBefore = nullptr;
}

void CMySplitterWnd::keyPressEvent(QKeyEvent* event)
{
    if (!m_tracking) {
        QSplitter::keyPressEvent(event);
        return;
    }
    const int step = event->modifiers() & Qt::ControlModifier ? kFineTrackStep : kTrackStep;
    QList<int> current = sizes();
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int delta = event->key() == Qt::Key_Left ? -step : step;
        const int total = current[0] + current[1];
        current[0] = std::clamp(current[0] + delta, 0, total);
        current[1] = total - current[0];
        setSizes(current);
        break;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        EndTracking(true);
        break;
    case Qt::Key_Escape:
        EndTracking(false);
        break;
    default:
        break;
    }
}

void CMySplitterWnd::focusOutEvent(QFocusEvent* event)
{
    EndTracking(true);
    QSplitter::focusOutEvent(event);
}

CSplitterView::CSplitterView(const PaneContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_splitter(new CMySplitterWnd(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);
    m_tree = new CLeftView(context, m_splitter);
    m_splitter->addWidget(m_tree);
    if (context.document) {
        context.document->AddView(m_tree);
    }
    m_right = m_splitter->ReplaceView(viewer::doc::model::VIEW_DETAILS, context, false);
    m_splitter->setStretchFactor(1, 1);
}

PaneView* CSplitterView::ReplaceRight(std::uint32_t viewKind)
{
    if (PaneView* created = m_splitter->ReplaceView(viewKind, m_context, true)) {
        m_right = created;
        return created;
    }
    return nullptr;
}

void CSplitterView::InitialUpdate()
{
    if (m_initialUpdateDone) {
        return;
    }
    m_initialUpdateDone = true;
    m_tree->InitialUpdate();
    m_right->InitialUpdate();
}

void CSplitterView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int width = event->size().width();
    if (m_firstSizePending && width != 0) {
        m_firstSizePending = false;
        const int left = width / 3;
        m_splitter->setSizes({left, std::max(0, width - left - m_splitter->handleWidth())});
    }
}

} // namespace viewer::ui
