#include "viewer/doc/tree/tree.h"

#include <algorithm>

namespace viewer::doc::tree {

using namespace viewer::doc::model;

MemoryTree::Node* MemoryTree::Get(NodeId node)
{
    return node != kNoNode && node <= m_nodes.size() ? &m_nodes[node - 1] : nullptr;
}

const MemoryTree::Node* MemoryTree::Get(NodeId node) const
{
    return node != kNoNode && node <= m_nodes.size() ? &m_nodes[node - 1] : nullptr;
}

const std::vector<NodeId>* MemoryTree::ChildrenOf(NodeId node) const
{
    if (node == kNoNode) {
        return &m_top;
    }
    const Node* n = Get(node);
    return n ? &n->children : nullptr;
}

NodeId MemoryTree::Insert(NodeId parent, NodeId after, std::string caption, int image,
                          std::unique_ptr<ElementRef> element)
{
    if (parent != kNoNode && !Get(parent)) {
        return kNoNode;
    }
    // `after` must be a child of `parent` unless it names an end.
    if (after != kNoNode && after != kInsertLast) {
        const Node* sibling = Get(after);
        if (!sibling || sibling->parent != parent) {
            return kNoNode;
        }
    }
    std::size_t position = ChildCount(parent);
    if (after == kNoNode) {
        position = 0;
    } else if (after != kInsertLast) {
        position = Get(after)->row + std::size_t{1};
    }
    Node node;
    node.caption = std::move(caption);
    node.element = std::move(element);
    node.parent = parent;
    node.image = image;
    node.row = static_cast<std::uint32_t>(position);
    m_nodes.push_back(std::move(node));
    const NodeId id = m_nodes.size();
    // Looked up after the push: the node vector may have moved.
    std::vector<NodeId>& list = parent == kNoNode ? m_top : Get(parent)->children;
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(position), id);
    // Only an insertion before the end renumbers the siblings after it; the walk always
    // appends.
    for (std::size_t i = position + 1; i < list.size(); ++i) {
        Get(list[i])->row = static_cast<std::uint32_t>(i);
    }
    return id;
}

void MemoryTree::SetCaption(NodeId node, std::string caption)
{
    if (Node* n = Get(node)) {
        n->caption = std::move(caption);
    }
}

void MemoryTree::SetImage(NodeId node, int image)
{
    if (Node* n = Get(node)) {
        n->image = image;
    }
}

void MemoryTree::SetElement(NodeId node, std::unique_ptr<ElementRef> element)
{
    if (Node* n = Get(node)) {
        n->element = std::move(element);
    }
}

std::string MemoryTree::Caption(NodeId node) const
{
    const Node* n = Get(node);
    return n ? n->caption : std::string();
}

int MemoryTree::Image(NodeId node) const
{
    const Node* n = Get(node);
    return n ? n->image : -1;
}

ElementRef* MemoryTree::Element(NodeId node) const
{
    const Node* n = Get(node);
    return n ? n->element.get() : nullptr;
}

// The top level is reached through Child and ChildCount only: FirstChild of no node is none.
NodeId MemoryTree::FirstChild(NodeId node) const
{
    return Get(node) ? Child(node, 0) : kNoNode;
}

NodeId MemoryTree::NextSibling(NodeId node) const
{
    const Node* n = Get(node);
    return n ? Child(n->parent, std::size_t{n->row} + 1) : kNoNode;
}

NodeId MemoryTree::Parent(NodeId node) const
{
    const Node* n = Get(node);
    return n ? n->parent : kNoNode;
}

std::size_t MemoryTree::ChildCount(NodeId node) const
{
    const std::vector<NodeId>* children = ChildrenOf(node);
    return children ? children->size() : 0;
}

NodeId MemoryTree::Child(NodeId node, std::size_t index) const
{
    const std::vector<NodeId>* children = ChildrenOf(node);
    return children && index < children->size() ? (*children)[index] : kNoNode;
}

std::size_t MemoryTree::Row(NodeId node) const
{
    const Node* n = Get(node);
    return n ? n->row : 0;
}

void MemoryTree::Expand(NodeId node)
{
    if (Node* n = Get(node)) {
        n->expanded = true;
    }
}

bool MemoryTree::IsExpanded(NodeId node) const
{
    const Node* n = Get(node);
    return n && n->expanded;
}

std::vector<NodeId> MemoryTree::Children(NodeId node) const
{
    const std::vector<NodeId>* children = ChildrenOf(node);
    return children ? *children : std::vector<NodeId>();
}

NodeId MemoryTree::FindByPath(std::string_view path) const
{
    constexpr std::size_t kMaxDigits = 9; // more children than a tree can hold
    NodeId node = kNoNode;
    std::size_t start = 0;
    for (bool first = true;; first = false) {
        const std::size_t dot = std::min(path.find('.', start), path.size());
        const std::string_view part = path.substr(start, dot - start);
        if (part.empty() || part.size() > kMaxDigits ||
            part.find_first_not_of("0123456789") != std::string_view::npos) {
            return kNoNode;
        }
        unsigned long index = 0;
        for (char digit : part) {
            index = index * 10 + static_cast<unsigned long>(digit - '0');
        }
        node = first ? (index == 0 ? Root() : kNoNode) : Child(node, index);
        if (node == kNoNode || dot == path.size()) {
            return node;
        }
        start = dot + 1;
    }
}

} // namespace viewer::doc::tree
