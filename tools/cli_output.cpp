#include "tools/cli_output.h"

#include <cerrno>
#include <cstring>

#include "platform/file_io.h"
#include "platform/format.h"
#include "platform/text.h"
#include "platform/text_safety.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/naming/naming.h"

namespace tools {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using namespace viewer::doc::tree;
using platform::StatusCode;

std::string Shown(std::string_view text)
{
    return platform::EscapeForDisplay(text, platform::kDefaultCodePage);
}

std::string JsonQuoted(std::string_view shown)
{
    std::string out = "\"";
    for (char c : shown) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    return out + "\"";
}

void PrintTreeLines(const MemoryTree& tree, NodeId node, const std::string& id, int depth,
                    std::ostream& out)
{
    const ElementRef* element = tree.Element(node);
    out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << id << '\t' << tree.Caption(node)
        << '\t' << (element ? ElementKindName(element->Kind()) : "") << '\t' << tree.Image(node)
        << '\n';
    unsigned index = 0;
    for (NodeId child = tree.FirstChild(node); child != kNoNode; child = tree.NextSibling(child)) {
        PrintTreeLines(tree, child, id + "." + std::to_string(index++), depth + 1, out);
    }
}

void PrintTreeJson(const MemoryTree& tree, NodeId node, const std::string& id, int depth,
                   std::ostream& out)
{
    const ElementRef* element = tree.Element(node);
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    out << indent << "{\"id\": \"" << id << "\", \"caption\": " << JsonQuoted(tree.Caption(node))
        << ", \"image\": " << tree.Image(node) << ", \"kind\": "
        << (element ? JsonQuoted(ElementKindName(element->Kind())) : std::string("null"))
        << ", \"view\": " << (element ? element->CurrentView() : 0) << ", \"children\": [";
    unsigned index = 0;
    for (NodeId child = tree.FirstChild(node); child != kNoNode; child = tree.NextSibling(child)) {
        out << (index == 0 ? "\n" : ",\n");
        PrintTreeJson(tree, child, id + "." + std::to_string(index++), depth + 1, out);
    }
    if (index > 0) {
        out << "\n" << indent;
    }
    out << "]}";
}

namespace {

void PrintJsonRow(const std::vector<std::string>& cells, std::ostream& out)
{
    out << "[";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        out << (i ? ", " : "") << JsonQuoted(cells[i]);
    }
    out << "]";
}

} // namespace

void PrintDetails(const viewer::doc::panes::DetailsTable& table, bool json, std::ostream& out)
{
    if (!json) {
        for (const auto& row : table.rows) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                out << (i ? "\t" : "") << row[i];
            }
            out << "\n";
        }
        return;
    }
    out << "{\"columns\": ";
    PrintJsonRow(table.columns, out);
    out << ", \"rows\": [";
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        out << (r ? ", " : "");
        PrintJsonRow(table.rows[r], out);
    }
    out << "]}\n";
}

void PrintDamage(const DamageReport& report, bool json, std::ostream& out)
{
    const auto severity = [](const DamageEntry& entry) {
        return entry.severity == DamageSeverity::Problem ? "problem" : "note";
    };
    if (!json) {
        for (const DamageEntry& entry : report.entries) {
            out << entry.offset << '\t' << severity(entry) << '\t' << entry.message << '\n';
        }
        return;
    }
    out << "[";
    for (std::size_t i = 0; i < report.entries.size(); ++i) {
        const DamageEntry& entry = report.entries[i];
        out << (i ? ",\n " : "\n ") << "{\"offset\": " << entry.offset << ", \"severity\": \""
            << severity(entry) << "\", \"message\": " << JsonQuoted(entry.message) << "}";
    }
    out << (report.entries.empty() ? "]\n" : "\n]\n");
}

bool PrintChecksumRow(const RecordChecksum& record, std::ostream& out)
{
    const bool good = record.readable && record.computed == record.stored;
    out << record.position << '\t' << StatusText(static_cast<StatusCode>(record.identifier)) << '\t'
        << viewer::doc::naming::AttributeIdentifierName(record.identifier) << '\t' << record.stored
        << '\t';
    if (record.readable) {
        out << record.computed << '\t' << (good ? "OK" : "MISMATCH") << '\n';
    } else {
        out << "-\tUNREADABLE\n";
    }
    return good;
}

// ---- Messages ------------------------------------------------------------------------------

void PrintDamageProblems(const DamageReport& report, std::ostream& err)
{
    for (const DamageEntry& entry : report.entries) {
        if (entry.severity == DamageSeverity::Problem) {
            err << "pallion-cli: damaged input at byte " << entry.offset << ": " << entry.message
                << "\n";
        }
    }
}

std::string StatusText(StatusCode status)
{
    return platform::Format("%#010X", static_cast<unsigned>(status));
}

namespace {

constexpr StatusCode STG_E_FILEALREADYEXISTS = platform::MakeStatus(0x80030050);
constexpr StatusCode STG_E_DOCFILECORRUPT = platform::MakeStatus(0x80030109);

std::string CauseOf(StatusCode status)
{
    const auto bits = static_cast<std::uint32_t>(status);
    if ((bits & 0xFFFF0000u) == 0x80070000u && (bits & 0xFFFFu) != 0) {
        return std::strerror(static_cast<int>(bits & 0xFFFFu));
    }
    switch (status) {
    case platform::E_ABORT:
        return "damaged or cut short";
    case platform::MAPI_E_CORRUPT_DATA:
        return "damaged data";
    case platform::MAPI_E_NOT_FOUND:
        return "not found";
    case platform::E_UNEXPECTED:
        return "a library is missing or incomplete";
    case platform::REGDB_E_CLASSNOTREG:
        return "the file stream server is not registered";
    case platform::E_NOTIMPL:
        return "not supported";
    default:
        return "unspecified failure";
    }
}

} // namespace

std::string Because(StatusCode status)
{
    return CauseOf(status) + " (" + StatusText(status) + ")";
}

std::string OpenFailureMessage(const std::string& path, const OpenFailure& failure)
{
    const std::string file = Shown(path);
    const StatusCode status = failure.status;
    const bool platformError = (static_cast<std::uint32_t>(status) & 0xFFFF0000u) == 0x80070000u;
    switch (failure.step) {
    case OpenStep::LoadConverter:
        return "cannot load the conversion library for .msg files (libferrule.so): " +
               Because(status);
    case OpenStep::Convert:
        if (status == STG_E_FILEALREADYEXISTS) {
            return file + " is not a compound file, so it is no Outlook .msg file (" +
                   StatusText(status) + ")";
        }
        if (status == STG_E_DOCFILECORRUPT) {
            return file + " is a damaged compound file (" + StatusText(status) + ")";
        }
        return "cannot convert " + file + ": " +
               (platformError
                    ? Because(status)
                    : "its message is damaged or incomplete (" + StatusText(status) + ")");
    case OpenStep::ExtractMail:
        if (status == platform::MAPI_E_NOT_FOUND) {
            return file + " is no mail with a TNEF part (application/ms-tnef) (" +
                   StatusText(status) + ")";
        }
        if (status == platform::E_FAIL) {
            return "the TNEF part of " + file + " decodes to nothing (" + StatusText(status) + ")";
        }
        if (status == platform::E_INVALIDARG) {
            return file + " is not a regular file (" + StatusText(status) + ")";
        }
        return "cannot read the mail " + file + ": " + Because(status);
    case OpenStep::Copy:
        return "cannot copy " + file + " into the temporary folder: " + Because(status);
    case OpenStep::OpenFile:
    case OpenStep::None:
        break;
    }
    if (status == platform::E_ACCESSDENIED) {
        return "cannot open " + file + ": not a regular file or not readable (" +
               StatusText(status) + ")";
    }
    return "cannot open " + file + ": " + Because(status);
}

std::string PictureFailureMessage(const std::string& node, StatusCode status)
{
    if (status == platform::E_INVALIDARG) {
        return "node " + Shown(node) + " holds no attachment rendering or OLE object";
    }
    return "cannot draw the picture of node " + Shown(node) + ": " + Because(status);
}

const char* StoredFormName(MailBodyKind kind)
{
    return kind == MailBodyKind::CompressedRtf ? "rtf"
           : kind == MailBodyKind::Html        ? "html"
                                               : "text";
}

std::string BodyFailureMessage(StatusCode status)
{
    if (status == platform::MAPI_E_CORRUPT_DATA) {
        return "the compressed RTF body is damaged: its header is corrupt (" + StatusText(status) +
               ")";
    }
    if (status == platform::E_ABORT) {
        return "the compressed RTF body is damaged or cut short (" + StatusText(status) + ")";
    }
    if (status == platform::E_OUTOFMEMORY) {
        return "the mail body is too large to convert (" + StatusText(status) + ")";
    }
    return "cannot read the mail body: " + Because(status);
}

// ---- Standard output -------------------------------------------------------------------------

bool FdOutputBuffer::Flush()
{
    const std::size_t size = static_cast<std::size_t>(pptr() - pbase());
    if (platform::Succeeded(m_status) && size > 0) {
        m_status = platform::WriteAll(m_fd, pbase(), size);
    }
    setp(m_buffer, m_buffer + sizeof m_buffer);
    return platform::Succeeded(m_status);
}

FdOutputBuffer::int_type FdOutputBuffer::overflow(int_type c)
{
    if (!Flush()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int FdOutputBuffer::sync()
{
    return Flush() ? 0 : -1;
}

} // namespace tools
