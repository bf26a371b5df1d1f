#include "viewer/doc/frame/stored_bodies.h"

#include "format/little_endian.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/tree/tree.h"
#include "viewer/doc/tree/tree_index.h"

namespace viewer::doc::frame {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using namespace viewer::doc::tree;
using render::body::ShownBody;

using platform::StatusCode;

namespace {

const ElementRef* ValueElementOf(const MemoryTree& tree, const TreeIndex& index, std::uint32_t tag)
{
    const NodeId node = index.FindValueNode(index.m_messageProperties, tag);
    return node != kNoNode ? tree.Element(node) : nullptr;
}

StatusCode Append(std::vector<std::uint8_t>& bytes, const std::uint8_t* piece, std::uint32_t length)
{
    if (length > kMaxStoredBodyBytes - bytes.size()) {
        return platform::E_OUTOFMEMORY;
    }
    bytes.insert(bytes.end(), piece, piece + length);
    return platform::S_OK;
}

// A string value's bytes without the terminator a writer may have stored.
StatusCode ReadValueBytes(CEnvelonDoc& document, const ElementRef* element,
                          std::vector<std::uint8_t>& bytes, bool* utf16)
{
    const auto sink = [&](const std::uint8_t* piece, std::uint32_t length) {
        return Append(bytes, piece, length);
    };
    const StatusCode status = document.ReadElementData(element, sink);
    if (platform::Failed(status)) {
        return status;
    }
    const std::uint32_t type = element->Kind() == ELEM_VALUE || element->Kind() == ELEM_HTML_BODY
                                   ? PROP_TYPE(static_cast<const ValueElement*>(element)->m_tag)
                                   : PT_STRING8;
    *utf16 = type == PT_UNICODE;
    const std::size_t unit = *utf16 ? 2 : 1;
    while (type != PT_BINARY && bytes.size() >= unit &&
           (bytes.back() == 0 && (unit == 1 || bytes[bytes.size() - 2] == 0))) {
        bytes.resize(bytes.size() - unit);
    }
    return platform::S_OK;
}

} // namespace

render::body::MailBodies StoredBodies::View() const
{
    render::body::MailBodies view = about;
    view.rtf = rtf;
    view.html = html;
    view.plain = plain;
    return view;
}

StatusCode ReadStoredBodies(CEnvelonDoc& document, const MemoryTree& tree, const TreeIndex& index,
                            StoredBodies* bodies)
{
    if (!bodies) {
        return platform::E_POINTER;
    }
    *bodies = StoredBodies();
    render::body::MailBodies& about = bodies->about;
    about.messageCodePage = document.CodePage();
    if (const ElementRef* cpid = ValueElementOf(tree, index, PR_INTERNET_CPID);
        cpid && cpid->Kind() == ELEM_VALUE) {
        const auto* value = static_cast<const ValueElement*>(cpid);
        if (value->Data() && value->DataLength() >= 4) {
            about.internetCodePage = format::LoadLe32(value->Data());
        }
    }
    if (const ElementRef* rtf = ValueElementOf(tree, index, PR_RTF_COMPRESSED);
        rtf && rtf->Kind() == ELEM_COMPRESSED_RTF) {
        const StatusCode status =
            document.InflateRtfBody(rtf, [&](const std::uint8_t* piece, std::uint32_t length) {
                return Append(bodies->rtf, piece, length);
            });
        if (platform::Failed(status)) {
            return status;
        }
        about.hasRtf = true;
    }
    for (std::uint32_t tag : {PR_BODY_HTML, PR_BODY_HTML_A, PR_BODY_HTML_W}) {
        if (const ElementRef* html = ValueElementOf(tree, index, tag); html && !about.hasHtml) {
            const StatusCode status =
                ReadValueBytes(document, html, bodies->html, &about.htmlUtf16);
            if (platform::Failed(status)) {
                return status;
            }
            about.hasHtml = true;
        }
    }
    const ElementRef* plain = ValueElementOf(tree, index, PR_BODY);
    if (!plain) {
        plain = ValueElementOf(tree, index, PR_BODY_W);
    }
    if (!plain) {
        const NodeId node = index.FindAttributeNode(index.m_messageGroup, attBody);
        plain = node != kNoNode ? tree.Element(node) : nullptr;
    }
    if (plain) {
        const StatusCode status = ReadValueBytes(document, plain, bodies->plain, &about.plainUtf16);
        if (platform::Failed(status)) {
            return status;
        }
        about.hasPlain = true;
    }
    switch (index.FindMailBody().kind) {
    case MailBodyKind::CompressedRtf:
        about.shown = about.hasRtf ? ShownBody::Rtf : ShownBody::None;
        break;
    case MailBodyKind::Html:
        about.shown = about.hasHtml ? ShownBody::Html : ShownBody::None;
        break;
    case MailBodyKind::PlainText:
        about.shown = about.hasPlain ? ShownBody::Plain : ShownBody::None;
        break;
    case MailBodyKind::None:
        break;
    }
    return platform::S_OK;
}

StatusCode RenderStoredBody(CEnvelonDoc& document, const MemoryTree& tree, const TreeIndex& index,
                            render::body::BodyForm form, std::string* text)
{
    if (!text) {
        return platform::E_POINTER;
    }
    StoredBodies bodies;
    const StatusCode status = ReadStoredBodies(document, tree, index, &bodies);
    if (platform::Failed(status)) {
        return status;
    }
    std::optional<std::string> rendered = render::body::RenderBody(bodies.View(), form);
    if (!rendered) {
        return platform::MAPI_E_NOT_FOUND;
    }
    *text = std::move(*rendered);
    return platform::S_OK;
}

} // namespace viewer::doc::frame
