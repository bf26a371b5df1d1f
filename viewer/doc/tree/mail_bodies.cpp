#include "viewer/doc/tree/mail_bodies.h"

#include <algorithm>

#include "format/little_endian.h"
#include "format/mapi.h"
#include "format/tnef.h"
#include "platform/text.h"
#include "viewer/doc/document/envelon_doc.h"

namespace viewer::doc::tree {

using namespace format;
using namespace viewer::doc::model;
using platform::StatusCode;

namespace {

const ValueElement* ValueAt(const TreeIndex& index, NodeId node)
{
    if (node == kNoNode) {
        return nullptr;
    }
    return dynamic_cast<const ValueElement*>(index.m_tree->Element(node));
}

// The first of `tags` with a value under the message's properties.
NodeId FindMessageValue(const TreeIndex& index, std::initializer_list<std::uint32_t> tags)
{
    for (const std::uint32_t tag : tags) {
        if (const NodeId node = index.FindValueNode(index.m_messageProperties, tag);
            node != kNoNode) {
            return node;
        }
    }
    return kNoNode;
}

// A short string value (a content identifier or location) as UTF-8, without its terminator
// and without the angle brackets of a Content-ID header.
std::string ShortText(const ValueElement& value)
{
    const std::uint8_t* data = value.Data();
    const std::uint32_t length = value.DataLength();
    if (data == nullptr || length == 0) {
        return {};
    }
    std::string text;
    if (PROP_TYPE(value.m_tag) == PT_UNICODE) {
        text = platform::Utf16ToUtf8(platform::Utf16FromLittleEndian(data, length));
    } else {
        text.assign(reinterpret_cast<const char*>(data), length);
    }
    text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
    if (text.size() >= 2 && text.front() == '<' && text.back() == '>') {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

bool SameNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

// Whether any value under `group` is a string of property `propertyId` equal to `id`.
bool GroupHasText(const Tree& tree, NodeId group, std::uint32_t propertyId, std::string_view id)
{
    NodeId node = tree.FirstChild(group);
    while (node != kNoNode) {
        if (const auto* value = dynamic_cast<const ValueElement*>(tree.Element(node));
            value && PROP_ID(value->m_tag) == propertyId &&
            (PROP_TYPE(value->m_tag) == PT_STRING8 || PROP_TYPE(value->m_tag) == PT_UNICODE) &&
            SameNoCase(ShortText(*value), id)) {
            return true;
        }
        // Depth first, within the group.
        if (const NodeId child = tree.FirstChild(node); child != kNoNode) {
            node = child;
            continue;
        }
        while (node != group && tree.NextSibling(node) == kNoNode) {
            node = tree.Parent(node);
        }
        node = node == group ? kNoNode : tree.NextSibling(node);
    }
    return false;
}

} // namespace

std::uint32_t InternetCodePage(const TreeIndex& index)
{
    const ValueElement* value = ValueAt(index, FindMessageValue(index, {PR_INTERNET_CPID}));
    if (!value || !value->Data() || value->DataLength() < 4) {
        return 0;
    }
    return LoadLe32(value->Data());
}

StatusCode ReadWholeElement(document::CEnvelonDoc& document, const ElementRef* element,
                            std::size_t maxBytes, std::vector<std::uint8_t>* bytes)
{
    if (!bytes) {
        return platform::E_POINTER;
    }
    std::vector<std::uint8_t> data;
    const StatusCode status = document.ReadElementData(
        element, [&](const std::uint8_t* piece, std::uint32_t length) {
            if (length > maxBytes - data.size()) {
                return platform::E_OUTOFMEMORY;
            }
            data.insert(data.end(), piece, piece + length);
            return platform::S_OK;
        });
    if (platform::Succeeded(status)) {
        *bytes = std::move(data);
    }
    return status;
}

const ElementRef* FindAttachmentByContentId(const TreeIndex& index, std::string_view id)
{
    if (index.m_tree == nullptr || id.empty()) {
        return nullptr;
    }
    const Tree& tree = *index.m_tree;
    for (const std::uint32_t property :
         {PROP_ID(PR_ATTACH_CONTENT_ID), PROP_ID(PR_ATTACH_CONTENT_LOCATION)}) {
        for (NodeId group = index.m_firstAttachment; group != kNoNode;
             group = tree.NextSibling(group)) {
            if (GroupHasText(tree, group, property, id)) {
                return tree.Element(group);
            }
        }
    }
    return nullptr;
}

} // namespace viewer::doc::tree
