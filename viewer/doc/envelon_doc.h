// CEnvelonDoc: one open TNEF stream and every operation on it. The document keeps no
// parsed structure: the tree walks the stream with the reader operations below, making one
// element per piece, and views come back here for an element's bytes.
//
// Every operation moves the document's one stream position; an operation either seeks to an
// absolute position first or continues where the previous one stopped, as each states.
// The class is platform-free: no user-interface code lives here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/status.h"
#include "platform/text.h"

namespace viewer::doc {

using platform::StatusCode;

class ElementRef;
class HeaderElement;
class AttributeElement;
class ListElement;
class PropertyElement;
class ValueElement;
class DocumentView;
class MessageSink;

// A converter for ConvertElementData: consumes one piece of an element's bytes and writes
// into the output stream.
using ElementConverter = StatusCode (*)(const std::uint8_t* piece, std::uint32_t length,
                                        platform::IStream* output, void* context);

class CEnvelonDoc {
public:
    CEnvelonDoc();
    ~CEnvelonDoc();
    CEnvelonDoc(const CEnvelonDoc&) = delete;
    CEnvelonDoc& operator=(const CEnvelonDoc&) = delete;

    // ---- Loading ----------------------------------------------------------------------

    // Opens a file the user chose: ".msg" converted through the conversion library, ".eml"
    // through the MIME extraction library, anything else copied to a private temporary file.
    // Failures are reported through the message sink; false means the document stays empty.
    bool OpenFromPath(const char* path);

    // Seam for tests, fuzz targets, benchmarks and the command-line tool: hand the document an
    // already open stream. `pathName` names the document (its title is the last component).
    void AttachStream(platform::ComPtr<platform::IStream> stream, std::string pathName);

    // Releases the stream (deleting a delete-on-release temporary file).
    void ReleaseContents();

    bool HasStream() const { return static_cast<bool>(m_stream); }
    const std::string& PathName() const { return m_pathName; }
    // The file name without its folder.
    std::string Title() const;

    // Where messages to the user go (the message boxes of the viewer, stderr of the tool).
    void SetMessageSink(MessageSink* sink) { m_sink = sink; }
    MessageSink* Sink() const { return m_sink; }

    // The raw-view setting, read at every open from the registration store.
    bool m_rawView = false;

    // The message's code page, worked out once after the tree walk (8-bit text decoding).
    std::uint32_t m_codePage = platform::kDefaultCodePage;

    // ---- Reader primitives ------------------------------------------------------------

    [[nodiscard]] StatusCode ReadByte(std::uint8_t* value);
    [[nodiscard]] StatusCode ReadWord(std::uint16_t* value);
    [[nodiscard]] StatusCode ReadDword(std::uint32_t* value);
    [[nodiscard]] StatusCode SkipBytes(std::uint32_t count);
    [[nodiscard]] StatusCode ReadBlock(void* buffer, std::uint32_t bufferSize, std::uint32_t count);

    // ---- Attribute records ------------------------------------------------------------

    [[nodiscard]] StatusCode ReadHeader(HeaderElement* header);
    [[nodiscard]] StatusCode ReadFirstAttribute(AttributeElement* attribute);
    [[nodiscard]] StatusCode ReadNextAttribute(AttributeElement* attribute);
    [[nodiscard]] StatusCode ReadAttributeAt(const AttributeElement* source, AttributeElement* target);
    [[nodiscard]] StatusCode SkipAttribute(const AttributeElement* attribute);
    [[nodiscard]] StatusCode ComputeChecksum(const AttributeElement* attribute, std::uint16_t* sum);
    static bool StartsAttachment(const AttributeElement& attribute);

    // ---- Property lists ---------------------------------------------------------------

    [[nodiscard]] StatusCode ReadPropertyListHeader(const AttributeElement* attribute, ListElement* list);
    [[nodiscard]] StatusCode ReadRowHeader(ListElement* list);
    [[nodiscard]] StatusCode ReadProperty(PropertyElement* property);
    [[nodiscard]] StatusCode ReadValue(const PropertyElement* property, ValueElement* value);
    [[nodiscard]] static StatusCode FixedValueSize(std::uint32_t type, std::uint32_t* size);

    // ---- Element data -----------------------------------------------------------------

    [[nodiscard]] StatusCode GetElementRange(const ElementRef* element, std::uint64_t* offset,
                                             std::uint32_t* count);
    [[nodiscard]] StatusCode WriteElementData(const ElementRef* element, const char* path);
    [[nodiscard]] StatusCode ConvertElementData(const ElementRef* element, const char* path,
                                                ElementConverter converter, void* context);
    [[nodiscard]] StatusCode ExtractRtfBody(const ElementRef* element, const char* path);

    // ---- Views ------------------------------------------------------------------------

    // The document's views in their order; the broadcast and the routing walk this list.
    void AddView(DocumentView* view);
    void RemoveView(DocumentView* view);
    const std::vector<DocumentView*>& Views() const { return m_views; }
    // Update-all-views: every view but the sender receives the element as the hint.
    void UpdateAllViews(DocumentView* sender, ElementRef* hint);
    // Offers a command to every view but the sender, in order; true at the first that
    // handles it.
    bool RouteToOtherViews(DocumentView* sender, std::uint32_t command);

    // The open stream (none before the first successful open and after ReleaseContents).
    platform::ComPtr<platform::IStream> m_stream;

private:
    // Seeks the stream; the new position when asked.
    [[nodiscard]] StatusCode SeekTo(std::uint64_t position);
    [[nodiscard]] StatusCode CurrentPosition(std::uint64_t* position);
    [[nodiscard]] StatusCode BeginElementCopy(const ElementRef* element, const char* path,
                                              std::uint32_t* count,
                                              platform::ComPtr<platform::IStream>* output);

    std::string m_pathName;
    MessageSink* m_sink = nullptr;
    std::vector<DocumentView*> m_views;
};

} // namespace viewer::doc
