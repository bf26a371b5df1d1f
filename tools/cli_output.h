// pallion-cli's output: the tree as indented lines or nested JSON objects, the details table
// as tab-separated rows or JSON, and text that leaves the program. Captions and details
// cells come out of the core escaped and are written as they are.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

#include "platform/status.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/document/message_sink.h"
#include "viewer/doc/model/damage.h"
#include "viewer/doc/model/mail_body.h"
#include "viewer/doc/panes/details_rows.h"
#include "viewer/doc/tree/tree.h"

namespace tools {

// Text that did not come out of the core escaped (paths, file names, node paths), as UTF-8
// fit for a terminal: 8-bit text decoded as Windows-1252, the characters that could disguise
// it escaped.
std::string Shown(std::string_view text);

// A JSON string literal of text that is already fit to be shown.
std::string JsonQuoted(std::string_view shown);

// The tree below `node` (named `id`): id, caption, element kind and image, tab-separated and
// indented two spaces a level; or as JSON objects nested by "children".
void PrintTreeLines(const viewer::doc::tree::MemoryTree& tree, viewer::doc::tree::NodeId node,
                    const std::string& id, int depth, std::ostream& out);
void PrintTreeJson(const viewer::doc::tree::MemoryTree& tree, viewer::doc::tree::NodeId node,
                   const std::string& id, int depth, std::ostream& out);

void PrintDetails(const viewer::doc::panes::DetailsTable& table, bool json, std::ostream& out);

// check's findings: "offset<TAB>problem|note<TAB>message" lines, or a JSON array of objects
// with "offset", "severity" and "message".
void PrintDamage(const viewer::doc::model::DamageReport& report, bool json, std::ostream& out);

// A row of checksum: position, identifier, name, stored and computed sum, verdict. False for
// a record whose sum does not match or could not be computed.
bool PrintChecksumRow(const viewer::doc::document::RecordChecksum& record, std::ostream& out);

// ---- Messages that name the cause ------------------------------------------------------

// Messages from the document are kept, not shown: the tool says what went wrong itself.
class KeepingSink final : public viewer::doc::document::MessageSink {
public:
    viewer::doc::document::MessageAnswer Show(const std::string& text,
                                              viewer::doc::document::MessageIcon,
                                              viewer::doc::document::MessageButtons) override
    {
        m_last = text;
        return viewer::doc::document::MessageAnswer::Ok;
    }
    const std::string& Last() const { return m_last; }

private:
    std::string m_last;
};

// Each problem of a damaged stream as "damaged input at byte N: ..." lines.
void PrintDamageProblems(const viewer::doc::model::DamageReport& report, std::ostream& err);

// The design's "%0#010X" (the repeated '0' flag changes nothing).
std::string StatusText(platform::StatusCode status);

// What went wrong, then the status code: "No space left on device (0X8007001C)". A platform
// error number gives the system's text for it.
std::string Because(platform::StatusCode status);

// Why FILE could not be opened, as a sentence: not a compound file, not a mail with a TNEF
// part, a conversion library that cannot be loaded, no such file.
std::string OpenFailureMessage(const std::string& path,
                               const viewer::doc::document::OpenFailure& failure);

// Why the picture of a node could not be drawn (E_INVALIDARG: it has none).
std::string PictureFailureMessage(const std::string& node, platform::StatusCode status);

// "rtf", "html" or "text": the form a body is stored in.
const char* StoredFormName(viewer::doc::model::MailBodyKind kind);

// Why a mail body could not be read (a damaged or cut-short compressed RTF body).
std::string BodyFailureMessage(platform::StatusCode status);

// ---- Standard output -------------------------------------------------------------------

// Output to a file descriptor that keeps the status of the first write that failed (a full
// disk, a closed pipe) and writes nothing after it.
class FdOutputBuffer final : public std::streambuf {
public:
    explicit FdOutputBuffer(int fd) : m_fd(fd) { setp(m_buffer, m_buffer + sizeof m_buffer); }
    ~FdOutputBuffer() override { sync(); }
    FdOutputBuffer(const FdOutputBuffer&) = delete;
    FdOutputBuffer& operator=(const FdOutputBuffer&) = delete;

    platform::StatusCode Status() const { return m_status; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool Flush();

    int m_fd;
    platform::StatusCode m_status = platform::S_OK;
    char m_buffer[1 << 16];
};

} // namespace tools
