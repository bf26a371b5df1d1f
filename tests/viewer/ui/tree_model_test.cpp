// The tree pane's model over the walk's tree: positions, parents, children and roles agree
// with the tree for every node of a 200 000-node tree, and Qt's own model checks hold.
#include "viewer/ui/tree_model.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

#include "viewer/doc/model/element.h"

namespace viewer::ui {
namespace {

using namespace viewer::doc::model;
using namespace viewer::doc::tree;

// A root with `groups` groups of `leaves` leaves each; captions name the position, images
// run through the fourteen pictures and one past them.
std::unique_ptr<MemoryTree> MakeTree(std::size_t groups, std::size_t leaves)
{
    auto tree = std::make_unique<MemoryTree>();
    const NodeId root = tree->Insert(kNoNode, kInsertLast, "root", 0, CreateElement(ELEM_FOLDER));
    for (std::size_t g = 0; g < groups; ++g) {
        const NodeId group = tree->Insert(root, kInsertLast, "g" + std::to_string(g),
                                          static_cast<int>(g % 15), CreateElement(ELEM_FOLDER));
        for (std::size_t l = 0; l < leaves; ++l) {
            tree->Insert(group, kInsertLast, "g" + std::to_string(g) + "." + std::to_string(l),
                         static_cast<int>(l % 15), nullptr);
        }
    }
    return tree;
}

TEST(TreeModel, AgreesWithTheTreeForEveryNodeOfALargeTree)
{
    TreeModel model(MakeTree(400, 499)); // 1 + 400 + 199 600 = 200 001 nodes
    const MemoryTree& tree = model.Tree();
    ASSERT_EQ(tree.NodeCount(), 200'001u);
    ASSERT_EQ(model.rowCount(), 1);
    const QModelIndex root = model.index(0, 0);
    ASSERT_EQ(model.NodeOf(root), tree.Root());
    EXPECT_FALSE(model.parent(root).isValid());

    std::size_t visited = 1;
    std::vector<QModelIndex> pending{root};
    while (!pending.empty()) {
        const QModelIndex parent = pending.back();
        pending.pop_back();
        const NodeId parentNode = model.NodeOf(parent);
        const std::vector<NodeId> children = tree.Children(parentNode);
        ASSERT_EQ(model.rowCount(parent), static_cast<int>(children.size()));
        ASSERT_EQ(model.hasChildren(parent), !children.empty());
        for (int row = 0; row < static_cast<int>(children.size()); ++row) {
            const QModelIndex child = model.index(row, 0, parent);
            ASSERT_EQ(model.NodeOf(child), children[static_cast<std::size_t>(row)]);
            ASSERT_EQ(model.parent(child), parent);
            ASSERT_EQ(model.IndexOf(children[static_cast<std::size_t>(row)]), child);
            if (model.hasChildren(child)) {
                pending.push_back(child);
            }
            ++visited;
        }
        EXPECT_FALSE(model.index(static_cast<int>(children.size()), 0, parent).isValid());
        EXPECT_FALSE(model.index(0, 1, parent).isValid());
    }
    EXPECT_EQ(visited, tree.NodeCount());

    const QModelIndex leaf = model.index(498, 0, model.index(399, 0, root));
    EXPECT_EQ(model.data(leaf, Qt::DisplayRole).toString(), QStringLiteral("g399.498"));
    EXPECT_EQ(model.data(leaf, Qt::AccessibleTextRole).toString(), QStringLiteral("g399.498"));
    // 498 % 15 == 3: a picture; image 14 (leaf 14) is none.
    EXPECT_FALSE(model.data(leaf, Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(
        model.data(model.index(14, 0, model.index(0, 0, root)), Qt::DecorationRole).isValid());
    EXPECT_EQ(model.flags(leaf), Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    EXPECT_FALSE(model.data(QModelIndex(), Qt::DisplayRole).isValid());
}

TEST(TreeModel, PassesQtsModelChecks)
{
    TreeModel model(MakeTree(30, 20));
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.rowCount(model.index(0, 0)), 30);
}

TEST(TreeModel, RowsStayRightWhenANodeIsInsertedBeforeOthers)
{
    auto tree = MakeTree(1, 3);
    const NodeId group = tree->Child(tree->Root(), 0);
    const NodeId first = tree->Insert(group, kNoNode, "first", 0, nullptr);
    const NodeId middle = tree->Insert(group, tree->Child(group, 1), "middle", 0, nullptr);
    ASSERT_EQ(tree->ChildCount(group), 5u);
    EXPECT_EQ(tree->Row(first), 0u);
    EXPECT_EQ(tree->Row(middle), 2u);
    for (std::size_t row = 0; row < tree->ChildCount(group); ++row) {
        EXPECT_EQ(tree->Row(tree->Child(group, row)), row);
    }
    EXPECT_EQ(tree->NextSibling(first), tree->Child(group, 1));
    EXPECT_EQ(tree->Caption(tree->Child(group, 4)), "g0.2");
    EXPECT_EQ(tree->FirstChild(kNoNode), kNoNode);
}

} // namespace
} // namespace viewer::ui
