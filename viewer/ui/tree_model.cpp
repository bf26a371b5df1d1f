#include "viewer/ui/tree_model.h"

#include <limits>

#include <QIcon>

#include "viewer/ui/resources.h"

namespace viewer::ui {

using viewer::doc::tree::kNoNode;
using viewer::doc::tree::NodeId;

TreeModel::TreeModel(std::unique_ptr<viewer::doc::tree::MemoryTree> tree, QObject* parent)
    : QAbstractItemModel(parent), m_tree(std::move(tree))
{
    LoadResources();
}

TreeModel::~TreeModel() = default;

NodeId TreeModel::NodeOf(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this ? static_cast<NodeId>(index.internalId())
                                                    : kNoNode;
}

QModelIndex TreeModel::IndexOf(NodeId node) const
{
    if (node == kNoNode) {
        return {};
    }
    const std::size_t row = m_tree->Row(node);
    if (row > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return {};
    }
    return createIndex(static_cast<int>(row), 0, static_cast<quintptr>(node));
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column != 0) {
        return {};
    }
    const NodeId child = m_tree->Child(NodeOf(parent), static_cast<std::size_t>(row));
    return child == kNoNode ? QModelIndex() : createIndex(row, 0, static_cast<quintptr>(child));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const
{
    return IndexOf(m_tree->Parent(NodeOf(child)));
}

int TreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0) {
        return 0;
    }
    const std::size_t count = m_tree->ChildCount(NodeOf(parent));
    return static_cast<int>(std::min<std::size_t>(count, std::numeric_limits<int>::max()));
}

int TreeModel::columnCount(const QModelIndex& /*parent*/) const
{
    return 1;
}

bool TreeModel::hasChildren(const QModelIndex& parent) const
{
    return m_tree->ChildCount(NodeOf(parent)) > 0;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const
{
    const NodeId node = NodeOf(index);
    if (node == kNoNode) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        // Captions come escaped from the walk; item views never read them as markup.
        return QString::fromStdString(m_tree->Caption(node));
    case Qt::DecorationRole: {
        const int image = m_tree->Image(node);
        if (image < 0 || image >= kTreeImages) {
            return {};
        }
        // Loaded once per model: an item view asks for the icon of every row it paints.
        QIcon& icon = m_icons[static_cast<std::size_t>(image)];
        if (icon.isNull()) {
            icon = TreeImageIcon(image);
        }
        return icon;
    }
    default:
        return {};
    }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QIcon TreeImageIcon(int image)
{
    if (image < 0 || image >= kTreeImages) {
        return {};
    }
    return QIcon(QStringLiteral(":/pallion/tree/%1.svg").arg(image));
}

} // namespace viewer::ui
