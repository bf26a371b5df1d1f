#include "viewer/items/document_message.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <span>

#include "format/little_endian.h"
#include "format/mapi.h"
#include "format/tnef.h"
#include "platform/file_io.h"
#include "platform/files.h"
#include "platform/guid.h"
#include "platform/text.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/tree/tree.h"
#include "viewer/doc/tree/tree_builder.h"
#include "viewer/doc/tree/tree_index.h"
#include "viewer/items/calendar_time.h"
#include "viewer/items/vcard.h"
#include "viewer/render/body/body_forms.h"

namespace viewer::items {

using namespace ::format;
using namespace viewer::doc::model;
using doc::document::CEnvelonDoc;
using doc::tree::kNoNode;
using doc::tree::NodeId;
using doc::tree::Tree;
using doc::tree::TreeIndex;
using platform::StatusCode;

namespace {

// The bytes of an element, up to `limit`: what the element keeps when that is all of it,
// else read from the document's stream. A longer element gives its first `limit` bytes when
// `cut` allows, else nothing.
std::optional<std::string> ElementBytes(CEnvelonDoc& document, const ElementRef& element,
                                        std::uint32_t limit, bool cut)
{
    if (IsValueKind(element.Kind())) {
        const auto& value = static_cast<const ValueElement&>(element);
        if (value.DataLength() == 0) {
            return std::string();
        }
        if (value.Data()) {
            return std::string(reinterpret_cast<const char*>(value.Data()),
                               std::min(value.DataLength(), limit));
        }
    }
    std::uint64_t offset = 0;
    std::uint32_t count = 0;
    platform::IStream* stream = document.Stream();
    if (!stream || platform::Failed(document.GetElementRange(&element, &offset, &count)) ||
        (count > limit && !cut)) {
        return std::nullopt;
    }
    std::string bytes(std::min(count, limit), '\0');
    std::uint32_t got = 0;
    if (platform::Failed(
            stream->Seek(static_cast<std::int64_t>(offset), platform::STREAM_SEEK_SET, nullptr)) ||
        platform::Failed(
            stream->Read(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &got))) {
        return std::nullopt;
    }
    bytes.resize(got);
    return bytes;
}

std::string_view UpToNul(std::string_view bytes)
{
    return bytes.substr(0, bytes.find('\0'));
}

std::string Utf16Text(const std::string& bytes)
{
    std::u16string text = platform::Utf16FromLittleEndian(
        reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    text.resize(std::min(text.size(), text.find(u'\0')));
    return platform::Utf16ToUtf8(text);
}

// A legacy date: year, month, day, hour, minute, second, day of the week.
std::optional<FileTime> LegacyDate(const AttributeElement& attribute)
{
    if (!attribute.Buffer() || attribute.KeptLength() < 12) {
        return std::nullopt;
    }
    int fields[6];
    for (int i = 0; i < 6; ++i) {
        fields[i] = format::LoadLe16(attribute.Buffer() + 2 * i);
    }
    if (fields[0] < 1601 || fields[0] > 9999 || fields[1] < 1 || fields[1] > 12 || fields[2] < 1 ||
        fields[2] > DaysInMonth(fields[0], fields[1]) || fields[3] > 23 || fields[4] > 59 ||
        fields[5] > 59) {
        return std::nullopt;
    }
    const Seconds seconds =
        SecondsOfCivil({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]});
    return static_cast<FileTime>(seconds) * 10'000'000u;
}

// Fills one Message from the groups of a built tree: the bags of the message, its recipient
// rows and its attachments, and the legacy attributes of the message group. It owns nothing;
// it keeps the budget of bytes the message's values may still bring.
class MessageReader {
  public:
    MessageReader(CEnvelonDoc& document, const Tree& tree, Message& message)
        : m_doc(document), m_tree(tree), m_message(message)
    {
    }

    // The properties and attributes of a group; the message's own group also gives the
    // recipient table and the legacy attributes.
    void ReadGroup(NodeId group, PropertyBag& bag, bool messageGroup);

  private:
    // ElementBytes within what is left of the message's budget for bytes from the stream.
    std::optional<std::string> Bytes(const ElementRef& element, std::uint32_t limit, bool cut);
    void ReadProperties(NodeId list, PropertyBag& bag, const ElementRef** attachmentData);
    std::optional<Value> ValueOf(const PropertyElement& property, NodeId node);
    void ReadLegacy(const AttributeElement& attribute);

    CEnvelonDoc& m_doc;
    const Tree& m_tree;
    Message& m_message;
    std::uint64_t m_budget = kMaxMessageBytes;
};

std::optional<std::string> MessageReader::Bytes(const ElementRef& element, std::uint32_t limit,
                                                bool cut)
{
    limit = static_cast<std::uint32_t>(std::min<std::uint64_t>(limit, m_budget));
    auto bytes = ElementBytes(m_doc, element, limit, cut);
    m_budget -= bytes ? std::min<std::uint64_t>(bytes->size(), m_budget) : 0;
    return bytes;
}

void MessageReader::ReadGroup(NodeId group, PropertyBag& bag, bool messageGroup)
{
    const ElementRef* attachmentData = nullptr;
    for (NodeId child = m_tree.FirstChild(group); child != kNoNode;
         child = m_tree.NextSibling(child)) {
        NodeId decoded = child;
        const ElementRef* element = m_tree.Element(child);
        // In raw view each record's node holds its decoded node.
        if (element && element->Kind() == ELEM_ATTRIBUTE) {
            decoded = m_tree.FirstChild(child);
            element = decoded != kNoNode ? m_tree.Element(decoded) : nullptr;
        }
        if (!element) {
            continue;
        }
        const std::uint32_t kind = element->Kind();
        if (kind == ELEM_PROPERTY_LIST) {
            ReadProperties(decoded, bag, messageGroup ? nullptr : &attachmentData);
        } else if (kind == ELEM_RECIPIENT_TABLE && messageGroup) {
            for (NodeId row = m_tree.FirstChild(decoded); row != kNoNode;
                 row = m_tree.NextSibling(row)) {
                PropertyBag recipient;
                ReadProperties(row, recipient, nullptr);
                m_message.recipients.push_back(std::move(recipient));
            }
        } else if (kind == ELEM_ATTACH_DATA && !messageGroup) {
            attachmentData = attachmentData ? attachmentData : element;
        } else if (IsAttributeKind(kind) && messageGroup) {
            ReadLegacy(static_cast<const AttributeElement&>(*element));
        }
    }
    // Only a contact's picture is worth its bytes here.
    const PropertyReader props(bag, m_message.codePage);
    if (attachmentData && props.Bool(PR_ATTACHMENT_CONTACTPHOTO).value_or(false)) {
        if (auto data = ElementBytes(m_doc, *attachmentData, kMaxPhotoBytes, false)) {
            bag.Set(PR_ATTACH_DATA_BIN, Value::Binary(std::move(*data)));
        }
    }
}

void MessageReader::ReadProperties(NodeId list, PropertyBag& bag, const ElementRef** attachmentData)
{
    for (NodeId node = m_tree.FirstChild(list); node != kNoNode; node = m_tree.NextSibling(node)) {
        const ElementRef* element = m_tree.Element(node);
        if (!element || element->Kind() != ELEM_PROPERTY) {
            continue;
        }
        const auto& property = static_cast<const PropertyElement&>(*element);
        if (attachmentData && PROP_ID(property.m_tag) == PROP_ID(PR_ATTACH_DATA_BIN)) {
            const NodeId value = m_tree.FirstChild(node);
            *attachmentData = value != kNoNode ? m_tree.Element(value) : nullptr;
            continue;
        }
        std::optional<Value> value = ValueOf(property, node);
        if (!value) {
            continue;
        }
        const NamedPropertyIdentity* identity = property.Identity();
        if (!identity) {
            if (!IsNamedPropId(PROP_ID(property.m_tag))) {
                bag.Set(property.m_tag, std::move(*value));
            }
            continue;
        }
        if (!identity->guid) {
            continue;
        }
        std::string name;
        if (identity->kind == MNID_STRING) {
            if (!identity->name) {
                continue;
            }
            name = platform::Utf16ToUtf8(identity->name);
        }
        bag.Set(NamedProperty{platform::GuidFromBytes(identity->guid),
                              identity->kind == MNID_ID ? identity->id : 0, name},
                std::move(*value));
    }
}

std::optional<Value> MessageReader::ValueOf(const PropertyElement& property, NodeId node)
{
    const std::uint32_t type = PROP_TYPE(property.m_tag);
    const NodeId first = m_tree.FirstChild(node);
    const ElementRef* element = first != kNoNode ? m_tree.Element(first) : nullptr;
    if (!element || !IsValueKind(element->Kind())) {
        return std::nullopt;
    }
    if (type == PT_MV_STRING8 || type == PT_MV_UNICODE) {
        std::vector<std::string> strings;
        for (NodeId value = first; value != kNoNode; value = m_tree.NextSibling(value)) {
            const ElementRef* item = m_tree.Element(value);
            auto bytes = item && IsValueKind(item->Kind()) ? Bytes(*item, kMaxTextBytes, true)
                                                           : std::nullopt;
            if (bytes) {
                strings.push_back(type == PT_MV_UNICODE ? Utf16Text(*bytes)
                                                        : std::string(UpToNul(*bytes)));
            }
        }
        return Value::Strings(std::move(strings), type == PT_MV_UNICODE);
    }
    const bool text = type == PT_STRING8 || type == PT_UNICODE;
    const bool blob = type == PT_BINARY || type == PT_CLSID;
    const std::optional<std::string> bytes =
        Bytes(*element, text ? kMaxTextBytes : kMaxBlobBytes, text);
    if (!bytes) {
        return std::nullopt;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
    const std::size_t size = bytes->size();
    switch (type) {
    case PT_I2:
        return size >= 2
                   ? std::optional(Value::Int(static_cast<std::int16_t>(format::LoadLe16(data))))
                   : std::nullopt;
    case PT_LONG:
        return size >= 4
                   ? std::optional(Value::Int(static_cast<std::int32_t>(format::LoadLe32(data))))
                   : std::nullopt;
    case PT_I8:
        return size >= 8
                   ? std::optional(Value::Int(static_cast<std::int64_t>(format::LoadLe64(data))))
                   : std::nullopt;
    case PT_BOOLEAN:
        return size >= 2 ? std::optional(Value::Bool(format::LoadLe16(data) != 0)) : std::nullopt;
    case PT_R4:
        return size >= 4 ? std::optional(Value::Real(std::bit_cast<float>(format::LoadLe32(data))))
                         : std::nullopt;
    case PT_DOUBLE:
        return size >= 8 ? std::optional(Value::Real(std::bit_cast<double>(format::LoadLe64(data))))
                         : std::nullopt;
    case PT_SYSTIME:
        return size >= 8 ? std::optional(Value::Time(format::LoadLe64(data))) : std::nullopt;
    case PT_STRING8:
        return Value::String8(std::string(UpToNul(*bytes)));
    case PT_UNICODE:
        return Value::Unicode(Utf16Text(*bytes));
    default:
        return blob ? std::optional(Value::Binary(*bytes)) : std::nullopt;
    }
}

void MessageReader::ReadLegacy(const AttributeElement& attribute)
{
    const auto text = [&]() -> std::string {
        const auto bytes = Bytes(attribute, kMaxTextBytes, true);
        return bytes ? std::string(UpToNul(*bytes)) : std::string();
    };
    switch (attribute.m_identifier) {
    case attMessageClass:
        m_message.attMessageClass = text();
        break;
    case attDateStart:
        m_message.attDateStart = LegacyDate(attribute);
        break;
    case attDateEnd:
        m_message.attDateEnd = LegacyDate(attribute);
        break;
    default:
        break;
    }
}

// The attributes that stand for properties a message may lack: the legacy subject, body and
// sender ([MS-OXTNEF] 2.1.3.1).
void ReadLegacyProperties(CEnvelonDoc& document, const Tree& tree, const TreeIndex& index,
                          Message& message)
{
    PropertyBag& bag = message.properties;
    const auto attribute = [&](std::uint32_t identifier) -> std::optional<std::string> {
        const NodeId node = index.FindAttributeNode(index.m_messageGroup, identifier);
        const ElementRef* element = node != kNoNode ? tree.Element(node) : nullptr;
        if (!element || !IsAttributeKind(element->Kind())) {
            return std::nullopt;
        }
        return ElementBytes(document, *element, kMaxTextBytes, true);
    };
    for (const auto& [identifier, tag] :
         {std::pair{attSubject, PR_SUBJECT}, std::pair{attBody, PR_BODY}}) {
        if (!bag.Find(tag)) {
            if (const auto bytes = attribute(identifier)) {
                bag.Set(tag, Value::String8(std::string(UpToNul(*bytes))));
            }
        }
    }
    // attFrom: a TRP (trpid, cbgrtrp, cch, cbRgb), the display name in cch bytes and the
    // address in cbRgb bytes, both ending in a zero byte.
    if (bag.Find(PR_SENDER_NAME) || bag.Find(PR_SENT_REPRESENTING_NAME)) {
        return;
    }
    const auto from = attribute(attFrom);
    if (!from || from->size() < 8) {
        return;
    }
    const auto* trp = reinterpret_cast<const std::uint8_t*>(from->data());
    const std::size_t nameSize = format::LoadLe16(trp + 4);
    const std::size_t addressSize = format::LoadLe16(trp + 6);
    if (nameSize > from->size() - 8 || addressSize > from->size() - 8 - nameSize) {
        return;
    }
    const std::string_view name = UpToNul(std::string_view(*from).substr(8, nameSize));
    std::string_view address = UpToNul(std::string_view(*from).substr(8 + nameSize, addressSize));
    if (address.starts_with("SMTP:") || address.starts_with("smtp:")) {
        address.remove_prefix(5);
    }
    if (!name.empty()) {
        bag.Set(PR_SENDER_NAME, Value::String8(std::string(name)));
    }
    if (!address.empty()) {
        bag.Set(PR_SENDER_EMAIL_ADDRESS, Value::String8(std::string(address)));
    }
}

// The text of the RTF or HTML body, for a message without a plain one.
std::optional<std::string> BodyText(CEnvelonDoc& document, const TreeIndex& index,
                                    std::uint32_t codePage)
{
    const MailBody body = index.FindMailBody();
    render::body::MailBodies bodies;
    bodies.messageCodePage = codePage;
    std::string bytes;
    if (body.kind == MailBodyKind::CompressedRtf) {
        std::string path;
        platform::UniqueFd fd;
        if (platform::Failed(platform::CreateUniqueTempFile("tnf", &path, &fd))) {
            return std::nullopt;
        }
        const platform::TempFile inflated(path);
        if (platform::Failed(document.ExtractRtfBody(body.element, path.c_str())) ||
            platform::Failed(platform::ReadWholeFile(fd.Get(), kMaxTextBytes, &bytes))) {
            return std::nullopt;
        }
        bodies.hasRtf = true;
        bodies.shown = render::body::ShownBody::Rtf;
    } else if (body.kind == MailBodyKind::Html) {
        auto html = ElementBytes(document, *body.element, kMaxTextBytes, true);
        if (!html) {
            return std::nullopt;
        }
        bytes = std::move(*html);
        bodies.hasHtml = true;
        bodies.htmlUtf16 =
            PROP_TYPE(static_cast<const ValueElement*>(body.element)->m_tag) == PT_UNICODE;
        bodies.shown = render::body::ShownBody::Html;
    } else {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> span(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             bytes.size());
    (body.kind == MailBodyKind::CompressedRtf ? bodies.rtf : bodies.html) = span;
    return render::body::RenderBody(bodies, render::body::BodyForm::Text);
}

} // namespace

StatusCode ReadDocumentMessage(CEnvelonDoc& document, const Tree& tree, const TreeIndex& index,
                               Message& message, bool bodyText)
{
    if (index.m_messageGroup == kNoNode) {
        return platform::E_FAIL;
    }
    message = Message();
    message.codePage = document.CodePage();
    MessageReader reader(document, tree, message);
    reader.ReadGroup(index.m_messageGroup, message.properties, true);
    for (NodeId group = index.m_firstAttachment; group != kNoNode;
         group = tree.NextSibling(group)) {
        PropertyBag attachment;
        reader.ReadGroup(group, attachment, false);
        if (!attachment.Empty()) {
            message.attachments.push_back(std::move(attachment));
        }
    }
    ReadLegacyProperties(document, tree, index, message);
    if (bodyText && !message.properties.Find(PR_BODY)) {
        message.bodyText = BodyText(document, index, message.codePage);
    }
    return platform::S_OK;
}

bool IsEmbeddedMessage(const ElementRef* element)
{
    return element && element->SupportsAction(ACTION_OPEN_MESSAGE);
}

StatusCode ReadEmbeddedMessage(CEnvelonDoc& document, const ElementRef& element,
                               TagoraHandle dictionary, Message& message, bool bodyText)
{
    if (!IsEmbeddedMessage(&element)) {
        return platform::E_INVALIDARG;
    }
    std::string path;
    StatusCode status = platform::CreateUniqueTempFile("tnf", &path);
    if (platform::Failed(status)) {
        return status;
    }
    // Declared first, so that the embedded document lets go of the file before it goes.
    const platform::TempFile file(path);
    status = document.WriteElementData(&element, path.c_str());
    if (platform::Failed(status)) {
        return status;
    }
    CEnvelonDoc embedded;
    embedded.SetMessageSink(document.Sink());
    if (!embedded.OpenInPlace(path.c_str())) {
        return platform::E_FAIL;
    }
    doc::tree::DocumentTree tree;
    tree.Build(embedded, dictionary);
    return ReadDocumentMessage(embedded, tree.GetTree(), tree.Index(), message, bodyText);
}

} // namespace viewer::items
