#include "tools/cli.h"

#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>

#include "platform/file_io.h"
#include "platform/files.h"
#include "platform/output_file.h"
#include "platform/private_temp.h"
#include "tools/cli_arguments.h"
#include "tools/cli_output.h"
#include "viewer/doc/app/app_context.h"
#include "viewer/doc/frame/element_picture.h"
#include "viewer/doc/frame/stored_bodies.h"
#include "viewer/doc/frame/tool_commands.h"
#include "viewer/doc/naming/strings.h"
#include "viewer/doc/panes/details_rows.h"
#include "viewer/doc/panes/element_rows.h"
#include "viewer/doc/tree/damage_check.h"
#include "viewer/doc/tree/tree_builder.h"
#include "viewer/items/document_message.h"
#include "viewer/items/export_commands.h"
#include "viewer/items/item_export.h"
#include "viewer/render/metafile/svg_writer.h"

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

TagoraHandle Dictionary()
{
    const AppContext* app = TheApp();
    return app ? app->m_dictionary : nullptr;
}

class Commands {
public:
    Commands(const Arguments& arguments, std::ostream& out, std::ostream& err)
        : m_args(arguments), m_out(out), m_err(err)
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
            {"checksum", 1, false, &Commands::Checksum}, {"check", 1, true, &Commands::Check},
            {"extract", 2, false, &Commands::Extract},   {"convert", 2, false, &Commands::Convert},
            {"picture", 3, false, &Commands::Picture},   {"export", 2, false, &Commands::Export, 1},
        };
        for (const Entry& entry : kCommands) {
            if (m_args.command == entry.name) {
                const std::size_t given = m_args.positional.size();
                const bool fits =
                    given >= entry.arguments && given <= entry.arguments + entry.moreArguments &&
                    (!m_args.raw || m_args.command == "tree") && (!m_args.json || entry.json) &&
                    (!m_args.format || (m_args.command == "body" && FormNamed(*m_args.format)));
                return fits ? (this->*entry.run)() : Usage();
            }
        }
        return Usage();
    }

private:
    int Usage()
    {
        m_err << UsageText();
        return kExitUsage;
    }

    int Fail(const std::string& message)
    {
        m_err << "pallion-cli: " << message << "\n";
        return kExitFailure;
    }

    // The command's own result, then what the walk found: a file that is no TNEF stream is a
    // failure, damage gives 4 (the first of 2, 1, 4, 3, 0 wins).
    int Conclude(int result)
    {
        if (result == kExitUsage || result == kExitFailure) {
            return result;
        }
        const DamageReport& damage = m_tree.Result().damage;
        if (damage.notTnef) {
            const std::string why = damage.entries.empty() ? "" : ": " + damage.entries[0].message;
            return Fail(Shown(m_args.positional[0]) + " is not a TNEF stream" + why);
        }
        if (!damage.HasProblems()) {
            return result;
        }
        PrintDamageProblems(damage, m_err);
        return kExitDamaged;
    }

    // Files that are converted first need the private temporary folder: say so when it cannot
    // be made rather than let the conversion fail with a bare "no such file".
    bool TemporaryFolderUsable()
    {
        std::string folder;
        const StatusCode status = platform::PrivateTempFolder(&folder);
        if (platform::Failed(status)) {
            Fail("cannot use the temporary folder " + Shown(platform::TempFolder()) + ": " +
                 Because(status));
        }
        return platform::Succeeded(status);
    }

    // Opens FILE in place (converting .msg and .eml) and builds its tree.
    bool Open(bool buildTree = true)
    {
        const std::string& path = m_args.positional[0];
        if (CEnvelonDoc::NeedsConversion(path) && !TemporaryFolderUsable()) {
            return false;
        }
        if (!m_document.OpenInPlace(path.c_str())) {
            const OpenFailure& failure = m_document.LastOpenFailure();
            Fail(failure.step != OpenStep::None ? OpenFailureMessage(path, failure)
                                                : Shown(m_sink.Last()));
            return false;
        }
        m_document.SetRawView(m_args.raw);
        if (buildTree) {
            m_tree.Build(m_document, Dictionary());
        }
        return true;
    }

    // Opens FILE and finds the element of the node named by the second argument.
    ElementRef* OpenNode() { return Open() ? FindNode(m_args.positional[1]) : nullptr; }

    // The element of the node `id` of the open document's tree.
    ElementRef* FindNode(const std::string& id)
    {
        const NodeId node = m_tree.GetTree().FindByPath(id);
        ElementRef* element = node != kNoNode ? m_tree.GetTree().Element(node) : nullptr;
        if (!element) {
            Fail(node == kNoNode ? "no node " + Shown(id)
                                 : "node " + Shown(id) + " designates no element");
        }
        return element;
    }

    // Writes OUT whole or not at all: `write` fills the open file; a failure it reports
    // itself (it returns false) or a failed write leaves nothing.
    template <typename Write> int WriteOutput(const std::string& path, Write write)
    {
        platform::OutputFile file;
        StatusCode status = file.Open(path);
        if (platform::Failed(status)) {
            return Fail("cannot create " + Shown(path) + ": " + Because(status));
        }
        bool readFailed = false;
        status = write(file.Fd(), &readFailed);
        if (readFailed) {
            return kExitFailure;
        }
        if (platform::Succeeded(status)) {
            status = file.Commit();
        }
        return platform::Failed(status)
                   ? Fail("cannot write " + Shown(path) + ": " + Because(status))
                   : kExitOk;
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
        return Conclude(kExitOk);
    }

    int Details()
    {
        const ElementRef* element = OpenNode();
        if (!element) {
            return kExitFailure;
        }
        PrintDetails(BuildDetailsTable(element, Dictionary(), m_document.CodePage()), m_args.json,
                     m_out);
        return Conclude(kExitOk);
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
            return Fail(FormatStatusString(IDS_RAW_DATA_FAILED, status));
        }
        // A closed or full output ends the rows: nothing more could be shown.
        for (std::string row; m_out && rows.Next(&row);) {
            m_out << row << "\n";
        }
        return Conclude(kExitOk);
    }

    int Hex() { return Rows(true); }
    int Text() { return Rows(false); }

    int Save()
    {
        const ElementRef* element = OpenNode();
        if (!element) {
            return kExitFailure;
        }
        return Conclude(WriteOutput(m_args.positional[2], [&](int fd, bool*) {
            std::uint64_t written = 0;
            return m_document.CopyElementData(element, fd, &written);
        }));
    }

    int Body()
    {
        if (!Open()) {
            return kExitFailure;
        }
        const std::string& path = m_args.positional[1];
        if (m_args.format) {
            std::string text;
            const StatusCode status = RenderStoredBody(m_document, m_tree.GetTree(), m_tree.Index(),
                                                       *FormNamed(*m_args.format), &text);
            if (status == platform::MAPI_E_NOT_FOUND) {
                return Fail(*m_args.format == "rtf" ? "the message has no RTF body"
                                                    : "the message has no body");
            }
            if (platform::Failed(status)) {
                return Fail(BodyFailureMessage(status));
            }
            return Conclude(
                WriteOutput(path, [&](int fd, bool*) { return platform::WriteAll(fd, text); }));
        }
        const MailBody body = m_tree.Index().FindMailBody();
        if (PlanSaveMailBody(body).write == BodyWrite::None) {
            return Fail("the message has no body");
        }
        const int result = WriteOutput(path, [&](int fd, bool* readFailed) {
            bool writeFailed = false;
            const StatusCode status = WriteMailBody(m_document, body, fd, &writeFailed);
            if (platform::Failed(status) && !writeFailed) {
                *readFailed = true;
                Fail(BodyFailureMessage(status));
            }
            return status;
        });
        if (result == kExitOk) {
            m_out << StoredFormName(body.kind) << "\t" << Shown(path) << "\n";
        }
        return Conclude(result);
    }

    int Picture()
    {
        const ElementRef* element = OpenNode();
        if (!element) {
            return kExitFailure;
        }
        viewer::render::metafile::Picture picture;
        const StatusCode status = ElementPicture(m_document, element, &picture);
        if (platform::Failed(status)) {
            return Fail(PictureFailureMessage(m_args.positional[1], status));
        }
        const std::string svg = viewer::render::metafile::WriteSvg(picture);
        return Conclude(WriteOutput(m_args.positional[2],
                                    [&](int fd, bool*) { return platform::WriteAll(fd, svg); }));
    }

    int Checksum()
    {
        if (!Open()) {
            return kExitFailure;
        }
        bool mismatch = false;
        static_cast<void>(m_document.CheckEveryRecord([&](const RecordChecksum& record) {
            mismatch = !PrintChecksumRow(record, m_out) || mismatch;
        }));
        return Conclude(mismatch ? kExitChecksumMismatch : kExitOk);
    }

    int Check()
    {
        const std::string& path = m_args.positional[0];
        if (!Open(false)) {
            return kExitFailure;
        }
        const DamageReport report = CheckDocument(m_document, Dictionary());
        PrintDamage(report, m_args.json, m_out);
        if (report.notTnef) {
            return Fail(Shown(path) + " is not a TNEF stream");
        }
        return report.HasProblems() ? kExitProblemsFound : kExitOk;
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
                    result = Fail("cannot write " + Shown(file.name) + " into " + Shown(folder) +
                                  ": " + Because(file.status));
                }
            },
            &folderFailure);
        if (platform::Failed(status)) {
            const char* step =
                folderFailure == FolderFailure::Open ? "cannot open " : "cannot create ";
            return Fail(step + Shown(folder) + ": " + Because(status));
        }
        return Conclude(result);
    }

    int Convert()
    {
        const std::string& path = m_args.positional[0];
        if (!TemporaryFolderUsable()) {
            return kExitFailure;
        }
        platform::TempFile converted;
        OpenFailure failure;
        if (!CEnvelonDoc::ConvertMessage(path.c_str(), &converted, &m_sink, &failure)) {
            return Fail(OpenFailureMessage(path, failure));
        }
        return WriteOutput(m_args.positional[1], [&](int fd, bool*) {
            const platform::UniqueFd in(::open(converted.Path().c_str(), O_RDONLY | O_CLOEXEC));
            if (!in.Valid()) {
                return platform::StatusFromErrno();
            }
            return platform::CopyToEnd(in.Get(), fd);
        });
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
                return Fail("node " + Shown(m_args.positional[1]) + " holds no embedded message");
            }
            status =
                viewer::items::ReadEmbeddedMessage(m_document, *element, Dictionary(), message);
        } else {
            status = viewer::items::ReadDocumentMessage(m_document, m_tree.GetTree(),
                                                        m_tree.Index(), message);
        }
        if (platform::Failed(status)) {
            return Fail("cannot read the message: " + Because(status));
        }
        const auto format = viewer::items::ExportFormatOf(message);
        if (format == viewer::items::ExportFormat::None) {
            const std::string messageClass = viewer::items::MessageClassOf(message);
            return Fail("a message of class " +
                        (messageClass.empty() ? "(none)" : Shown(messageClass)) +
                        " is no meeting, appointment, task or contact");
        }
        const std::string& path = m_args.positional.back();
        status = viewer::items::WriteExport(message, path);
        if (platform::Failed(status)) {
            return Fail("cannot write " + Shown(path) + ": " + Because(status));
        }
        m_out << viewer::items::FileExtensionOf(format).substr(1) << '\t' << Shown(path) << '\n';
        return Conclude(kExitOk);
    }

    const Arguments& m_args;
    std::ostream& m_out;
    std::ostream& m_err;
    KeepingSink m_sink;
    CEnvelonDoc m_document;
    DocumentTree m_tree;
};

} // namespace

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
                      std::strcmp(argv[1], "help") == 0)) {
        out << UsageText();
        return kExitOk;
    }
    const std::optional<Arguments> arguments = Parse(argc, argv);
    if (!arguments) {
        err << UsageText();
        return kExitUsage;
    }
    Commands commands(*arguments, out, err);
    return commands.Run();
}

} // namespace tools
