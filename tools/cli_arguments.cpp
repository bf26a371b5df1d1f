#include "tools/cli_arguments.h"

namespace tools {

using viewer::render::body::BodyForm;

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
    "  body [--format rtf|html|text] FILE OUT\n"
    "                               writes the mail body: as stored (RTF inflated, HTML or\n"
    "                               plain text), or as RTF, a web page or the text a person sees\n"
    "  picture FILE ID OUT.svg      an attachment rendering or an OLE object's picture as SVG\n"
    "  checksum FILE                every attribute record with stored and computed checksum\n"
    "  check [--json] FILE          every problem found in the stream, with its byte offset,\n"
    "                               and what is unusual as notes\n"
    "  extract FILE DIR             writes every attachment into DIR (created when missing)\n"
    "  convert MSG OUT              converts an Outlook .msg file to a TNEF file\n"
    "  export FILE [ID] OUT         writes the meeting, appointment or task as iCalendar\n"
    "                               (.ics), or the contact as vCard (.vcf); with ID, the\n"
    "                               embedded message at that node\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 wrong usage, 3 a checksum that does not match\n"
    "(checksum) or problems found (check), 4 damaged input: what could be read was shown or\n"
    "written and the damage is described on stderr with its byte offset.\n"
    "Output files are written whole or not at all.\n";

} // namespace

const char* UsageText()
{
    return kUsage;
}

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
        } else if (word == "--format" && i + 1 < argc) {
            arguments.format = argv[++i];
        } else if (word.rfind("--format=", 0) == 0) {
            arguments.format = word.substr(9);
        } else if (word.size() > 1 && word[0] == '-' && word != "--") {
            return std::nullopt;
        } else {
            arguments.positional.push_back(word);
        }
    }
    return arguments;
}

std::optional<BodyForm> FormNamed(const std::string& name)
{
    if (name == "rtf") {
        return BodyForm::Rtf;
    }
    if (name == "html") {
        return BodyForm::Html;
    }
    if (name == "text") {
        return BodyForm::Text;
    }
    return std::nullopt;
}

} // namespace tools
