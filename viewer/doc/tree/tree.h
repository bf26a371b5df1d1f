// The tree the left pane shows, as an abstract tree so that building and decorating it run
// without the platform. A node has a caption, one image index and the element it
// designates, which it owns. MemoryTree keeps the nodes in memory; the pane adapts its
// tree control to the same interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "viewer/doc/model/element.h"

namespace viewer::doc::tree {

// A node of a tree; kNoNode stands for none (and, as a parent, for the top level).
using NodeId = std::uintptr_t;
inline constexpr NodeId kNoNode = 0;
// As the `after` argument of Insert: after the parent's last child.
inline constexpr NodeId kInsertLast = ~NodeId{0};

class Tree {
public:
    virtual ~Tree() = default;

    // Inserts a node under `parent` after the sibling `after` (kNoNode: as the first child;
    // kInsertLast: as the last). The node takes the element. kNoNode when it cannot be made.
    virtual NodeId Insert(NodeId parent, NodeId after, std::string caption, int image,
                          std::unique_ptr<model::ElementRef> element) = 0;
    virtual void SetCaption(NodeId node, std::string caption) = 0;
    virtual void SetImage(NodeId node, int image) = 0;
    // Replaces the node's element; the previous one is freed.
    virtual void SetElement(NodeId node, std::unique_ptr<model::ElementRef> element) = 0;

    virtual std::string Caption(NodeId node) const = 0;
    virtual int Image(NodeId node) const = 0;
    virtual model::ElementRef* Element(NodeId node) const = 0;
    virtual NodeId FirstChild(NodeId node) const = 0;
    virtual NodeId NextSibling(NodeId node) const = 0;
    virtual NodeId Parent(NodeId node) const = 0;
    // Positional access for item views, which ask by row: the number of children of `node`
    // (kNoNode: of the top level), its child at `index` (kNoNode when out of range), and a
    // node's index among its siblings.
    virtual std::size_t ChildCount(NodeId node) const = 0;
    virtual NodeId Child(NodeId node, std::size_t index) const = 0;
    virtual std::size_t Row(NodeId node) const = 0;

    virtual void Select(NodeId node) = 0;
    virtual void Expand(NodeId node) = 0;
};

// The tree held in memory: for the command-line tool, tests and benchmarks.
class MemoryTree final : public Tree {
public:
    NodeId Insert(NodeId parent, NodeId after, std::string caption, int image,
                  std::unique_ptr<model::ElementRef> element) override;
    void SetCaption(NodeId node, std::string caption) override;
    void SetImage(NodeId node, int image) override;
    void SetElement(NodeId node, std::unique_ptr<model::ElementRef> element) override;

    std::string Caption(NodeId node) const override;
    int Image(NodeId node) const override;
    model::ElementRef* Element(NodeId node) const override;
    NodeId FirstChild(NodeId node) const override;
    NodeId NextSibling(NodeId node) const override;
    NodeId Parent(NodeId node) const override;
    // Each O(1): a node keeps its children in order and its own row.
    std::size_t ChildCount(NodeId node) const override;
    NodeId Child(NodeId node, std::size_t index) const override;
    std::size_t Row(NodeId node) const override;

    void Select(NodeId node) override { m_selected = node; }
    void Expand(NodeId node) override;

    // The first top-level node.
    NodeId Root() const { return m_top.empty() ? kNoNode : m_top.front(); }
    NodeId Selected() const { return m_selected; }
    bool IsExpanded(NodeId node) const;
    std::size_t NodeCount() const { return m_nodes.size(); }
    // Children of a node in order, for tests and printing.
    std::vector<NodeId> Children(NodeId node) const;
    // The node named by its path of 0-based child positions from the root, dotted: the root
    // is "0", its first child "0.0", that node's third child "0.0.2". kNoNode for a path
    // that names no node or is not such a path.
    NodeId FindByPath(std::string_view path) const;

private:
    struct Node {
        std::string caption;
        std::unique_ptr<model::ElementRef> element;
        std::vector<NodeId> children;
        NodeId parent = kNoNode;
        std::uint32_t row = 0; // index in the parent's children (or among the top level)
        int image = 0;
        bool expanded = false;
    };

    Node* Get(NodeId node);
    const Node* Get(NodeId node) const;
    const std::vector<NodeId>* ChildrenOf(NodeId node) const;

    std::vector<Node> m_nodes; // NodeId n is m_nodes[n - 1]
    std::vector<NodeId> m_top;
    NodeId m_selected = kNoNode;
};

} // namespace viewer::doc::tree
