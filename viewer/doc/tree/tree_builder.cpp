#include "viewer/doc/tree/tree_builder.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "format/little_endian.h"
#include "platform/format.h"
#include "platform/guid.h"
#include "platform/com.h"
#include "platform/text.h"
#include "viewer/doc/naming/display_text.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element_kinds.h"
#include "viewer/doc/naming/naming.h"

namespace viewer::doc::tree {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using namespace viewer::doc::naming;

using platform::StatusCode;

namespace {

constexpr const char* kMessageGroupCaption = "Message Attributes";
constexpr const char* kAttachmentGroupCaption = "Attachment Attributes";
constexpr const char* kRecipientRowCaption = "Recipient Properties";
constexpr const char* kEmptySubject = "<empty subject>";

// What a node costs beyond its element, for the byte budget: the node record and the
// bookkeeping of its caption and element.
constexpr std::uint64_t kNodeOverhead = 128;

// The walk stopped at a limit.
constexpr StatusCode kStopped = platform::E_ABORT;
// A list item reaches past the end of its attribute: damage, like a failed read.
constexpr StatusCode kBeyondAttribute = platform::E_FAIL;

// Bytes an element holds, for the budget: the object, its name and its buffers.
std::uint64_t HeldBytes(const ElementRef& element)
{
    std::uint64_t bytes = 96 + element.m_name.size();
    const std::uint32_t kind = element.Kind();
    if (IsAttributeKind(kind)) {
        bytes += static_cast<const AttributeElement&>(element).Capacity();
    } else if (IsValueKind(kind)) {
        const auto& value = static_cast<const ValueElement&>(element);
        bytes += (value.Data() ? value.DataLength() : 0) + (value.Iid() ? 16 : 0);
    } else if (kind == ELEM_PROPERTY && static_cast<const PropertyElement&>(element).Identity()) {
        bytes += 64 + 16 + kMaxNamedPropertyNameBytes + 2;
    }
    return bytes;
}

// Where a value's bytes end in the stream (padding not included).
std::uint64_t ValueEnd(const ValueElement& value)
{
    return value.m_position + (value.m_layout == kLayoutFixed ? 0 : 4) + value.m_size;
}

// The image of a value's node by the kind it became.
int ValueImage(std::uint32_t kind)
{
    switch (kind) {
    case ELEM_COMPRESSED_RTF:
        return kImageRtf;
    case ELEM_OLE_OBJECT:
        return kImageOleObject;
    case ELEM_EMBEDDED_MESSAGE:
        return kImageEnvelope;
    default:
        return kImageBinary;
    }
}

class Builder {
public:
    Builder(CEnvelonDoc& document, Tree& tree, TreeIndex& index, TagoraHandle dictionary,
            const TreeLimits& limits, BuildResult& result)
        : m_doc(document), m_tree(tree), m_index(index), m_dictionary(dictionary),
          m_limits(limits), m_result(result), m_raw(document.RawView())
    {
    }

    void Run();

private:
    NodeId Add(NodeId parent, std::string caption, int image, std::unique_ptr<ElementRef> element);
    void AddDecodedNode(NodeId parent, const AttributeElement& record);
    StatusCode AddPropertyNodes(NodeId parent, std::uint32_t count, std::uint64_t end);
    StatusCode AddRecipientRows(NodeId parent, std::uint32_t count, std::uint64_t end);
    void NoteUnnamedIdentifier(const AttributeElement& record);
    void ValueDamage(const PropertyElement& property, std::uint32_t index, std::uint64_t at,
                     std::uint64_t end);
    std::uint64_t Position() const;
    bool PastListEnd(std::uint64_t position, std::uint64_t end, const char* item,
                     std::uint32_t index, std::uint32_t count);
    void Decorate(NodeId root);
    std::uint32_t MessageCodePage() const;
    std::string NameText(const ElementRef* element);
    void DecorateAttachment(NodeId group);

    CEnvelonDoc& m_doc;
    Tree& m_tree;
    TreeIndex& m_index;
    TagoraHandle m_dictionary;
    const TreeLimits& m_limits;
    BuildResult& m_result;
    const bool m_raw;
};

NodeId Builder::Add(NodeId parent, std::string caption, int image,
                    std::unique_ptr<ElementRef> element)
{
    if (m_result.cut) {
        return kNoNode;
    }
    const std::uint64_t cost =
        kNodeOverhead + caption.size() + (element ? HeldBytes(*element) : 0);
    const std::uint64_t left = m_limits.maxBytes - std::min(m_limits.maxBytes, m_result.bytes);
    if (m_result.nodes >= m_limits.maxNodes || cost > left) {
        m_result.cut = true;
        return kNoNode;
    }
    const NodeId node =
        m_tree.Insert(parent, kInsertLast, std::move(caption), image, std::move(element));
    if (node != kNoNode) {
        ++m_result.nodes;
        m_result.bytes += cost;
    }
    return node;
}

void Builder::Run()
{
    const NodeId root =
        Add(kNoNode, CaptionText(m_doc.Title()), kImageEnvelope, CreateElement(ELEM_FOLDER));
    m_result.root = root;
    if (root == kNoNode) {
        return;
    }
    m_tree.Expand(root);
    if (m_doc.PathName().empty()) {
        return;
    }
    auto header = std::make_unique<HeaderElement>();
    if (platform::Failed(m_doc.ReadHeader(header.get()))) {
        m_doc.DescribeMissingHeader(m_result.damage);
        return;
    }
    const bool validSignature = header->IsValid();
    const std::string signature =
        platform::Format("wrong signature %#010X (a TNEF stream starts with %#010X)",
                         header->m_signature, TNEF_SIGNATURE);
    const int headerImage = validSignature ? kImageBinary : kImageCross;
    Add(root, "Header", headerImage, std::move(header));

    auto record = std::make_unique<AttributeElement>(ELEM_ATTRIBUTE);
    const bool readable =
        m_result.cut || platform::Succeeded(m_doc.ReadFirstAttribute(record.get()));
    if (!validSignature) {
        m_result.damage.Problem(0, readable ? signature : signature + " and no attribute record");
        m_result.damage.notTnef = !readable;
    }
    if (!readable && validSignature) {
        m_doc.DescribeRecordEnd(kTnefHeaderSize, m_result.damage);
    } else if (readable && !m_result.cut) {
        NodeId group = Add(root,
                           CEnvelonDoc::StartsAttachment(*record) ? kAttachmentGroupCaption
                                                                  : kMessageGroupCaption,
                           kImageOpenEnvelope, CreateElement(ELEM_FOLDER));
        while (group != kNoNode) {
            NoteUnnamedIdentifier(*record);
            if (m_raw) {
                // The record node takes the walked record; a fresh one reads the next.
                const AttributeElement* walked = record.get();
                const NodeId recordNode = Add(group, AttributeIdentifierName(walked->m_identifier),
                                              kImageRecord, std::move(record));
                record = std::make_unique<AttributeElement>(ELEM_ATTRIBUTE);
                if (recordNode == kNoNode) {
                    break;
                }
                AddDecodedNode(recordNode, *walked);
            } else {
                AddDecodedNode(group, *record);
                record->Reset();
            }
            if (m_result.cut) {
                break;
            }
            if (platform::Failed(m_doc.ReadNextAttribute(record.get()))) {
                m_doc.DescribeRecordEnd(record->m_position, m_result.damage);
                break;
            }
            if (CEnvelonDoc::StartsAttachment(*record)) {
                group = Add(root, kAttachmentGroupCaption, kImagePaperClip,
                            CreateElement(ELEM_FOLDER));
            }
        }
    }
    Decorate(root);
    m_result.decorated = true;
    if (m_result.cut) {
        m_tree.Insert(root, kInsertLast, kTreeCutCaption, kImageCross, CreateElement(ELEM_FOLDER));
    }
}

void Builder::AddDecodedNode(NodeId parent, const AttributeElement& record)
{
    const std::uint32_t identifier = record.m_identifier;
    const std::uint32_t kind = DecodedKind(record);
    if (kind == 0) {
        return;
    }
    const std::string caption = AttributeDisplayCaption(identifier);
    if (kind == ELEM_PROPERTY_LIST || kind == ELEM_RECIPIENT_TABLE) {
        auto list = std::make_unique<ListElement>(kind);
        if (platform::Failed(m_doc.ReadPropertyListHeader(&record, list.get()))) {
            return;
        }
        const std::uint32_t count = list->m_count;
        const NodeId node = Add(parent, caption,
                                kind == ELEM_RECIPIENT_TABLE ? kImagePeople : kImageList,
                                std::move(list));
        if (node == kNoNode) {
            return;
        }
        const std::uint64_t end = record.m_position + kAttributeDataOffset + record.m_length;
        if (record.m_length < 4) {
            // Its count was read from the bytes after it: no item of it is there to walk.
            m_result.damage.Problem(record.m_position + kAttributeDataOffset,
                                    platform::Format("the %s list holds %u bytes, too few for "
                                                     "its count",
                                                     caption.c_str(), record.m_length));
        } else if (kind == ELEM_RECIPIENT_TABLE) {
            AddRecipientRows(node, count, end);
        } else {
            AddPropertyNodes(node, count, end);
        }
        // A damaged list (a failed read, an item reaching beyond the attribute) keeps the
        // nodes read so far; the walk goes on at the next record, whose place the record's
        // own length gives, so that damage inside one list does not hide the attachments.
        if (!m_result.cut) {
            static_cast<void>(m_doc.SkipAttribute(&record));
        }
        return;
    }
    auto element = std::make_unique<AttributeElement>(kind);
    if (platform::Failed(m_doc.ReadAttributeAt(&record, element.get()))) {
        return;
    }
    if (IsTextAttribute(identifier)) {
        element->m_textEncoding = TEXT_ANSI;
        element->SetCurrentView(VIEW_TEXT);
    }
    const int image =
        m_raw ? kImageBinary : (IsDateAttribute(identifier) ? kImageCalendar : kImageRecord);
    Add(parent, caption, image, std::move(element));
}

StatusCode Builder::AddPropertyNodes(NodeId parent, std::uint32_t count, std::uint64_t end)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t at = Position();
        if (PastListEnd(at, end, "property", i, count)) {
            return kBeyondAttribute;
        }
        auto property = std::make_unique<PropertyElement>();
        if (const StatusCode status = m_doc.ReadProperty(property.get()); platform::Failed(status)) {
            m_result.damage.Problem(at, platform::Format("property %u of %u cannot be read (a "
                                                         "damaged tag or name)",
                                                         i + 1, count));
            return status;
        }
        const PropertyElement* read = property.get();
        const NodeId node =
            Add(parent, PropertyCaption(m_dictionary, read->m_tag), kImageTag, std::move(property));
        if (node == kNoNode) {
            return kStopped;
        }
        const std::uint32_t type = PROP_TYPE(read->m_tag);
        for (std::uint32_t j = 0; j < read->m_valueCount; ++j) {
            const std::uint64_t valueAt = Position();
            auto value = std::make_unique<ValueElement>(ELEM_VALUE);
            const StatusCode status = m_doc.ReadValue(read, value.get());
            if (platform::Failed(status) || ValueEnd(*value) > end) {
                ValueDamage(*read, j, valueAt, end);
                return platform::Failed(status) ? status : kBeyondAttribute;
            }
            if (type == PT_STRING8) {
                value->m_textEncoding = TEXT_ANSI;
                value->SetCurrentView(VIEW_TEXT);
            } else if (type == PT_UNICODE) {
                value->m_textEncoding = TEXT_UNICODE;
                value->SetCurrentView(VIEW_TEXT);
            }
            const std::uint32_t kind = ValueKind(*value);
            const int image = ValueImage(kind);
            std::unique_ptr<ElementRef> element;
            if (kind == ELEM_VALUE) {
                element = std::move(value);
            } else {
                auto special = std::make_unique<ValueElement>(kind);
                special->TakeOver(*value);
                element = std::move(special);
            }
            if (Add(node, platform::Format("%d. Value", static_cast<int>(j)), image,
                    std::move(element)) == kNoNode) {
                return kStopped;
            }
        }
    }
    return platform::S_OK;
}

StatusCode Builder::AddRecipientRows(NodeId parent, std::uint32_t count, std::uint64_t end)
{
    for (std::uint32_t r = 0; r < count; ++r) {
        if (PastListEnd(Position(), end, "recipient row", r, count)) {
            return kBeyondAttribute;
        }
        auto row = std::make_unique<ListElement>(ELEM_PROPERTY_LIST);
        if (const StatusCode status = m_doc.ReadRowHeader(row.get()); platform::Failed(status)) {
            return status;
        }
        const std::uint32_t properties = row->m_count;
        const NodeId node = Add(parent, kRecipientRowCaption, kImagePerson, std::move(row));
        if (node == kNoNode) {
            return kStopped;
        }
        if (const StatusCode status = AddPropertyNodes(node, properties, end);
            platform::Failed(status)) {
            return status;
        }
    }
    return platform::S_OK;
}

void Builder::NoteUnnamedIdentifier(const AttributeElement& record)
{
    if (AttributeIdentifierName(record.m_identifier).empty()) {
        m_result.damage.Note(record.m_position,
                             platform::Format("attribute %#010X is named by no table",
                                              record.m_identifier));
    }
}

// Why value `index` of `property`, at `at`, could not be read or reaches past `end`: a type no
// table names is a note (its size is unknown, so the list cannot go on), a size beyond the
// attribute a problem, and so is anything else.
void Builder::ValueDamage(const PropertyElement& property, std::uint32_t index, std::uint64_t at,
                          std::uint64_t end)
{
    const std::string name = PropertyCaption(m_dictionary, property.m_tag);
    const std::uint32_t type = PROP_TYPE(property.m_tag);
    std::uint32_t size = 0;
    if (property.m_layout == kLayoutFixed) {
        if (platform::Failed(CEnvelonDoc::FixedValueSize(type, &size))) {
            m_result.damage.Note(at, platform::Format("%s has a type no table names (%#06X): the "
                                                      "rest of its list is not read",
                                                      name.c_str(), type));
            return;
        }
    } else {
        std::uint8_t field[4] = {};
        std::uint32_t got = 0;
        platform::IStream* stream = m_doc.Stream();
        if (!stream ||
            platform::Failed(stream->Seek(static_cast<std::int64_t>(at), platform::STREAM_SEEK_SET,
                                          nullptr)) ||
            platform::Failed(stream->Read(field, sizeof field, &got)) || got != sizeof field) {
            size = UINT32_MAX;
        } else {
            size = format::LoadLe32(field);
        }
    }
    const std::uint64_t fieldBytes = property.m_layout == kLayoutFixed ? 0 : 4;
    if (at <= end && end - at >= fieldBytes && size <= end - at - fieldBytes) {
        m_result.damage.Problem(at, platform::Format("value %u of %s cannot be read", index + 1,
                                                     name.c_str()));
        return;
    }
    m_result.damage.Problem(at, platform::Format("value %u of %s (%u bytes) reaches past the end "
                                                 "of its attribute at %llu",
                                                 index + 1, name.c_str(), size,
                                                 static_cast<unsigned long long>(end)));
}

// The document's stream position: where the next list item starts.
std::uint64_t Builder::Position() const
{
    std::uint64_t position = 0;
    platform::IStream* stream = m_doc.Stream();
    if (!stream || platform::Failed(stream->Seek(0, platform::STREAM_SEEK_CUR, &position))) {
        return UINT64_MAX;
    }
    return position;
}

// Whether item `index` of a list of `count`, starting at `position`, would begin past the end
// of its attribute (a count larger than the list): damage, reported here.
bool Builder::PastListEnd(std::uint64_t position, std::uint64_t end, const char* item,
                          std::uint32_t index, std::uint32_t count)
{
    if (position != UINT64_MAX && position <= end && end - position >= 4) {
        return false;
    }
    m_result.damage.Problem(position == UINT64_MAX ? end : position,
                            platform::Format("list cut short: it counts %u items, %s %u would "
                                             "begin past the end of its attribute at %llu",
                                             count, item, index + 1,
                                             static_cast<unsigned long long>(end)));
    return true;
}

std::uint32_t Builder::MessageCodePage() const
{
    for (std::uint32_t tag : {PR_MESSAGE_CODEPAGE, PR_INTERNET_CPID}) {
        const NodeId node = m_index.FindValueNode(m_index.m_messageProperties, tag);
        const ElementRef* element = node != kNoNode ? m_tree.Element(node) : nullptr;
        if (element && element->Kind() == ELEM_VALUE) {
            const auto* value = static_cast<const ValueElement*>(element);
            if (value->Data() && value->DataLength() >= 4) {
                return format::LoadLe32(value->Data());
            }
        }
    }
    const NodeId node = m_index.FindAttributeNode(m_index.m_messageGroup, attOemCodepage);
    const ElementRef* element = node != kNoNode ? m_tree.Element(node) : nullptr;
    if (element && element->Kind() == ELEM_ATTRIBUTE_DATA) {
        const auto* attribute = static_cast<const AttributeElement*>(element);
        if (attribute->Buffer() && attribute->KeptLength() >= 4) {
            return format::LoadLe32(attribute->Buffer());
        }
    }
    return platform::kDefaultCodePage;
}

void Builder::Decorate(NodeId root)
{
    m_index.Reset(&m_tree, m_raw, m_dictionary);
    TreeIndex& index = m_index;
    index.m_messageGroup = index.FindNode(root, kMessageGroupCaption);
    index.m_firstAttachment = index.FindNode(root, kAttachmentGroupCaption);
    index.m_messageProperties = index.FindAttributeNode(index.m_messageGroup, attMAPIProps);
    const NodeId table = index.FindAttributeNode(index.m_messageGroup, attRecipTable);
    index.m_firstRecipient = table != kNoNode ? m_tree.FirstChild(table) : kNoNode;
    m_doc.SetCodePage(MessageCodePage());
    const std::uint32_t codePage = m_doc.CodePage();

    if (const NodeId group = index.m_messageGroup; group != kNoNode) {
        if (const NodeId body = index.FindMailBodyNode(); body != kNoNode) {
            LinkNodeElement(m_tree, body, group);
        }
        NodeId subject = index.FindAttributeNode(group, attSubject);
        if (subject == kNoNode) {
            subject = index.FindValueNode(index.m_messageProperties, PR_SUBJECT);
        }
        if (subject != kNoNode) {
            const std::string text = ElementText(m_tree.Element(subject), codePage);
            m_tree.SetCaption(group, text.empty() ? kEmptySubject : CaptionText(text));
        }
        m_tree.Select(group);
    }
    for (NodeId group = index.m_firstAttachment; group != kNoNode;
         group = m_tree.NextSibling(group)) {
        DecorateAttachment(group);
    }
    for (NodeId row = index.m_firstRecipient; row != kNoNode; row = m_tree.NextSibling(row)) {
        const NodeId name = index.FindValueNode(row, PR_DISPLAY_NAME);
        const ElementRef* element = name != kNoNode ? m_tree.Element(name) : nullptr;
        if (element && element->Kind() == ELEM_VALUE) {
            const std::string text = ElementText(element, codePage);
            if (!text.empty()) {
                m_tree.SetCaption(row, CaptionText(text));
            }
        }
    }
}

void Builder::DecorateAttachment(NodeId group)
{
    const TreeIndex& index = m_index;
    const NodeId properties = index.FindAttributeNode(group, attAttachment);

    std::uint32_t method = ATTACH_BY_VALUE;
    const NodeId methodNode = index.FindValueNode(properties, PR_ATTACH_METHOD);
    const ElementRef* methodElement = methodNode != kNoNode ? m_tree.Element(methodNode) : nullptr;
    if (methodElement && methodElement->Kind() == ELEM_VALUE) {
        const auto* value = static_cast<const ValueElement*>(methodElement);
        if (value->m_size == 4 && value->Data() && value->DataLength() == 4) {
            method = format::LoadLe32(value->Data());
        }
    }

    const bool byObject = method == ATTACH_EMBEDDED_MSG || method == ATTACH_OLE;
    NodeId data = index.FindValueNode(properties, byObject ? PR_ATTACH_DATA_OBJ : PR_ATTACH_DATA_BIN);
    if (data == kNoNode) {
        data = index.FindAttributeNode(group, attAttachData);
    }

    if (method == ATTACH_EMBEDDED_MSG) {
        m_tree.SetImage(group, kImageEnvelope);
        m_tree.SetCaption(group, "Mail Attachment");
    } else if (method == ATTACH_OLE) {
        m_tree.SetImage(group, kImageOleObject);
        m_tree.SetCaption(group, "OLE Object Attachment");
    } else {
        NodeId nameNode = index.FindValueNode(properties, PR_ATTACH_LONG_FILENAME);
        if (nameNode == kNoNode) {
            nameNode = index.FindValueNode(properties, PR_ATTACH_FILENAME);
        }
        if (nameNode == kNoNode) {
            nameNode = index.FindAttributeNode(group, attAttachTitle);
        }
        const std::string name = nameNode != kNoNode ? NameText(m_tree.Element(nameNode)) : "";
        if (!name.empty()) {
            m_tree.SetCaption(group, CaptionText(name));
            if (ElementRef* element = data != kNoNode ? m_tree.Element(data) : nullptr) {
                element->m_name = name;
            }
        }
    }
    if (data != kNoNode) {
        LinkNodeElement(m_tree, data, group);
    }
}

// An attachment's name as ElementText gives it, but whole where the element keeps only part of
// it (a value over kMaxKeptValueBytes keeps nothing, an attribute its first bytes): up to
// kNamePart bytes of its start and of its end are read from the stream, so that a long name
// keeps its extension.
std::string Builder::NameText(const ElementRef* element)
{
    std::string text = ElementText(element, m_doc.CodePage());
    std::uint64_t offset = 0;
    std::uint32_t count = 0;
    if (!element || platform::Failed(m_doc.GetElementRange(element, &offset, &count))) {
        return text;
    }
    std::uint32_t kept = 0;
    if (element->Kind() == ELEM_ATTRIBUTE_DATA) {
        kept = static_cast<const AttributeElement*>(element)->KeptLength();
    } else if (element->Kind() == ELEM_VALUE) {
        const auto* value = static_cast<const ValueElement*>(element);
        kept = value->Data() ? value->DataLength() : 0;
    } else {
        return text;
    }
    if (count <= kept) {
        return text;
    }
    // Even sizes and an even start keep UTF-16 names whole.
    constexpr std::uint32_t kNamePart = 2048;
    const std::uint32_t head = std::min(count, kNamePart);
    const std::uint32_t tail = count - head <= kNamePart ? (count - head) & ~1u : kNamePart;
    std::vector<std::uint8_t> bytes(head + tail);
    platform::IStream* stream = m_doc.Stream();
    const auto readAt = [stream](std::uint64_t at, std::uint8_t* into, std::uint32_t size) {
        std::uint32_t got = 0;
        return stream &&
               platform::Succeeded(stream->Seek(static_cast<std::int64_t>(at),
                                                platform::STREAM_SEEK_SET, nullptr)) &&
               platform::Succeeded(stream->Read(into, size, &got)) && got == size;
    };
    if (!readAt(offset, bytes.data(), head) ||
        !readAt(offset + ((count - tail) & ~1u), bytes.data() + head, tail)) {
        return text;
    }
    if (element->Kind() == ELEM_ATTRIBUTE_DATA) {
        const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return platform::DecodeCodePage(data.substr(0, data.find('\0')), m_doc.CodePage());
    }
    const auto* value = static_cast<const ValueElement*>(element);
    std::string whole =
        FormatValueText(value->m_tag, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    if ((PROP_TYPE(value->m_tag) & ~MV_FLAG) == PT_STRING8) {
        return platform::DecodeCodePage(whole, m_doc.CodePage());
    }
    return whole;
}

} // namespace

void LinkNodeElement(Tree& tree, NodeId source, NodeId target)
{
    const ElementRef* element = tree.Element(source);
    if (!element) {
        tree.SetElement(target, nullptr);
        return;
    }
    std::unique_ptr<ElementRef> copy = CreateElement(element->Kind());
    if (copy && element->CopyTo(copy.get())) {
        tree.SetElement(target, std::move(copy));
    }
}

std::string ElementText(const ElementRef* element, std::uint32_t codePage)
{
    if (!element) {
        return {};
    }
    if (element->Kind() == ELEM_ATTRIBUTE_DATA) {
        const auto* attribute = static_cast<const AttributeElement*>(element);
        const auto* bytes = reinterpret_cast<const char*>(attribute->Buffer());
        if (!bytes) {
            return {};
        }
        const std::string_view data(bytes, attribute->KeptLength());
        return platform::DecodeCodePage(data.substr(0, data.find('\0')), codePage);
    }
    if (element->Kind() == ELEM_VALUE) {
        const auto* value = static_cast<const ValueElement*>(element);
        const std::uint32_t length = value->Data() ? value->DataLength() : 0;
        std::string text = FormatValueText(value->m_tag, value->Data(), length);
        if ((PROP_TYPE(value->m_tag) & ~MV_FLAG) == PT_STRING8) {
            return platform::DecodeCodePage(text, codePage);
        }
        return text;
    }
    return {};
}

BuildResult BuildDocumentTree(CEnvelonDoc& document, Tree& tree, TreeIndex& index,
                              TagoraHandle dictionary, const TreeLimits& limits)
{
    BuildResult result;
    index.Reset(&tree, document.RawView(), dictionary);
    Builder(document, tree, index, dictionary, limits, result).Run();
    return result;
}

} // namespace viewer::doc::tree
