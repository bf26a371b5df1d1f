#include "tools/cli.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/format.h"
#include "platform/text_safety.h"
#include "tools/cli_output.h"
#include "viewer/doc/app/app_context.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/document/message_sink.h"
#include "viewer/doc/frame/tool_commands.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/naming/naming.h"
#include "viewer/doc/naming/strings.h"
#include "viewer/doc/panes/details_rows.h"
#include "viewer/doc/panes/element_rows.h"
#include "viewer/doc/tree/tree_builder.h"
#include "viewer/items/document_message.h"
#include "viewer/items/export_commands.h"
#include "viewer/items/item_export.h"

namespace tools {

using namespace viewer::doc::app;
using namespace viewer::doc::document;
using namespace viewer::doc::frame;
using namespace viewer::doc::model;
using namespace viewer::doc::naming;
using namespace viewer::doc::panes;
using namespace viewer::doc::tree;
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
    "  export FILE [ID] OUT         writes the meeting, appointment or task as iCalendar\n"
    "                               (.ics), or the contact as vCard (.vcf); with ID, the\n"
    "                               embedded message at that node\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 wrong usage, 3 checksum mismatch.\n";

// The design's "%0#010X" (the repeated '0' flag changes nothing).
std::string StatusText(StatusCode status)
{
    return platform::Format("%#010X", static_cast<unsigned>(status));
}

// Messages from the document go to stderr.
class StderrSink final : public MessageSink {
public:
    explicit StderrSink(std::ostream& err) : m_err(err) {}
    MessageAnswer Show(const std::string& text, MessageIcon, MessageButtons) override
    {
        m_err << "pallion-cli: " << Shown(text) << "\n";
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

TagoraHandle Dictionary()
{
    const AppContext* app = TheApp();
    return app ? app->m_dictionary : nullptr;
}

class Commands {
public:
    Commands(const Arguments& arguments, std::ostream& out, std::ostream& err)
        : m_args(arguments), m_out(out), m_err(err), m_sink(err)
    {
        m_document.SetMessageSink(&m_sink);
    }

    int Run()
    {
        struct Entry {
            const char* name;
            std::size_t arguments;
            bool json;
            int (Commands::*run)();
            std::size_t moreArguments = 0; // optional ones before the last
        };
        static constexpr Entry kCommands[] = {
            {"tree", 1, true, &Commands::Tree},          {"details", 2, true, &Commands::Details},
            {"hex", 2, false, &Commands::Hex},           {"text", 2, false, &Commands::Text},
            {"save", 3, false, &Commands::Save},         {"body", 2, false, &Commands::Body},
            {"checksum", 1, false, &Commands::Checksum}, {"extract", 2, false, &Commands::Extract},
            {"convert", 2, false, &Commands::Convert},
            {"export", 2, false, &Commands::Export, 1},
        };
        for (const Entry& entry : kCommands) {
            if (m_args.command == entry.name) {
                const std::size_t given = m_args.positional.size();
                const bool fits =
                    given >= entry.arguments && given <= entry.arguments + entry.moreArguments &&
                    (!m_args.raw || m_args.command == "tree") && (!m_args.json || entry.json);
                return fits ? (this->*entry.run)() : Usage();
            }
        }
        return Usage();
    }

private:
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

    // Opens FILE in place (converting .msg and .eml) and builds its tree.
    bool Open()
    {
        if (!m_document.OpenInPlace(m_args.positional[0].c_str())) {
            return false;
        }
        if (m_args.raw) {
            m_document.SetRawView(true);
        }
        m_tree.Build(m_document, Dictionary());
        return true;
    }

    // Opens FILE and finds the element of the node named by the second argument.
    ElementRef* OpenNode() { return Open() ? FindNode(m_args.positional[1]) : nullptr; }

    // The element of the node `id` of the open document's tree.
    ElementRef* FindNode(const std::string& id)
    {
        const NodeId node = m_tree.GetTree().FindByPath(id);
        if (node == kNoNode) {
            m_err << "pallion-cli: no node " << Shown(id) << "\n";
            return nullptr;
        }
        ElementRef* element = m_tree.GetTree().Element(node);
        if (!element) {
            m_err << "pallion-cli: node " << id << " designates no element\n";
        }
        return element;
    }

    int Tree()
    {
        if (!Open() || m_tree.GetTree().Root() == kNoNode) {
            return kExitFailure;
        }
        if (m_args.json) {
            PrintTreeJson(m_tree.GetTree(), m_tree.GetTree().Root(), "0", 0, m_out);
            m_out << "\n";
        } else {
            PrintTreeLines(m_tree.GetTree(), m_tree.GetTree().Root(), "0", 0, m_out);
        }
        return kExitOk;
    }

    int Details()
    {
        const ElementRef* element = OpenNode();
        if (!element) {
            return kExitFailure;
        }
        const DetailsTable table = BuildDetailsTable(element, Dictionary(), m_document.CodePage());
        PrintDetails(table, m_args.json, m_out);
        return kExitOk;
    }

    int Rows(bool hex)
    {
        const ElementRef* element = OpenNode();
        if (!element) {
            return kExitFailure;
        }
        ElementRows rows;
        const StatusCode status =
            hex ? rows.OpenHex(m_document, element) : rows.OpenText(m_document, element);
        if (platform::Failed(status)) {
            return FailWith(FormatStatusString(IDS_RAW_DATA_FAILED, status));
        }
        for (std::string row; rows.Next(&row);) {
            // Hex rows hold no control characters; text rows may hold formatting ones.
            m_out << (hex ? row : platform::EscapeForDisplay(row)) << "\n";
        }
        return kExitOk;
    }

    int Hex() { return Rows(true); }
    int Text() { return Rows(false); }

    int Save()
    {
        const ElementRef* element = OpenNode();
        if (!element) {
            return kExitFailure;
        }
        const std::string& path = m_args.positional[2];
        const StatusCode status = m_document.WriteElementData(element, path.c_str());
        return platform::Failed(status) ? Fail("cannot save the element's data", status) : kExitOk;
    }

    int Body()
    {
        if (!Open()) {
            return kExitFailure;
        }
        const MailBody body = m_tree.Index().FindMailBody();
        if (PlanSaveMailBody(body).write == BodyWrite::None) {
            return FailWith("the message has no body");
        }
        const std::string& path = m_args.positional[1];
        const StatusCode status = SaveMailBody(m_document, body, path);
        if (platform::Failed(status)) {
            return Fail("cannot write the mail body", status);
        }
        const char* form = body.kind == MailBodyKind::CompressedRtf ? "rtf"
                           : body.kind == MailBodyKind::Html        ? "html"
                                                                    : "text";
        m_out << form << "\t" << Shown(path) << "\n";
        return kExitOk;
    }

    int Checksum()
    {
        if (!m_document.OpenInPlace(m_args.positional[0].c_str())) {
            return kExitFailure;
        }
        bool mismatch = false;
        const StatusCode status = m_document.CheckEveryRecord([&](const RecordChecksum& record) {
            const bool good = record.readable && record.computed == record.stored;
            mismatch = mismatch || !good;
            const std::string identifier = platform::Format("%#010X", record.identifier);
            m_out << record.position << '\t' << identifier << '\t'
                  << AttributeIdentifierName(record.identifier) << '\t' << record.stored << '\t';
            if (record.readable) {
                m_out << record.computed << '\t' << (good ? "OK" : "MISMATCH") << '\n';
            } else {
                m_out << "-\tUNREADABLE\n";
            }
        });
        // A stream too short for a header holds no records to check: say so rather than
        // report an empty success.
        if (platform::Failed(status)) {
            return Fail("no TNEF header", status);
        }
        return mismatch ? kExitChecksumMismatch : kExitOk;
    }

    int Extract()
    {
        if (!Open()) {
            return kExitFailure;
        }
        const std::string& folder = m_args.positional[1];
        int result = kExitOk;
        FolderFailure folderFailure = FolderFailure::None;
        const StatusCode status = ExtractAttachments(
            m_document, m_tree.GetTree(), m_tree.Index(), folder,
            [&](const ExtractedAttachment& file) {
                if (platform::Succeeded(file.status)) {
                    m_out << file.written << '\t' << Shown(file.name) << '\n';
                } else {
                    const char* what = file.created ? "cannot write " : "cannot create ";
                    result = Fail(what + Shown(file.name), file.status);
                }
            },
            &folderFailure);
        if (platform::Failed(status)) {
            const bool open = folderFailure == FolderFailure::Open;
            const char* step = open ? "cannot open " : "cannot create ";
            return Fail(step + Shown(folder), status);
        }
        return result;
    }

    int Convert()
    {
        platform::TempFile converted;
        if (!CEnvelonDoc::ConvertMessage(m_args.positional[0].c_str(), &converted, &m_sink)) {
            return kExitFailure;
        }
        const StatusCode copied = platform::CopyWholeFile(converted.Path(), m_args.positional[1]);
        if (platform::Failed(copied)) {
            return Fail("cannot write " + Shown(m_args.positional[1]), copied);
        }
        return kExitOk;
    }

    int Export()
    {
        if (!Open()) {
            return kExitFailure;
        }
        viewer::items::Message message;
        StatusCode status = platform::S_OK;
        if (m_args.positional.size() == 3) {
            const ElementRef* element = FindNode(m_args.positional[1]);
            if (!element) {
                return kExitFailure;
            }
            if (!viewer::items::IsEmbeddedMessage(element)) {
                return FailWith("node " + Shown(m_args.positional[1]) +
                                " holds no embedded message");
            }
            status =
                viewer::items::ReadEmbeddedMessage(m_document, *element, Dictionary(), message);
        } else {
            status = viewer::items::ReadDocumentMessage(m_document, m_tree.GetTree(),
                                                        m_tree.Index(), message);
        }
        if (platform::Failed(status)) {
            return Fail("cannot read the message", status);
        }
        const auto format = viewer::items::ExportFormatOf(message);
        if (format == viewer::items::ExportFormat::None) {
            const std::string messageClass = viewer::items::MessageClassOf(message);
            return FailWith("a message of class " +
                            (messageClass.empty() ? "(none)" : Shown(messageClass)) +
                            " is no meeting, appointment, task or contact");
        }
        const std::string& path = m_args.positional.back();
        status = viewer::items::WriteExport(message, path);
        if (platform::Failed(status)) {
            return Fail("cannot write " + Shown(path), status);
        }
        m_out << viewer::items::FileExtensionOf(format).substr(1) << '\t' << Shown(path) << '\n';
        return kExitOk;
    }

    const Arguments& m_args;
    std::ostream& m_out;
    std::ostream& m_err;
    StderrSink m_sink;
    CEnvelonDoc m_document;
    DocumentTree m_tree;
};

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
