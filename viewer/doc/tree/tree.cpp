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
    Node node;
    node.caption = std::move(caption);
    node.element = std::move(element);
    node.parent = parent;
    node.image = image;
    m_nodes.push_back(std::move(node));
    const NodeId id = m_nodes.size();

    NodeId& first = parent == kNoNode ? m_firstTop : Get(parent)->firstChild;
    NodeId& last = parent == kNoNode ? m_lastTop : Get(parent)->lastChild;
    if (after == kInsertLast) {
        after = last;
    }
    if (after == kNoNode) {
        Get(id)->next = first;
        first = id;
        if (last == kNoNode) {
            last = id;
        }
    } else {
        Node* sibling = Get(after);
        Get(id)->next = sibling->next;
        sibling->next = id;
        if (last == after) {
            last = id;
        }
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

NodeId MemoryTree::FirstChild(NodeId node) const
{
    const Node* n = Get(node);
    return n ? n->firstChild : kNoNode;
}

NodeId MemoryTree::NextSibling(NodeId node) const
{
    const Node* n = Get(node);
    return n ? n->next : kNoNode;
}

NodeId MemoryTree::Parent(NodeId node) const
{
    const Node* n = Get(node);
    return n ? n->parent : kNoNode;
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
    std::vector<NodeId> children;
    for (NodeId child = node == kNoNode ? m_firstTop : FirstChild(node); child != kNoNode;
         child = NextSibling(child)) {
        children.push_back(child);
    }
    return children;
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
        if (first) {
            node = index == 0 ? Root() : kNoNode;
        } else {
            for (node = FirstChild(node); node != kNoNode && index > 0; --index) {
                node = NextSibling(node);
            }
        }
        if (node == kNoNode || dot == path.size()) {
            return node;
        }
        start = dot + 1;
    }
}

} // namespace viewer::doc::tree
