#include "viewer/ui/envelon_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>

#include "viewer/doc/app/app_context.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element.h"
#include "viewer/ui/commands.h"

namespace viewer::ui {

using namespace viewer::doc::app;
using namespace viewer::doc::document;
using namespace viewer::doc::frame;
using namespace viewer::doc::model;
using namespace viewer::doc::panes;

CEnvelonView::CEnvelonView(const PaneContext& context, QWidget* parent, std::uint32_t viewKind)
    : QTreeWidget(parent), PaneView(context), m_viewKind(viewKind)
{
    setAccessibleName(tr("Details"));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Widths are the person's, column by column; a stretched last column would overwrite
    // its stored width with whatever the pane's width left for it.
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    setColumnCount(0);
    setHeaderHidden(true);
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { EditStateChanged(); });
}

std::vector<int> CEnvelonView::CurrentWidths() const
{
    std::vector<int> widths;
    for (int column = 0; column < columnCount(); ++column) {
        widths.push_back(columnWidth(column));
    }
    return widths;
}

bool CEnvelonView::TakeOver(CElementView* previous)
{
    auto* other = dynamic_cast<CEnvelonView*>(previous);
    if (!other) {
        return false;
    }
    m_state.TakeOver(other->m_state, other->CurrentWidths());
    for (int column = 0; column < columnCount(); ++column) {
        setColumnWidth(column, m_state.widths.Width(static_cast<std::size_t>(column)));
    }
    return true;
}

void CEnvelonView::OnUpdate(DocumentView* /*sender*/, ElementRef* hint)
{
    if (!hint) {
        return;
    }
    SetElement(hint);
    Rebuild();
}

void CEnvelonView::Rebuild()
{
    if (columnCount() > 0 && !isHeaderHidden()) {
        m_state.widths.Store(CurrentWidths());
    }
    clear();
    const AppContext* app = TheApp();
    const CEnvelonDoc* document = Context().document;
    const DetailsTable table =
        BuildDetailsTable(m_state.element, app ? app->m_dictionary : nullptr,
                          document ? document->CodePage() : platform::kDefaultCodePage);
    const int columns = static_cast<int>(table.columns.size());
    setColumnCount(columns);
    setHeaderHidden(columns == 0);
    QStringList headings;
    for (const std::string& heading : table.columns) {
        headings << QString::fromStdString(heading);
    }
    setHeaderLabels(headings);
    for (int column = 0; column < columns; ++column) {
        setColumnWidth(column, m_state.widths.Width(static_cast<std::size_t>(column)));
    }
    QList<QTreeWidgetItem*> items;
    for (const auto& row : table.rows) {
        auto* item = new QTreeWidgetItem;
        for (int column = 0; column < columns && column < static_cast<int>(row.size()); ++column) {
            item->setText(column, QString::fromStdString(row[static_cast<std::size_t>(column)]));
        }
        items << item;
    }
    addTopLevelItems(items);
}

QString CEnvelonView::SelectedRowsText() const
{
    QStringList lines;
    for (int row = 0; row < topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = topLevelItem(row);
        if (!item->isSelected()) {
            continue;
        }
        QStringList cells;
        for (int column = 0; column < columnCount(); ++column) {
            cells << item->text(column);
        }
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

bool CEnvelonView::CanHandle(std::uint32_t command) const
{
    return command == ID_EDIT_COPY && !selectedItems().isEmpty();
}

bool CEnvelonView::OnCommand(std::uint32_t command)
{
    if (!CanHandle(command)) {
        return false;
    }
    QApplication::clipboard()->setText(SelectedRowsText());
    return true;
}

void CEnvelonView::contextMenuEvent(QContextMenuEvent* event)
{
    RequestContextMenu(event->globalPos());
}

void CEnvelonView::keyPressEvent(QKeyEvent* event)
{
    if (IsContextMenuKey(*event)) {
        const QRect current = visualItemRect(currentItem());
        const QPoint at = current.isValid() ? current.center() : QPoint(0, 0);
        RequestContextMenu(viewport()->mapToGlobal(at));
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

} // namespace viewer::ui
