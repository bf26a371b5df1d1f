#include "tools/cli.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "convert/include/ferrule.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/text.h"
#include "tools/cli_text.h"
#include "tools/extract_names.h"
#include "viewer/doc/app_context.h"
#include "viewer/doc/details_rows.h"
#include "viewer/doc/element.h"
#include "viewer/doc/envelon_doc.h"
#include "viewer/doc/file_stream.h"
#include "viewer/doc/frame_logic.h"
#include "viewer/doc/hex_text_rows.h"
#include "viewer/doc/mail_body.h"
#include "viewer/doc/message_sink.h"
#include "viewer/doc/naming.h"
#include "viewer/doc/strings.h"
#include "viewer/doc/tree_builder.h"
#include "viewer/doc/tree_index.h"

namespace tools {

using namespace viewer::doc;
using platform::StatusCode;

namespace {

constexpr const char* kUsage =
    "usage: pallion-cli COMMAND [OPTIONS] ARGUMENTS\n"
    "\n"
    "Shows what a TNEF stream (winmail.dat), an Outlook .msg file or a .eml mail holds.\n"
    "Nodes are named by their path of 0-based child positions from the root: the root is 0,\n"
    "its first child 0.0, that node's third child 0.0.2.\n"
    "\n"
    "commands:\n"
    "  tree [--raw] [--json] FILE   the decorated tree: id, caption, element kind and image,\n"
    "                               tab-separated and indented two spaces a level;\n"
    "                               --raw shows every attribute record, --json nests objects\n"
    "  details [--json] FILE ID     the fields of a node's element (type, value, details)\n"
    "  hex FILE ID                  the element's bytes as a hex dump, 16 bytes a row\n"
    "  text FILE ID                 the element's bytes as text rows of 80 characters\n"
    "  save FILE ID OUT             writes the element's bytes to OUT\n"
    "  body FILE OUT                writes the mail body (RTF inflated, HTML or plain text)\n"
    "  checksum FILE                every attribute record with stored and computed checksum;\n"
    "                               exit status 3 when any differs\n"
    "  extract FILE DIR             writes every attachment into DIR (created when missing)\n"
    "  convert MSG OUT              converts an Outlook .msg file to a TNEF file\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 wrong usage, 3 checksum mismatch.\n";

// Messages from the document go to stderr.
class StderrSink final : public MessageSink {
public:
    explicit StderrSink(std::ostream& err) : m_err(err) {}
    MessageAnswer Show(const std::string& text, MessageIcon, MessageButtons) override
    {
        m_err << "pallion-cli: " << TerminalText(text, platform::kDefaultCodePage) << "\n";
        return MessageAnswer::Ok;
    }

private:
    std::ostream& m_err;
};

struct Arguments {
    std::string command;
    bool raw = false;
    bool json = false;
    std::vector<std::string> positional;
};

std::optional<Arguments> Parse(int argc, char** argv)
{
    if (argc < 2) {
        return std::nullopt;
    }
    Arguments arguments;
    arguments.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--raw") {
            arguments.raw = true;
        } else if (word == "--json") {
            arguments.json = true;
        } else if (word.size() > 1 && word[0] == '-' && word != "--") {
            return std::nullopt;
        } else {
            arguments.positional.push_back(word);
        }
    }
    return arguments;
}

std::string StatusText(StatusCode status)
{
    // The same text as the design's "%0#010X" (the repeated '0' flag changes nothing).
    return platform::Format("%#010X", static_cast<unsigned>(status));
}

// One opened document with its built tree.
class Session {
public:
    Session(std::ostream& err) : m_err(err), m_sink(err) {}

    // Opens FILE: .msg and .eml through the document's own loading, anything else read-only
    // in place (a command-line run needs no private copy).
    bool Open(const std::string& path, bool forceRaw)
    {
        m_document.SetMessageSink(&m_sink);
        const bool converted = path.size() > 4 && (::strcasecmp(path.c_str() + path.size() - 4, ".msg") == 0 ||
                                                   ::strcasecmp(path.c_str() + path.size() - 4, ".eml") == 0);
        if (converted) {
            if (!m_document.OpenFromPath(path.c_str())) {
                return false;
            }
        } else {
            // The stream server creates a missing file even when reading: look first.
            struct stat info {};
            if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
                const StatusCode status =
                    ::stat(path.c_str(), &info) != 0 ? platform::StatusFromErrno() : platform::E_ACCESSDENIED;
                m_err << "pallion-cli: cannot open " << TerminalText(path, platform::kDefaultCodePage) << " ("
                      << StatusText(status) << ")\n";
                return false;
            }
            platform::ComPtr<platform::IStream> stream;
            const StatusCode status = CreateFileStream(path, platform::STGM_READ | platform::STGM_SHARE_DENY_NONE, &stream);
            if (platform::Failed(status)) {
                m_err << "pallion-cli: cannot open " << TerminalText(path, platform::kDefaultCodePage) << " ("
                      << StatusText(status) << ")\n";
                return false;
            }
            m_document.AttachStream(std::move(stream), path);
        }
        if (forceRaw) {
            m_document.m_rawView = true;
        }
        AppContext* app = TheApp();
        m_tree.Build(m_document, app ? app->m_dictionary : nullptr);
        return true;
    }

    CEnvelonDoc& Document() { return m_document; }
    MemoryTree& Tree() { return m_tree.GetTree(); }
    const TreeIndex& Index() const { return m_tree.Index(); }
    std::uint32_t CodePage() const { return m_document.m_codePage; }
    std::string Show(const std::string& text) const { return TerminalText(text, m_document.m_codePage); }

    // The node named by a dotted path of child positions; kNoNode when there is none.
    NodeId Find(const std::string& id)
    {
        NodeId node = Tree().Root();
        std::size_t start = 0;
        bool first = true;
        while (start <= id.size()) {
            const std::size_t dot = id.find('.', start);
            const std::string part = id.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
            if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos || part.size() > 9) {
                return kNoNode;
            }
            unsigned long index = std::stoul(part);
            if (first) {
                if (index != 0) {
                    return kNoNode;
                }
                first = false;
            } else {
                node = Tree().FirstChild(node);
                while (node != kNoNode && index-- > 0) {
                    node = Tree().NextSibling(node);
                }
                if (node == kNoNode) {
                    return kNoNode;
                }
            }
            if (dot == std::string::npos) {
                break;
            }
            start = dot + 1;
        }
        return node;
    }

private:
    std::ostream& m_err;
    StderrSink m_sink;
    CEnvelonDoc m_document;
    DocumentTree m_tree;
};

// ---- tree ------------------------------------------------------------------------------

void PrintTreeLines(Session& session, NodeId node, const std::string& id, int depth, std::ostream& out)
{
    MemoryTree& tree = session.Tree();
    const ElementRef* element = tree.Element(node);
    out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << id << '\t'
        << session.Show(tree.Caption(node)) << '\t' << (element ? ElementKindName(element->Kind()) : "")
        << '\t' << tree.Image(node) << '\n';
    unsigned index = 0;
    for (NodeId child = tree.FirstChild(node); child != kNoNode; child = tree.NextSibling(child)) {
        PrintTreeLines(session, child, id + "." + std::to_string(index++), depth + 1, out);
    }
}

void PrintTreeJson(Session& session, NodeId node, const std::string& id, int depth, std::ostream& out)
{
    MemoryTree& tree = session.Tree();
    const ElementRef* element = tree.Element(node);
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    out << indent << "{\"id\": \"" << id << "\", \"caption\": " << JsonString(tree.Caption(node), session.CodePage())
        << ", \"image\": " << tree.Image(node) << ", \"kind\": "
        << (element ? std::string("\"") + ElementKindName(element->Kind()) + "\"" : std::string("null"))
        << ", \"view\": " << (element ? element->CurrentView() : 0) << ", \"children\": [";
    unsigned index = 0;
    for (NodeId child = tree.FirstChild(node); child != kNoNode; child = tree.NextSibling(child)) {
        out << (index == 0 ? "\n" : ",\n");
        PrintTreeJson(session, child, id + "." + std::to_string(index++), depth + 1, out);
    }
    if (index > 0) {
        out << "\n" << indent;
    }
    out << "]}";
}

// ---- bytes of an element -----------------------------------------------------------------

// Writes an element's bytes to a private temporary file (as the panes do) and hands it on.
class ElementFile {
public:
    StatusCode Write(CEnvelonDoc& document, const ElementRef* element)
    {
        std::string path;
        StatusCode status = platform::CreateUniqueTempFile("tnf", &path);
        if (platform::Failed(status)) {
            return status;
        }
        m_file = platform::TempFile(path);
        return document.WriteElementData(element, path.c_str());
    }

    StatusCode Convert(CEnvelonDoc& document, const ElementRef* element, ElementConverter converter,
                       void* context)
    {
        std::string path;
        StatusCode status = platform::CreateUniqueTempFile("tnf", &path);
        if (platform::Failed(status)) {
            return status;
        }
        m_file = platform::TempFile(path);
        return document.ConvertElementData(element, path.c_str(), converter, context);
    }

    const std::string& Path() const { return m_file.Path(); }

private:
    platform::TempFile m_file;
};

// Reads a file sequentially in large blocks, `rowBytes` at a time.
class RowReader {
public:
    RowReader(const std::string& path, std::size_t rowBytes)
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), m_rowBytes(rowBytes)
    {
    }
    bool Valid() const { return m_fd.Valid(); }

    // The next row (fewer bytes at the end); false at the end of the file.
    bool Next(std::string* row, std::string* following)
    {
        Fill(m_rowBytes + 4);
        if (m_pos >= m_buffer.size()) {
            return false;
        }
        const std::size_t take = std::min(m_rowBytes, m_buffer.size() - m_pos);
        row->assign(m_buffer, m_pos, take);
        m_pos += take;
        following->assign(m_buffer, m_pos, std::min<std::size_t>(3, m_buffer.size() - m_pos));
        return true;
    }

private:
    void Fill(std::size_t wanted)
    {
        if (m_buffer.size() - m_pos >= wanted || m_end) {
            return;
        }
        m_buffer.erase(0, m_pos);
        m_pos = 0;
        char block[1 << 16];
        while (m_buffer.size() < wanted && !m_end) {
            const ssize_t got = ::read(m_fd.Get(), block, sizeof block);
            if (got <= 0) {
                m_end = true;
                break;
            }
            m_buffer.append(block, static_cast<std::size_t>(got));
        }
    }

    platform::UniqueFd m_fd;
    std::size_t m_rowBytes;
    std::string m_buffer;
    std::size_t m_pos = 0;
    bool m_end = false;
};

// ---- commands -----------------------------------------------------------------------------

class Commands {
public:
    Commands(const Arguments& arguments, std::ostream& out, std::ostream& err)
        : m_args(arguments), m_out(out), m_err(err), m_session(err)
    {
    }

    int Run()
    {
        const std::string& c = m_args.command;
        if (c == "tree") {
            return Expect(1) ? Tree() : Usage();
        }
        if (c == "details") {
            return Expect(2) ? Details() : Usage();
        }
        if (c == "hex") {
            return Expect(2) && !m_args.json ? Hex() : Usage();
        }
        if (c == "text") {
            return Expect(2) && !m_args.json ? Text() : Usage();
        }
        if (c == "save") {
            return Expect(3) ? Save() : Usage();
        }
        if (c == "body") {
            return Expect(2) ? Body() : Usage();
        }
        if (c == "checksum") {
            return Expect(1) ? Checksum() : Usage();
        }
        if (c == "extract") {
            return Expect(2) ? Extract() : Usage();
        }
        if (c == "convert") {
            return Expect(2) ? Convert() : Usage();
        }
        return Usage();
    }

private:
    bool Expect(std::size_t count) const
    {
        return m_args.positional.size() == count && (!m_args.raw || m_args.command == "tree") &&
               (!m_args.json || m_args.command == "tree" || m_args.command == "details");
    }

    int Usage()
    {
        m_err << kUsage;
        return kExitUsage;
    }

    int Fail(const std::string& what, StatusCode status)
    {
        return FailWith(what + " (" + StatusText(status) + ")");
    }

    // A message that already carries its status code.
    int FailWith(const std::string& message)
    {
        m_err << "pallion-cli: " << message << "\n";
        return kExitFailure;
    }

    bool Open() { return m_session.Open(m_args.positional[0], m_args.raw); }

    // The element of the node named by the second argument, or null with a message.
    ElementRef* NodeElement()
    {
        const std::string& id = m_args.positional[1];
        const NodeId node = m_session.Find(id);
        if (node == kNoNode) {
            m_err << "pallion-cli: no node " << TerminalText(id, platform::kDefaultCodePage) << "\n";
            return nullptr;
        }
        ElementRef* element = m_session.Tree().Element(node);
        if (!element) {
            m_err << "pallion-cli: node " << id << " designates no element\n";
        }
        return element;
    }

    int Tree()
    {
        if (!Open()) {
            return kExitFailure;
        }
        const NodeId root = m_session.Tree().Root();
        if (root == kNoNode) {
            return kExitFailure;
        }
        if (m_args.json) {
            PrintTreeJson(m_session, root, "0", 0, m_out);
            m_out << "\n";
        } else {
            PrintTreeLines(m_session, root, "0", 0, m_out);
        }
        return kExitOk;
    }

    int Details()
    {
        if (!Open()) {
            return kExitFailure;
        }
        ElementRef* element = NodeElement();
        if (!element) {
            return kExitFailure;
        }
        AppContext* app = TheApp();
        const DetailsTable table = BuildDetailsTable(element, app ? app->m_dictionary : nullptr, m_session.CodePage());
        if (m_args.json) {
            m_out << "{\"columns\": [";
            for (std::size_t i = 0; i < table.columns.size(); ++i) {
                m_out << (i ? ", " : "") << JsonString(table.columns[i], m_session.CodePage());
            }
            m_out << "], \"rows\": [";
            for (std::size_t r = 0; r < table.rows.size(); ++r) {
                m_out << (r ? ", " : "") << "[";
                for (std::size_t i = 0; i < table.rows[r].size(); ++i) {
                    m_out << (i ? ", " : "") << JsonString(table.rows[r][i], m_session.CodePage());
                }
                m_out << "]";
            }
            m_out << "]}\n";
            return kExitOk;
        }
        for (const auto& row : table.rows) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                m_out << (i ? "\t" : "") << m_session.Show(row[i]);
            }
            m_out << "\n";
        }
        return kExitOk;
    }

    int Hex()
    {
        if (!Open()) {
            return kExitFailure;
        }
        ElementRef* element = NodeElement();
        if (!element) {
            return kExitFailure;
        }
        ElementFile file;
        const StatusCode status = file.Write(m_session.Document(), element);
        if (platform::Failed(status)) {
            return FailWith(FormatStatusString(IDS_RAW_DATA_FAILED, status));
        }
        RowReader reader(file.Path(), kHexRowBytes);
        std::string row;
        std::string following;
        std::uint32_t index = 0;
        while (reader.Next(&row, &following)) {
            m_out << FormatHexRow(index++, reinterpret_cast<const std::uint8_t*>(row.data()), row.size())
                  << "\n";
        }
        return kExitOk;
    }

    int Text()
    {
        if (!Open()) {
            return kExitFailure;
        }
        ElementRef* element = NodeElement();
        if (!element) {
            return kExitFailure;
        }
        const bool unicode = element->m_textEncoding == TEXT_UNICODE;
        TextRowContext context;
        ElementFile file;
        const StatusCode status = file.Convert(m_session.Document(), element,
                                               unicode ? UnicodeTextToRows : AnsiTextToRows, &context);
        if (platform::Failed(status)) {
            return FailWith(FormatStatusString(IDS_RAW_DATA_FAILED, status));
        }
        RowReader reader(file.Path(), kTextRowBytes);
        std::string row;
        std::string following;
        while (reader.Next(&row, &following)) {
            const std::string shown =
                TextRowForDisplay(row, following, unicode ? TextRowEncoding::Utf8 : TextRowEncoding::EightBit,
                                  m_session.CodePage());
            m_out << TerminalText(shown, m_session.CodePage()) << "\n";
        }
        return kExitOk;
    }

    int Save()
    {
        if (!Open()) {
            return kExitFailure;
        }
        ElementRef* element = NodeElement();
        if (!element) {
            return kExitFailure;
        }
        const StatusCode status = m_session.Document().WriteElementData(element, m_args.positional[2].c_str());
        if (platform::Failed(status)) {
            return Fail("cannot save the element's data", status);
        }
        return kExitOk;
    }

    int Body()
    {
        if (!Open()) {
            return kExitFailure;
        }
        const MailBody body = m_session.Index().FindMailBody();
        const SaveBodyPlan plan = PlanSaveMailBody(body);
        if (plan.write == BodyWrite::None) {
            m_err << "pallion-cli: the message has no body\n";
            return kExitFailure;
        }
        const std::string& path = m_args.positional[1];
        const StatusCode status = SaveMailBody(m_session.Document(), body, path);
        if (platform::Failed(status)) {
            return Fail("cannot write the mail body", status);
        }
        const char* form = body.kind == MailBodyKind::CompressedRtf ? "rtf"
                           : body.kind == MailBodyKind::Html        ? "html"
                                                                    : "text";
        m_out << form << "\t" << TerminalText(path, platform::kDefaultCodePage) << "\n";
        return kExitOk;
    }

    int Checksum()
    {
        if (!Open()) {
            return kExitFailure;
        }
        CEnvelonDoc& document = m_session.Document();
        // A stream too short for a header holds no records to check: say so rather than
        // report an empty success.
        HeaderElement header;
        if (const StatusCode headerStatus = document.ReadHeader(&header); platform::Failed(headerStatus)) {
            return Fail("no TNEF header", headerStatus);
        }
        bool mismatch = false;
        AttributeElement record(ELEM_ATTRIBUTE);
        StatusCode status = document.ReadFirstAttribute(&record);
        while (platform::Succeeded(status)) {
            std::uint16_t computed = 0;
            const StatusCode sumStatus = document.ComputeChecksum(&record, &computed);
            const bool good = platform::Succeeded(sumStatus) && computed == record.m_checksum;
            mismatch = mismatch || !good;
            m_out << record.m_position << '\t'
                  << platform::Format("%#010X", record.m_identifier) << '\t'
                  << AttributeIdentifierName(record.m_identifier) << '\t' << record.m_checksum << '\t';
            if (platform::Succeeded(sumStatus)) {
                m_out << computed << '\t' << (good ? "OK" : "MISMATCH") << '\n';
            } else {
                m_out << "-\tUNREADABLE\n";
            }
            if (platform::Failed(document.SkipAttribute(&record))) {
                break;
            }
            record.Reset();
            status = document.ReadNextAttribute(&record);
        }
        return mismatch ? kExitChecksumMismatch : kExitOk;
    }

    int Extract();
    int Convert();

    const Arguments& m_args;
    std::ostream& m_out;
    std::ostream& m_err;
    Session m_session;
};

// Copies an element's bytes from the document's stream into an open file.
StatusCode CopyElementToFile(CEnvelonDoc& document, const ElementRef* element, int fd, std::uint64_t* written)
{
    std::uint64_t offset = 0;
    std::uint32_t count = 0;
    StatusCode status = document.GetElementRange(element, &offset, &count);
    if (platform::Failed(status)) {
        return status;
    }
    status = document.m_stream->Seek(static_cast<std::int64_t>(offset), platform::STREAM_SEEK_SET, nullptr);
    if (platform::Failed(status)) {
        return status;
    }
    std::vector<std::uint8_t> buffer(1 << 16);
    std::uint64_t left = count;
    *written = 0;
    while (left > 0) {
        std::uint32_t got = 0;
        const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, buffer.size()));
        status = document.m_stream->Read(buffer.data(), want, &got);
        if (platform::Failed(status)) {
            return status;
        }
        if (got == 0) {
            break; // the range runs past the end of the stream: keep what there is
        }
        for (std::uint32_t done = 0; done < got;) {
            const ssize_t put = ::write(fd, buffer.data() + done, got - done);
            if (put < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return platform::StatusFromErrno();
            }
            done += static_cast<std::uint32_t>(put);
        }
        *written += got;
        left -= got;
    }
    return platform::S_OK;
}

// The name an attachment's data is written under, before numbering.
std::string AttachmentFileName(const ElementRef& element, unsigned place)
{
    std::string name = SafeAttachmentName(element.m_name);
    if (!name.empty() && element.Kind() != ELEM_EMBEDDED_MESSAGE && element.Kind() != ELEM_OLE_OBJECT) {
        return name;
    }
    if (name.empty()) {
        name = "attachment-" + std::to_string(place);
    }
    if (element.Kind() == ELEM_EMBEDDED_MESSAGE) {
        return name + ".tnef";
    }
    if (element.Kind() == ELEM_OLE_OBJECT) {
        return name + ".ole";
    }
    return name + ".dat";
}

int Commands::Extract()
{
    if (!Open()) {
        return kExitFailure;
    }
    const std::string& folder = m_args.positional[1];
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        return Fail("cannot create " + TerminalText(folder, platform::kDefaultCodePage), platform::StatusFromErrno());
    }
    platform::UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.Valid()) {
        return Fail("cannot open " + TerminalText(folder, platform::kDefaultCodePage), platform::StatusFromErrno());
    }
    MemoryTree& tree = m_session.Tree();
    unsigned place = 0;
    int result = kExitOk;
    for (NodeId group = m_session.Index().m_firstAttachment; group != kNoNode; group = tree.NextSibling(group)) {
        ++place;
        const ElementRef* element = tree.Element(group);
        std::uint64_t offset = 0;
        std::uint32_t count = 0;
        if (!element || platform::Failed(m_session.Document().GetElementRange(element, &offset, &count))) {
            continue; // a group without data is not an error
        }
        const std::string base = AttachmentFileName(*element, place);
        std::string name;
        platform::UniqueFd file;
        for (unsigned n = 1; n < 10000 && !file.Valid(); ++n) {
            name = NumberedName(base, n);
            file.Reset(::openat(dir.Get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
            if (!file.Valid() && errno != EEXIST && errno != ELOOP) {
                break;
            }
        }
        if (!file.Valid()) {
            result = Fail("cannot create " + TerminalText(name, platform::kDefaultCodePage), platform::StatusFromErrno());
            continue;
        }
        std::uint64_t written = 0;
        const StatusCode status = CopyElementToFile(m_session.Document(), element, file.Get(), &written);
        if (platform::Failed(status)) {
            result = Fail("cannot write " + TerminalText(name, platform::kDefaultCodePage), status);
            continue;
        }
        m_out << written << '\t' << TerminalText(name, platform::kDefaultCodePage) << '\n';
    }
    return result;
}

int Commands::Convert()
{
    AppContext* app = TheApp();
    if (!app) {
        return Fail("no application context", platform::E_UNEXPECTED);
    }
    if (!app->m_ferrule.IsLoaded()) {
        const StatusCode status = LoadFerrule(&app->m_ferrule);
        if (platform::Failed(status)) {
            return FailWith(FormatStatusString(IDS_MAPI_INIT_FAILED, status));
        }
    }
    char buffer[FERRULE_PATH_BUFFER_SIZE] = {};
    const StatusCode status = ConvertMessageFile(&app->m_ferrule, m_args.positional[0].c_str(), buffer);
    buffer[sizeof buffer - 1] = '\0';
    if (platform::Failed(status)) {
        return FailWith(FormatStatusString(IDS_MAPI_MESSAGE_FAILED, status));
    }
    platform::TempFile converted(buffer);
    const StatusCode copied = platform::CopyWholeFile(converted.Path(), m_args.positional[1]);
    if (platform::Failed(copied)) {
        return Fail("cannot write " + TerminalText(m_args.positional[1], platform::kDefaultCodePage), copied);
    }
    return kExitOk;
}

} // namespace

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
                      std::strcmp(argv[1], "help") == 0)) {
        out << kUsage;
        return kExitOk;
    }
    const std::optional<Arguments> arguments = Parse(argc, argv);
    if (!arguments) {
        err << kUsage;
        return kExitUsage;
    }
    Commands commands(*arguments, out, err);
    return commands.Run();
}

} // namespace tools
