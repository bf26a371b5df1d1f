// TreeIndex: the key nodes of a built tree (message group, message properties, first
// recipient row, first attachment group) and the caption lookups the decoration, the mail
// body search and the commands rest on. Lookups go by caption, as the tree shows them, so
// they see the same names in normal and in raw view.
#pragma once

#include <cstdint>
#include <string_view>

#include "dictionary/include/tagora.h"
#include "viewer/doc/model/mail_body.h"
#include "viewer/doc/tree/tree.h"

namespace viewer::doc::tree {

class TreeIndex {
public:
    // Forgets every node and remembers the tree, the view mode and the dictionary that gave
    // the property captions.
    void Reset(const Tree* tree, bool rawView, TagoraHandle dictionary);

    // `parent` itself when its caption equals `caption`, else its first direct child whose
    // caption does. Case-insensitive over at most the first 254 bytes of a node's caption;
    // an empty caption finds nothing.
    NodeId FindNode(NodeId parent, std::string_view caption) const;
    // The decoded node of an attribute under a group: by display caption in normal view,
    // by identifier name and then its first child in raw view.
    NodeId FindAttributeNode(NodeId group, std::uint32_t identifier) const;
    // The first value node of the property `tag` under a property list or recipient row.
    NodeId FindValueNode(NodeId parent, std::uint32_t tag) const;

    // The mail body: the compressed RTF value, the HTML value (three tags) or the attBody
    // attribute, the first that exists.
    model::MailBody FindMailBody() const;
    NodeId FindMailBodyNode(model::MailBodyKind* kind = nullptr) const;

    const Tree* m_tree = nullptr;
    NodeId m_messageGroup = kNoNode;
    NodeId m_messageProperties = kNoNode;
    NodeId m_firstRecipient = kNoNode;
    NodeId m_firstAttachment = kNoNode;
    bool m_rawView = false;
    TagoraHandle m_dictionary = nullptr;
};

} // namespace viewer::doc::tree
