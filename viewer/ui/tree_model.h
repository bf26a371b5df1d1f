// TreeModel: an item-model adapter over the tree the walk built. It owns the tree (and so,
// through its nodes, every element) and hands out each node as an index's internal id: no
// item object per node, so a tree of 200 000 nodes is shown at once and costs nothing more.
#pragma once

#include <array>
#include <memory>

#include <QAbstractItemModel>
#include <QIcon>

#include "viewer/doc/tree/tree.h"

namespace viewer::ui {

// The tree's image list: fourteen pictures, indices 0 to 13.
inline constexpr int kTreeImages = 14;

class TreeModel final : public QAbstractItemModel {
    Q_OBJECT

public:
    explicit TreeModel(std::unique_ptr<viewer::doc::tree::MemoryTree> tree,
                       QObject* parent = nullptr);
    ~TreeModel() override;

    const viewer::doc::tree::MemoryTree& Tree() const { return *m_tree; }
    // The node of an index (kNoNode for the invisible top) and the index of a node.
    viewer::doc::tree::NodeId NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(viewer::doc::tree::NodeId node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::unique_ptr<viewer::doc::tree::MemoryTree> m_tree;
    mutable std::array<QIcon, kTreeImages> m_icons;
};

// The tree's picture for an image index (0 to 13); a null icon for any other.
QIcon TreeImageIcon(int image);

} // namespace viewer::ui
