// The elements a tree node designates and a right-pane view shows. Each element names one
// piece of the TNEF stream (the header, an attribute record, a property list, a property,
// a value) and keeps only the fields read from it plus at most a small data buffer; views
// go back to the document for the full bytes. A tree node owns its element; views and
// commands only point at it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "format/mapi.h"
#include "format/tnef.h"

namespace viewer::doc::model {

// The stream's published names read unqualified, as in the format documents.
using namespace ::format;

// ---- Element kinds (15 is never made) --------------------------------------------------

inline constexpr std::uint32_t ELEM_HEADER = 1;
inline constexpr std::uint32_t ELEM_ATTRIBUTE = 2;
inline constexpr std::uint32_t ELEM_ATTRIBUTE_DATA = 3;
inline constexpr std::uint32_t ELEM_DATE = 4;
inline constexpr std::uint32_t ELEM_RENDERING = 5;
inline constexpr std::uint32_t ELEM_RECIPIENT_TABLE = 6;
inline constexpr std::uint32_t ELEM_PROPERTY_LIST = 7;
inline constexpr std::uint32_t ELEM_PROPERTY = 8;
inline constexpr std::uint32_t ELEM_VALUE = 9;
inline constexpr std::uint32_t ELEM_OLE_OBJECT = 10;
inline constexpr std::uint32_t ELEM_EMBEDDED_MESSAGE = 11;
inline constexpr std::uint32_t ELEM_COMPRESSED_RTF = 12;
inline constexpr std::uint32_t ELEM_METAFILE = 13;
inline constexpr std::uint32_t ELEM_FOLDER = 14;
inline constexpr std::uint32_t ELEM_HTML_BODY = 16;
inline constexpr std::uint32_t ELEM_ATTACH_DATA = 17;
inline constexpr std::uint32_t ELEM_ATTACH_DATA_BIN = 18;

// ---- View kinds: one per right-pane view class -----------------------------------------

inline constexpr std::uint32_t VIEW_DETAILS = 1;
inline constexpr std::uint32_t VIEW_DATE = 2;
inline constexpr std::uint32_t VIEW_OLE = 3;
inline constexpr std::uint32_t VIEW_METAFILE = 4;
inline constexpr std::uint32_t VIEW_HEX = 5;
inline constexpr std::uint32_t VIEW_TEXT = 6;
inline constexpr std::uint32_t VIEW_RTF = 7;
inline constexpr std::uint32_t VIEW_HTML = 8;

// ---- Action kinds: the commands an element may allow ----------------------------------

inline constexpr std::uint32_t ACTION_CHECKSUM = 0;
inline constexpr std::uint32_t ACTION_OPEN_MESSAGE = 1;
inline constexpr std::uint32_t ACTION_OPEN_OBJECT = 2;
inline constexpr std::uint32_t ACTION_OPEN_FILE = 3;
inline constexpr std::uint32_t ACTION_SAVE_DATA = 4;
inline constexpr std::uint32_t ACTION_SAVE_BODY = 5;

// ---- Text encodings of an element's data -----------------------------------------------

inline constexpr std::uint32_t TEXT_ANSI = 0;    // 8-bit text in the message's code page
inline constexpr std::uint32_t TEXT_UNICODE = 1; // UTF-16LE text
inline constexpr std::uint32_t TEXT_NONE = 2;    // not text

// Data buffer sizes the attribute kinds are made with.
inline constexpr std::uint32_t kAttributeBufferSize = 1024; // ATTRIBUTE_DATA, METAFILE, ATTACH_DATA
inline constexpr std::uint32_t kShortAttributeBufferSize = 14; // DATE, RENDERING
// The walk makes an ELEM_METAFILE only for records of at most this length.
inline constexpr std::uint32_t kMaxMetafileLength = 16384;
// A value keeps its data in memory only up to this many bytes.
inline constexpr std::uint32_t kMaxKeptValueBytes = 1024;
// The longest name of a named property, terminator included.
inline constexpr std::uint32_t kMaxNamedPropertyNameBytes = 1024;

// The kind's constant name ("ELEM_VALUE"); "" for a number that is no kind.
const char* ElementKindName(std::uint32_t kind);
// The kind's default view kind; 0 for a number that is no kind.
std::uint32_t DefaultViewOf(std::uint32_t kind);

// The kinds with TnefAttribute fields (2, 3, 4, 5, 13, 17) and with MapiValue fields
// (9, 10, 11, 12, 16, 18).
bool IsAttributeKind(std::uint32_t kind);
bool IsValueKind(std::uint32_t kind);

// Frees a chained-allocator root (and every buffer linked to it).
struct ChainDeleter {
    void operator()(void* root) const;
};
template <typename T>
using ChainPtr = std::unique_ptr<T, ChainDeleter>;

// The base of every element: kind, the view kind to show it in, its text encoding and a
// name (an attachment's file name on attachment data elements).
class ElementRef {
public:
    explicit ElementRef(std::uint32_t kind);
    virtual ~ElementRef();
    ElementRef(const ElementRef&) = delete;
    ElementRef& operator=(const ElementRef&) = delete;

    // Copies this element into `target`, which must exist and be of the same kind;
    // otherwise false, and the target is left untouched.
    virtual bool CopyTo(ElementRef* target) const;
    virtual bool SupportsView(std::uint32_t view) const;
    virtual bool SupportsAction(std::uint32_t action) const;

    std::uint32_t Kind() const { return m_kind; }
    std::uint32_t CurrentView() const { return m_currentView; }
    // Switches the view kind when SupportsView allows it; false (and no change) otherwise.
    bool SetCurrentView(std::uint32_t view);

    std::uint32_t m_textEncoding = TEXT_NONE;
    std::string m_name;

protected:
    // The base part of CopyTo: view kind, text encoding and name.
    void CopyBaseTo(ElementRef& target) const;

private:
    const std::uint32_t m_kind;
    std::uint32_t m_currentView;
};

// ELEM_HEADER: the 6 bytes at the start of the stream.
class HeaderElement final : public ElementRef {
public:
    HeaderElement();
    bool CopyTo(ElementRef* target) const override;
    void Reset();
    bool IsValid() const { return m_signature == TNEF_SIGNATURE; }

    std::uint32_t m_signature = TNEF_SIGNATURE;
    std::uint16_t m_key = 0;
};

// An attribute record (kinds 2, 3, 4, 5, 13, 17). The element keeps the first
// min(capacity, length) data bytes; `m_length` is the record's length as read.
class AttributeElement final : public ElementRef {
public:
    // The buffer capacity follows the kind: 0 for ELEM_ATTRIBUTE, 14 for dates and
    // renderings, 1024 for the others. Kinds outside the family are a programming error.
    explicit AttributeElement(std::uint32_t kind);
    bool CopyTo(ElementRef* target) const override;
    // Zeroes the scalar fields and zero-fills the buffer.
    void Reset();

    std::uint32_t Capacity() const { return m_capacity; }
    const std::uint8_t* Buffer() const { return m_buffer.get(); }
    std::uint8_t* Buffer() { return m_buffer.get(); }
    // The data bytes actually held: min(capacity, length), 0 without a buffer.
    std::uint32_t KeptLength() const;
    // Replaces the buffer by a zero-filled one of `capacity` bytes (0: no buffer).
    void ReplaceBuffer(std::uint32_t capacity);

    std::uint64_t m_position = 0;   // stream offset of the level byte
    std::uint8_t m_level = 0;       // LVL_MESSAGE or LVL_ATTACHMENT
    std::uint32_t m_identifier = 0; // attribute identifier
    std::uint32_t m_length = 0;     // data bytes in the record
    std::uint16_t m_checksum = 0;   // stored checksum as read

private:
    std::uint32_t m_capacity = 0;
    std::unique_ptr<std::uint8_t[]> m_buffer;
};

// ELEM_RECIPIENT_TABLE (rows) and ELEM_PROPERTY_LIST (properties).
class ListElement final : public ElementRef {
public:
    explicit ListElement(std::uint32_t kind);
    bool CopyTo(ElementRef* target) const override;
    void Reset();

    std::uint64_t m_position = 0; // where the count was read
    std::uint32_t m_count = 0;
};

// The identity of a named property: one chain of the chained allocator whose root is
// this record; the GUID and the name are children of it.
struct NamedPropertyIdentity {
    std::uint8_t* guid;   // 16 bytes
    std::uint32_t kind;   // MNID_ID or MNID_STRING
    std::uint32_t id;     // MNID_ID: the numeric identifier
    char16_t* name;       // MNID_STRING: zero-terminated UTF-16, or null
};

// ELEM_PROPERTY: one property of a list.
class PropertyElement final : public ElementRef {
public:
    PropertyElement();
    bool CopyTo(ElementRef* target) const override;
    // Frees the identity and zeroes the fields.
    void Reset();

    const NamedPropertyIdentity* Identity() const { return m_identity.get(); }
    NamedPropertyIdentity* Identity() { return m_identity.get(); }
    void SetIdentity(ChainPtr<NamedPropertyIdentity> identity) { m_identity = std::move(identity); }

    std::uint64_t m_position = 0;   // stream offset of the tag
    std::uint32_t m_tag = 0;
    std::uint32_t m_valueCount = 0; // as read, or 1
    std::uint32_t m_layout = 0;     // kLayoutCounted, kLayoutObject or kLayoutFixed

private:
    ChainPtr<NamedPropertyIdentity> m_identity;
};

// One property value (ELEM_VALUE and the value kinds 10, 11, 12, 16, 18).
class ValueElement final : public ElementRef {
public:
    explicit ValueElement(std::uint32_t kind = ELEM_VALUE);
    bool CopyTo(ElementRef* target) const override;
    // Frees identifier and data and zeroes the fields.
    void Reset();
    // Takes position, tag, layout, size, identifier and data from `source`, whose value
    // fields end zeroed. Base parts (view kind, text encoding, name) of both stay.
    void TakeOver(ValueElement& source);

    // The data bytes of the value: size less the 16 identifier bytes for PT_OBJECT (0 when
    // the size is too small to hold them), size otherwise.
    std::uint32_t DataLength() const;
    const std::uint8_t* Iid() const { return m_iid.get(); }
    const std::uint8_t* Data() const { return m_data.get(); }
    void SetIid(ChainPtr<std::uint8_t> iid) { m_iid = std::move(iid); }
    void SetData(ChainPtr<std::uint8_t> data) { m_data = std::move(data); }

    std::uint64_t m_position = 0; // size field (layouts 0, 1) or data (layout 2)
    std::uint32_t m_tag = 0;      // the property's tag
    std::uint32_t m_layout = 0;   // the property's layout
    std::uint32_t m_size = 0;     // size field as read, or the type's fixed size

private:
    ChainPtr<std::uint8_t> m_iid;  // 16 bytes, layout 1 only
    ChainPtr<std::uint8_t> m_data; // present when the data length is 1 to 1024
};

// ELEM_FOLDER: the root node and the attribute groups; no fields of its own.
class FolderElement final : public ElementRef {
public:
    FolderElement() : ElementRef(ELEM_FOLDER) {}
};

// A new element of `kind` in its made state; null for a number that is no kind.
std::unique_ptr<ElementRef> CreateElement(std::uint32_t kind);

// Copies of chained buffers (new roots holding the same bytes); null on exhaustion.
ChainPtr<std::uint8_t> CopyToChain(const void* bytes, std::uint32_t size);

} // namespace viewer::doc::model
