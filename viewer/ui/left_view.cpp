#include "viewer/ui/left_view.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>

#include "viewer/doc/app/app_context.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/tree/tree_builder.h"
#include "viewer/ui/child_frame.h"
#include "viewer/ui/commands.h"
#include "viewer/ui/tree_model.h"

namespace viewer::ui {

using namespace viewer::doc::app;
using namespace viewer::doc::document;
using namespace viewer::doc::model;
using namespace viewer::doc::tree;

namespace {

constexpr int kIndent = 10;
// The expand button: a square of this many pixels, odd so that its sign sits centred.
constexpr int kButton = 9;

} // namespace

CLeftView::CLeftView(const PaneContext& context, QWidget* parent)
    : QTreeView(parent), m_context(context)
{
    setAccessibleName(tr("TNEF tree"));
    setHeaderHidden(true);
    // Lines and buttons, but none at the top: the root stands alone at the left.
    setRootIsDecorated(false);
    setIndentation(kIndent);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(true);
}

CLeftView::~CLeftView() = default;

void CLeftView::InitialUpdate()
{
    if (m_built || !m_context.document) {
        return;
    }
    m_built = true;
    auto tree = std::make_unique<MemoryTree>();
    const AppContext* app = TheApp();
    BuildDocumentTree(*m_context.document, *tree, m_index, app ? app->m_dictionary : nullptr);
    ShowTree(std::move(tree));
}

void CLeftView::ShowTree(std::unique_ptr<MemoryTree> tree)
{
    const NodeId selected = tree->Selected();
    m_model = new TreeModel(std::move(tree), this);
    setModel(m_model);
    // The index keeps the tree it was built on: the model's, which lives as long as the pane.
    m_index.m_tree = &m_model->Tree();
    const MemoryTree& built = m_model->Tree();
    for (std::size_t row = 0; row < built.ChildCount(kNoNode); ++row) {
        const NodeId top = built.Child(kNoNode, row);
        if (built.IsExpanded(top)) {
            expand(m_model->IndexOf(top));
        }
    }
    if (selected != kNoNode) {
        setCurrentIndex(m_model->IndexOf(selected));
    }
}

ElementRef* CLeftView::ElementAt(const QModelIndex& index) const
{
    return m_model ? m_model->Tree().Element(m_model->NodeOf(index)) : nullptr;
}

ElementRef* CLeftView::CurrentElement() const
{
    return ElementAt(currentIndex());
}

void CLeftView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const
{
    // Dotted lines join each node to its parent and siblings; a boxed plus or minus marks a
    // node with children. Top-level nodes have no column of their own.
    const int step = indentation();
    const int right = rect.right() + 1;
    const int midY = rect.center().y();
    painter->save();
    QPen line(palette().color(QPalette::Mid));
    line.setStyle(Qt::DotLine);
    painter->setPen(line);
    bool own = true;
    int x = right - step;
    for (QModelIndex node = index; node.parent().isValid() && x >= rect.left() - step;
         node = node.parent(), x -= step) {
        const int midX = x + step / 2;
        const bool hasNext = node.sibling(node.row() + 1, 0).isValid();
        if (own) {
            painter->drawLine(midX, rect.top(), midX, hasNext ? rect.bottom() : midY);
            painter->drawLine(midX, midY, right - 2, midY);
        } else if (hasNext) {
            painter->drawLine(midX, rect.top(), midX, rect.bottom());
        }
        own = false;
    }
    if (index.parent().isValid() && model()->hasChildren(index)) {
        const int midX = right - step + step / 2;
        const QRect box(midX - kButton / 2, midY - kButton / 2, kButton - 1, kButton - 1);
        painter->setPen(palette().color(QPalette::Dark));
        painter->fillRect(box, palette().color(QPalette::Base));
        painter->drawRect(box);
        painter->setPen(palette().color(QPalette::Text));
        painter->drawLine(midX - 2, midY, midX + 2, midY);
        if (!isExpanded(index)) {
            painter->drawLine(midX, midY - 2, midX, midY + 2);
        }
    }
    painter->restore();
}

void CLeftView::OnUpdate(DocumentView* /*sender*/, ElementRef* /*hint*/)
{
    viewport()->update();
}

bool CLeftView::OnCommand(std::uint32_t /*command*/)
{
    return false;
}

void CLeftView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTreeView::currentChanged(current, previous);
    if (ElementRef* element = ElementAt(current); element && m_context.frame) {
        m_context.frame->ShowElement(element);
    }
}

void CLeftView::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_context.frame) {
        return;
    }
    if (event->reason() == QContextMenuEvent::Mouse) {
        // The node under the cursor is selected (and shown) before its menu opens.
        const QModelIndex hit = indexAt(event->pos());
        if (hit.isValid()) {
            setCurrentIndex(hit);
        }
        m_context.frame->ShowContextMenu(event->globalPos());
        return;
    }
    const QRect current = visualRect(currentIndex());
    m_context.frame->ShowContextMenu(
        viewport()->mapToGlobal(current.isValid() ? current.center() : QPoint(0, 0)));
}

bool CLeftView::OpenAttachmentAt(const QModelIndex& index)
{
    const ElementRef* element = ElementAt(index);
    if (!element || !m_context.frame ||
        !(element->SupportsAction(ACTION_OPEN_FILE) ||
          element->SupportsAction(ACTION_OPEN_MESSAGE))) {
        return false;
    }
    setCurrentIndex(index);
    m_context.frame->OnCommand(ID_TOOLS_OPEN_ATTACHMENT);
    return true;
}

void CLeftView::keyPressEvent(QKeyEvent* event)
{
    if (IsContextMenuKey(*event)) {
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
        contextMenuEvent(&menu);
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        OpenAttachmentAt(currentIndex())) {
        return;
    }
    QTreeView::keyPressEvent(event);
}

void CLeftView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton &&
        OpenAttachmentAt(indexAt(event->position().toPoint()))) {
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}

} // namespace viewer::ui
