// CEnvelonDoc: one open TNEF stream and every operation on it. The document keeps no
// parsed structure: the tree walks the stream with the reader operations below, making one
// element per piece, and views come back here for an element's bytes.
//
// Every operation moves the document's one stream position; an operation either seeks to an
// absolute position first or continues where the previous one stopped, as each states.
// The class is platform-free: no user-interface code lives here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/files.h"
#include "platform/status.h"
#include "platform/text.h"
#include "viewer/doc/model/damage.h"
#include "viewer/doc/model/element.h"

namespace viewer::doc::document {

using platform::StatusCode;

class DocumentView;
class MessageSink;

// A converter for ConvertElementData: consumes one piece of an element's bytes and writes
// into the output stream.
using ElementConverter = StatusCode (*)(const std::uint8_t* piece, std::uint32_t length,
                                        platform::IStream* output, void* context);

// Why the last open failed: the step and its status, for a tool that names the cause (the
// viewer shows the design's message, which says less).
enum class OpenStep { None, LoadConverter, Convert, ExtractMail, Copy, OpenFile };
struct OpenFailure {
    OpenStep step = OpenStep::None;
    StatusCode status = platform::S_OK;
};

// Receives bytes piece by piece; a failure stops whoever feeds it.
using ByteSink = std::function<StatusCode(const std::uint8_t* piece, std::uint32_t length)>;

// One attribute record and its checksum, as CheckEveryRecord reads them.
struct RecordChecksum {
    std::uint64_t position = 0;   // of the level byte
    std::uint32_t identifier = 0;
    std::uint16_t stored = 0;
    std::uint16_t computed = 0;
    bool readable = false;        // the data could be summed; `computed` holds the sum
};

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
    // A long copy reports to `progress`; when that cancels, nothing is reported, no
    // temporary file is left and Cancelled() tells the caller.
    bool OpenFromPath(const char* path, const platform::CopyProgress& progress = {});
    // The last OpenFromPath stopped because the progress callback cancelled it.
    bool Cancelled() const { return m_cancelled; }

    // Opens a file for a tool that only reads it: ".msg" and ".eml" files as OpenFromPath
    // does, any other file where it lies, without a private copy. A missing file, or one that
    // is not a regular file, is refused before the stream server sees it (it would create
    // it). Failures are reported through the message sink; false means the document stays
    // empty. The raw-view setting is not read: the tool asks for raw view itself.
    bool OpenInPlace(const char* path);

    // Whether a path is opened through a conversion (".msg", ".eml", in any case).
    static bool NeedsConversion(const std::string& path);

    // Converts a ".msg" file into a temporary TNEF file that *tnefFile owns (loading and
    // initialising the conversion library on first use). Failures are reported through
    // `sink` when there is one, and their step and status in *failure when it is given.
    static bool ConvertMessage(const char* msgPath, platform::TempFile* tnefFile,
                               MessageSink* sink, OpenFailure* failure = nullptr);

    // Why the last OpenFromPath or OpenInPlace failed; step None after a success.
    const OpenFailure& LastOpenFailure() const { return m_openFailure; }

    // Seam for tests, fuzz targets, benchmarks and the command-line tool: hand the document an
    // already open stream. `pathName` names the document (its title is the last component).
    void AttachStream(platform::ComPtr<platform::IStream> stream, std::string pathName);

    // Releases the stream (deleting a delete-on-release temporary file).
    void ReleaseContents();

    bool HasStream() const { return static_cast<bool>(m_stream); }
    // The open stream, not owned (null before the first open and after ReleaseContents).
    // Reading it moves the position the reader operations share.
    platform::IStream* Stream() const { return m_stream.Get(); }
    const std::string& PathName() const { return m_pathName; }
    // The file name without its folder.
    std::string Title() const;

    // Where messages to the user go (the message boxes of the viewer, stderr of the tool).
    void SetMessageSink(MessageSink* sink) { m_sink = sink; }
    MessageSink* Sink() const { return m_sink; }

    // The raw-view setting, read at every OpenFromPath from the registration store.
    bool RawView() const { return m_rawView; }
    void SetRawView(bool raw) { m_rawView = raw; }

    // The message's code page, worked out once after the tree walk (8-bit text decoding).
    std::uint32_t CodePage() const { return m_codePage; }
    void SetCodePage(std::uint32_t codePage) { m_codePage = codePage; }

    // ---- Reader primitives ------------------------------------------------------------

    [[nodiscard]] StatusCode ReadByte(std::uint8_t* value);
    [[nodiscard]] StatusCode ReadWord(std::uint16_t* value);
    [[nodiscard]] StatusCode ReadDword(std::uint32_t* value);
    [[nodiscard]] StatusCode SkipBytes(std::uint32_t count);
    [[nodiscard]] StatusCode ReadBlock(void* buffer, std::uint32_t bufferSize, std::uint32_t count);

    // ---- Attribute records ------------------------------------------------------------

    [[nodiscard]] StatusCode ReadHeader(model::HeaderElement* header);
    [[nodiscard]] StatusCode ReadFirstAttribute(model::AttributeElement* attribute);
    [[nodiscard]] StatusCode ReadNextAttribute(model::AttributeElement* attribute);
    [[nodiscard]] StatusCode ReadAttributeAt(const model::AttributeElement* source, model::AttributeElement* target);
    [[nodiscard]] StatusCode SkipAttribute(const model::AttributeElement* attribute);
    [[nodiscard]] StatusCode ComputeChecksum(const model::AttributeElement* attribute, std::uint16_t* sum);
    static bool StartsAttachment(const model::AttributeElement& attribute);

    // Reads every attribute record from the first on, sums its data and hands each to
    // `visit`, in stream order. A stream without a header gives that failure and visits
    // nothing; a record that cannot be read ends the walk, and why it could not is added to
    // `damage` when given.
    [[nodiscard]] StatusCode
    CheckEveryRecord(const std::function<void(const RecordChecksum&)>& visit,
                     model::DamageReport* damage = nullptr);

    // ---- Damage -----------------------------------------------------------------------

    // The size of the stream in bytes.
    [[nodiscard]] StatusCode StreamSize(std::uint64_t* size);
    // Where a walk of attribute records stopped because no record could be read at
    // `position`: nothing when the stream ends there, else what is wrong there (bytes that
    // are no record, a record cut short or reaching past the end) is added to `damage`.
    void DescribeRecordEnd(std::uint64_t position, model::DamageReport& damage);
    // A stream too short for its header, added to `damage`.
    void DescribeMissingHeader(model::DamageReport& damage);

    // ---- Property lists ---------------------------------------------------------------

    [[nodiscard]] StatusCode ReadPropertyListHeader(const model::AttributeElement* attribute, model::ListElement* list);
    [[nodiscard]] StatusCode ReadRowHeader(model::ListElement* list);
    [[nodiscard]] StatusCode ReadProperty(model::PropertyElement* property);
    [[nodiscard]] StatusCode ReadValue(const model::PropertyElement* property, model::ValueElement* value);
    [[nodiscard]] static StatusCode FixedValueSize(std::uint32_t type, std::uint32_t* size);

    // ---- Element data -----------------------------------------------------------------

    [[nodiscard]] StatusCode GetElementRange(const model::ElementRef* element, std::uint64_t* offset,
                                             std::uint32_t* count);
    // The copies below report to `progress` between chunks of at most
    // platform::kCopyChunkBytes; when it cancels they end with E_CANCELLED.
    [[nodiscard]] StatusCode WriteElementData(const model::ElementRef* element, const char* path,
                                              const platform::CopyProgress& progress = {});
    [[nodiscard]] StatusCode ConvertElementData(const model::ElementRef* element, const char* path,
                                                ElementConverter converter, void* context,
                                                const platform::CopyProgress& progress = {});
    [[nodiscard]] StatusCode ExtractRtfBody(const model::ElementRef* element, const char* path);
    // Inflates a compressed RTF element and hands the RTF to `sink` piece by piece. A damaged
    // value ends with the inflation's status (0x8004011B a corrupt header, 0x80004004 data
    // damaged or cut short) after the pieces that came before it; a sink that fails ends it
    // with the sink's status, and *sinkFailed says which of the two it was.
    [[nodiscard]] StatusCode InflateRtfBody(const model::ElementRef* element, const ByteSink& sink,
                                            bool* sinkFailed = nullptr);
    // Hands the element's bytes to `sink` piece by piece; a range reaching past the end of
    // the stream gives what there is. A failing sink ends it with the sink's status, and
    // *sinkFailed says whether it was the sink or the reading that failed.
    [[nodiscard]] StatusCode ReadElementData(const model::ElementRef* element, const ByteSink& sink,
                                             bool* sinkFailed = nullptr);
    // Copies the element's bytes into an open file at its position, as ReadElementData reads
    // them. *written receives the bytes written.
    [[nodiscard]] StatusCode CopyElementData(const model::ElementRef* element, int fd,
                                             std::uint64_t* written);

    // ---- Views ------------------------------------------------------------------------

    // The document's views in their order; the broadcast and the routing walk this list.
    void AddView(DocumentView* view);
    void RemoveView(DocumentView* view);
    const std::vector<DocumentView*>& Views() const { return m_views; }
    // Update-all-views: every view but the sender receives the element as the hint.
    void UpdateAllViews(DocumentView* sender, model::ElementRef* hint);
    // Offers a command to every view but the sender, in order; true at the first that
    // handles it.
    bool RouteToOtherViews(DocumentView* sender, std::uint32_t command);

private:
    // Seeks the stream; the new position when asked.
    [[nodiscard]] StatusCode SeekTo(std::uint64_t position);
    [[nodiscard]] StatusCode CurrentPosition(std::uint64_t* position);
    [[nodiscard]] StatusCode ReadNamedIdentity(model::ChainPtr<model::NamedPropertyIdentity>* identity);
    [[nodiscard]] StatusCode ReadIdentityName(model::NamedPropertyIdentity* identity);
    [[nodiscard]] StatusCode ReadValueSize(const model::PropertyElement* property, model::ValueElement* value);
    [[nodiscard]] StatusCode BeginElementCopy(const model::ElementRef* element, const char* path,
                                              std::uint32_t* count,
                                              platform::ComPtr<platform::IStream>* output);

    bool ConvertToTnef(const std::string& source, platform::TempFile* tnefFile);
    void Report(const std::string& text) const;

    platform::ComPtr<platform::IStream> m_stream;
    bool m_rawView = false;
    std::uint32_t m_codePage = platform::kDefaultCodePage;
    std::string m_pathName;
    OpenFailure m_openFailure;
    MessageSink* m_sink = nullptr;
    bool m_cancelled = false;
    std::vector<DocumentView*> m_views;
};

} // namespace viewer::doc::document
