#include "viewer/doc/model/element.h"

#include <cstring>
#include <iterator>

#include "viewer/rtf/chain_alloc.h"

namespace viewer::doc::model {

namespace {

constexpr std::uint32_t Bit(std::uint32_t n) { return 1u << n; }

// What each kind is made with and what it allows: default view, the view kinds and the
// action kinds as bit sets. ELEM_ATTACH_DATA and ELEM_ATTACH_DATA_BIN also allow
// ACTION_OPEN_FILE while they carry a file name (see SupportsAction).
struct KindTraits {
    const char* name;
    std::uint32_t defaultView;
    std::uint32_t views;
    std::uint32_t actions;
};

constexpr std::uint32_t kDetails = Bit(VIEW_DETAILS);
constexpr std::uint32_t kHexText = Bit(VIEW_HEX) | Bit(VIEW_TEXT);

constexpr KindTraits kKinds[] = {
    {"", 0, 0, 0},
    {"ELEM_HEADER", VIEW_DETAILS, kDetails, Bit(ACTION_SAVE_DATA)},
    {"ELEM_ATTRIBUTE", VIEW_DETAILS, kDetails, Bit(ACTION_CHECKSUM) | Bit(ACTION_SAVE_DATA)},
    {"ELEM_ATTRIBUTE_DATA", VIEW_HEX, kDetails | kHexText, Bit(ACTION_SAVE_DATA)},
    {"ELEM_DATE", VIEW_DATE, kDetails | Bit(VIEW_DATE) | kHexText, Bit(ACTION_SAVE_DATA)},
    {"ELEM_RENDERING", VIEW_DETAILS, kDetails | kHexText, Bit(ACTION_SAVE_DATA)},
    {"ELEM_RECIPIENT_TABLE", VIEW_DETAILS, kDetails, 0},
    {"ELEM_PROPERTY_LIST", VIEW_DETAILS, kDetails, 0},
    {"ELEM_PROPERTY", VIEW_DETAILS, kDetails, 0},
    {"ELEM_VALUE", VIEW_HEX, kDetails | kHexText, Bit(ACTION_SAVE_DATA)},
    {"ELEM_OLE_OBJECT", VIEW_OLE, kDetails | Bit(VIEW_OLE) | kHexText,
     Bit(ACTION_OPEN_OBJECT) | Bit(ACTION_SAVE_DATA)},
    {"ELEM_EMBEDDED_MESSAGE", VIEW_HEX, kDetails | kHexText,
     Bit(ACTION_OPEN_MESSAGE) | Bit(ACTION_SAVE_DATA)},
    {"ELEM_COMPRESSED_RTF", VIEW_RTF, kDetails | kHexText | Bit(VIEW_RTF),
     Bit(ACTION_SAVE_DATA) | Bit(ACTION_SAVE_BODY)},
    {"ELEM_METAFILE", VIEW_METAFILE, kDetails | Bit(VIEW_METAFILE) | kHexText,
     Bit(ACTION_SAVE_DATA)},
    {"ELEM_FOLDER", VIEW_DETAILS, kDetails, 0},
    {"", 0, 0, 0},
    {"ELEM_HTML_BODY", VIEW_HTML, kDetails | kHexText | Bit(VIEW_HTML), Bit(ACTION_SAVE_DATA)},
    {"ELEM_ATTACH_DATA", VIEW_HEX, kDetails | kHexText, Bit(ACTION_SAVE_DATA)},
    {"ELEM_ATTACH_DATA_BIN", VIEW_HEX, kDetails | kHexText, Bit(ACTION_SAVE_DATA)},
};

const KindTraits& TraitsOf(std::uint32_t kind)
{
    return kind < std::size(kKinds) ? kKinds[kind] : kKinds[0];
}

std::uint32_t BufferSizeOf(std::uint32_t kind)
{
    switch (kind) {
    case ELEM_DATE:
    case ELEM_RENDERING:
        return kShortAttributeBufferSize;
    case ELEM_ATTRIBUTE_DATA:
    case ELEM_METAFILE:
    case ELEM_ATTACH_DATA:
        return kAttributeBufferSize;
    default:
        return 0;
    }
}

// The target of a CopyTo as the source's own class, or null when it is missing or of
// another kind; a refused copy never touches the target.
template <typename T>
T* SameKind(const ElementRef& source, ElementRef* target)
{
    if (!target || target->Kind() != source.Kind()) {
        return nullptr;
    }
    return dynamic_cast<T*>(target);
}

std::size_t NameUnits(const char16_t* name)
{
    std::size_t n = 0;
    while (name[n] != 0) {
        ++n;
    }
    return n;
}

} // namespace

bool IsAttributeKind(std::uint32_t kind)
{
    switch (kind) {
    case ELEM_ATTRIBUTE:
    case ELEM_ATTRIBUTE_DATA:
    case ELEM_DATE:
    case ELEM_RENDERING:
    case ELEM_METAFILE:
    case ELEM_ATTACH_DATA:
        return true;
    default:
        return false;
    }
}

bool IsValueKind(std::uint32_t kind)
{
    switch (kind) {
    case ELEM_VALUE:
    case ELEM_OLE_OBJECT:
    case ELEM_EMBEDDED_MESSAGE:
    case ELEM_COMPRESSED_RTF:
    case ELEM_HTML_BODY:
    case ELEM_ATTACH_DATA_BIN:
        return true;
    default:
        return false;
    }
}

const char* ElementKindName(std::uint32_t kind) { return TraitsOf(kind).name; }

std::uint32_t DefaultViewOf(std::uint32_t kind) { return TraitsOf(kind).defaultView; }

void ChainDeleter::operator()(void* root) const
{
    if (root) {
        static_cast<void>(rtf::ChainFreeBuffer(root));
    }
}

ChainPtr<std::uint8_t> CopyToChain(const void* bytes, std::uint32_t size)
{
    void* block = nullptr;
    if (!bytes || size == 0 || platform::Failed(rtf::ChainAllocBuffer(size, &block))) {
        return nullptr;
    }
    std::memcpy(block, bytes, size);
    return ChainPtr<std::uint8_t>(static_cast<std::uint8_t*>(block));
}

// ---- ElementRef -----------------------------------------------------------------------

ElementRef::ElementRef(std::uint32_t kind) : m_kind(kind), m_currentView(DefaultViewOf(kind)) {}

ElementRef::~ElementRef() = default;

bool ElementRef::CopyTo(ElementRef* target) const
{
    if (!target || target->Kind() != m_kind) {
        return false;
    }
    CopyBaseTo(*target);
    return true;
}

void ElementRef::CopyBaseTo(ElementRef& target) const
{
    target.m_currentView = m_currentView;
    target.m_textEncoding = m_textEncoding;
    target.m_name = m_name;
}

bool ElementRef::SupportsView(std::uint32_t view) const
{
    return view < 32 && (TraitsOf(m_kind).views & Bit(view)) != 0;
}

bool ElementRef::SupportsAction(std::uint32_t action) const
{
    if (action == ACTION_OPEN_FILE && (m_kind == ELEM_ATTACH_DATA || m_kind == ELEM_ATTACH_DATA_BIN)) {
        return !m_name.empty();
    }
    return action < 32 && (TraitsOf(m_kind).actions & Bit(action)) != 0;
}

bool ElementRef::SetCurrentView(std::uint32_t view)
{
    if (!SupportsView(view)) {
        return false;
    }
    m_currentView = view;
    return true;
}

// ---- HeaderElement ----------------------------------------------------------------------

HeaderElement::HeaderElement() : ElementRef(ELEM_HEADER) {}

void HeaderElement::Reset()
{
    m_signature = TNEF_SIGNATURE;
    m_key = 0;
}

bool HeaderElement::CopyTo(ElementRef* target) const
{
    auto* header = SameKind<HeaderElement>(*this, target);
    if (!header) {
        return false;
    }
    header->Reset();
    CopyBaseTo(*header);
    header->m_signature = m_signature;
    header->m_key = m_key;
    return true;
}

// ---- AttributeElement -----------------------------------------------------------------

AttributeElement::AttributeElement(std::uint32_t kind) : ElementRef(kind)
{
    ReplaceBuffer(IsAttributeKind(kind) ? BufferSizeOf(kind) : 0);
}

void AttributeElement::ReplaceBuffer(std::uint32_t capacity)
{
    m_buffer.reset();
    m_capacity = 0;
    if (capacity > 0) {
        m_buffer = std::make_unique<std::uint8_t[]>(capacity); // zero-filled
        m_capacity = capacity;
    }
}

std::uint32_t AttributeElement::KeptLength() const
{
    if (!m_buffer) {
        return 0;
    }
    return m_length < m_capacity ? m_length : m_capacity;
}

void AttributeElement::Reset()
{
    m_position = 0;
    m_level = 0;
    m_identifier = 0;
    m_length = 0;
    m_checksum = 0;
    if (m_buffer && m_capacity > 0) {
        std::memset(m_buffer.get(), 0, m_capacity);
    } else {
        ReplaceBuffer(0);
    }
}

bool AttributeElement::CopyTo(ElementRef* target) const
{
    auto* attribute = SameKind<AttributeElement>(*this, target);
    if (!attribute) {
        return false;
    }
    // A metafile copy gets a buffer sized to the metafile itself. The walk makes metafile
    // elements only up to kMaxMetafileLength bytes; a longer length (possible only for an
    // element filled by hand) gets no buffer rather than an allocation of its size.
    if (Kind() == ELEM_METAFILE && attribute->m_length != m_length) {
        attribute->ReplaceBuffer(m_length <= kMaxMetafileLength ? m_length : 0);
    }
    attribute->Reset();
    CopyBaseTo(*attribute);
    attribute->m_position = m_position;
    attribute->m_level = m_level;
    attribute->m_identifier = m_identifier;
    attribute->m_length = m_length;
    attribute->m_checksum = m_checksum;
    if (m_buffer && attribute->m_buffer && m_capacity == attribute->m_capacity) {
        std::memcpy(attribute->m_buffer.get(), m_buffer.get(), m_capacity);
    }
    return true;
}

// ---- ListElement ------------------------------------------------------------------------

ListElement::ListElement(std::uint32_t kind) : ElementRef(kind) {}

void ListElement::Reset()
{
    m_position = 0;
    m_count = 0;
}

bool ListElement::CopyTo(ElementRef* target) const
{
    auto* list = SameKind<ListElement>(*this, target);
    if (!list) {
        return false;
    }
    CopyBaseTo(*list);
    list->m_position = m_position;
    list->m_count = m_count;
    return true;
}

// ---- PropertyElement ---------------------------------------------------------------------

PropertyElement::PropertyElement() : ElementRef(ELEM_PROPERTY) {}

void PropertyElement::Reset()
{
    m_identity.reset();
    m_position = 0;
    m_tag = 0;
    m_valueCount = 0;
    m_layout = 0;
}

bool PropertyElement::CopyTo(ElementRef* target) const
{
    auto* property = SameKind<PropertyElement>(*this, target);
    if (!property) {
        return false;
    }
    property->Reset();
    CopyBaseTo(*property);
    if (m_identity) {
        // One root holding the record, the GUID right after it and the name after that.
        const bool hasName = m_identity->kind == MNID_STRING && m_identity->name;
        const std::size_t nameBytes = hasName ? (NameUnits(m_identity->name) + 1) * 2 : 0;
        const std::size_t total = sizeof(NamedPropertyIdentity) + kValueIidBytes + nameBytes;
        void* block = nullptr;
        if (total <= UINT32_MAX && platform::Succeeded(rtf::ChainAllocBuffer(static_cast<std::uint32_t>(total), &block))) {
            std::memset(block, 0, total);
            auto* identity = static_cast<NamedPropertyIdentity*>(block);
            auto* bytes = static_cast<std::uint8_t*>(block);
            identity->guid = bytes + sizeof(NamedPropertyIdentity);
            if (m_identity->guid) {
                std::memcpy(identity->guid, m_identity->guid, kValueIidBytes);
            }
            identity->kind = m_identity->kind;
            identity->id = m_identity->id;
            if (hasName) {
                identity->name = reinterpret_cast<char16_t*>(identity->guid + kValueIidBytes);
                std::memcpy(identity->name, m_identity->name, nameBytes);
            }
            property->m_identity.reset(identity);
        }
    }
    property->m_position = m_position;
    property->m_tag = m_tag;
    property->m_valueCount = m_valueCount;
    property->m_layout = m_layout;
    return true;
}

// ---- ValueElement -------------------------------------------------------------------------

ValueElement::ValueElement(std::uint32_t kind) : ElementRef(kind) {}

void ValueElement::Reset()
{
    m_iid.reset();
    m_data.reset();
    m_position = 0;
    m_tag = 0;
    m_layout = 0;
    m_size = 0;
}

std::uint32_t ValueElement::DataLength() const
{
    if (m_layout == kLayoutObject) {
        return m_size >= kValueIidBytes ? m_size - kValueIidBytes : 0;
    }
    return m_size;
}

void ValueElement::TakeOver(ValueElement& source)
{
    if (&source == this) {
        return;
    }
    Reset();
    m_position = source.m_position;
    m_tag = source.m_tag;
    m_layout = source.m_layout;
    m_size = source.m_size;
    m_iid = std::move(source.m_iid);
    m_data = std::move(source.m_data);
    source.Reset();
}

bool ValueElement::CopyTo(ElementRef* target) const
{
    auto* value = SameKind<ValueElement>(*this, target);
    if (!value) {
        return false;
    }
    value->Reset();
    CopyBaseTo(*value);
    if (m_iid) {
        value->m_iid = CopyToChain(m_iid.get(), kValueIidBytes);
    }
    const std::uint32_t length = DataLength();
    if (m_data && length >= 1 && length <= kMaxKeptValueBytes) {
        value->m_data = CopyToChain(m_data.get(), length);
    }
    value->m_position = m_position;
    value->m_tag = m_tag;
    value->m_layout = m_layout;
    value->m_size = m_size;
    return true;
}

// ---- Factory ------------------------------------------------------------------------------

std::unique_ptr<ElementRef> CreateElement(std::uint32_t kind)
{
    if (kind == ELEM_HEADER) {
        return std::make_unique<HeaderElement>();
    }
    if (IsAttributeKind(kind)) {
        return std::make_unique<AttributeElement>(kind);
    }
    if (kind == ELEM_RECIPIENT_TABLE || kind == ELEM_PROPERTY_LIST) {
        return std::make_unique<ListElement>(kind);
    }
    if (kind == ELEM_PROPERTY) {
        return std::make_unique<PropertyElement>();
    }
    if (IsValueKind(kind)) {
        return std::make_unique<ValueElement>(kind);
    }
    if (kind == ELEM_FOLDER) {
        return std::make_unique<FolderElement>();
    }
    return nullptr;
}

} // namespace viewer::doc::model
