#include "viewer/doc/tree/tree_index.h"

#include <algorithm>

#include "viewer/doc/naming/naming.h"

namespace viewer::doc::tree {

using namespace viewer::doc::model;
using namespace viewer::doc::naming;

namespace {

// A node's caption takes part in a comparison up to this many bytes (a 255-byte buffer
// with its terminator).
constexpr std::size_t kComparedCaptionBytes = 254;

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameCaption(std::string_view nodeCaption, std::string_view sought)
{
    nodeCaption = nodeCaption.substr(0, kComparedCaptionBytes);
    return nodeCaption.size() == sought.size() &&
           std::equal(nodeCaption.begin(), nodeCaption.end(), sought.begin(),
                      [](char a, char b) { return FoldCase(a) == FoldCase(b); });
}

constexpr std::uint32_t kBodyTags[] = {PR_RTF_COMPRESSED, PR_BODY_HTML, PR_BODY_HTML_A,
                                       PR_BODY_HTML_W};

} // namespace

void TreeIndex::Reset(const Tree* tree, bool rawView, TagoraHandle dictionary)
{
    *this = TreeIndex();
    m_tree = tree;
    m_rawView = rawView;
    m_dictionary = dictionary;
}

NodeId TreeIndex::FindNode(NodeId parent, std::string_view caption) const
{
    if (!m_tree || parent == kNoNode || caption.empty()) {
        return kNoNode;
    }
    if (SameCaption(m_tree->Caption(parent), caption)) {
        return parent;
    }
    for (NodeId child = m_tree->FirstChild(parent); child != kNoNode;
         child = m_tree->NextSibling(child)) {
        if (SameCaption(m_tree->Caption(child), caption)) {
            return child;
        }
    }
    return kNoNode;
}

NodeId TreeIndex::FindAttributeNode(NodeId group, std::uint32_t identifier) const
{
    if (!m_rawView) {
        return FindNode(group, AttributeDisplayCaption(identifier));
    }
    const NodeId record = FindNode(group, AttributeIdentifierName(identifier));
    return record == kNoNode ? kNoNode : m_tree->FirstChild(record);
}

NodeId TreeIndex::FindValueNode(NodeId parent, std::uint32_t tag) const
{
    const NodeId property = FindNode(parent, PropertyCaption(m_dictionary, tag));
    return property == kNoNode ? kNoNode : m_tree->FirstChild(property);
}

NodeId TreeIndex::FindMailBodyNode(MailBodyKind* kind) const
{
    if (m_messageGroup == kNoNode) {
        return kNoNode;
    }
    for (std::uint32_t tag : kBodyTags) {
        if (const NodeId node = FindValueNode(m_messageProperties, tag); node != kNoNode) {
            if (kind) {
                *kind = tag == PR_RTF_COMPRESSED ? MailBodyKind::CompressedRtf : MailBodyKind::Html;
            }
            return node;
        }
    }
    const NodeId node = FindAttributeNode(m_messageGroup, attBody);
    if (node != kNoNode && kind) {
        *kind = MailBodyKind::PlainText;
    }
    return node;
}

MailBody TreeIndex::FindMailBody() const
{
    MailBody body;
    const NodeId node = FindMailBodyNode(&body.kind);
    if (node == kNoNode) {
        return {};
    }
    body.element = m_tree->Element(node);
    if (!body.element) {
        return {};
    }
    return body;
}

} // namespace viewer::doc::tree
