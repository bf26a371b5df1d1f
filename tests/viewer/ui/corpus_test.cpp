// The viewer over the sample corpus, offscreen: every TNEF, .msg and .eml file the manifest
// records as read by the peer tools opens without a message and shows the tree pallion-cli
// shows, and each top-level element shows in the hex and text panes without a message. Any
// other file opens the same way or shows its loading message; none crashes.
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <QMdiArea>
#include <gtest/gtest.h>

#include "tests/support/test_files.h"
#include "tests/viewer/ui/qt_environment.h"
#include "viewer/doc/model/element.h"
#include "viewer/ui/child_frame.h"
#include "viewer/ui/commands.h"
#include "viewer/ui/envelon_app.h"
#include "viewer/ui/left_view.h"
#include "viewer/ui/main_frame.h"
#include "viewer/ui/row_pane.h"
#include "viewer/ui/tree_model.h"

namespace viewer::ui {
namespace {

using namespace viewer::doc::document;
using namespace viewer::doc::model;

struct CorpusFile {
    std::string path; // under the corpus folder
    bool read = false;
};

void PrintTo(const CorpusFile& file, std::ostream* out)
{
    *out << file.path;
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The rows of the manifest's TNEF, .eml and .msg tables. A file counts as read when the
// table's last column, the peer tools' verdict, begins with the main peer's "ok".
std::vector<CorpusFile> ManifestFiles()
{
    std::vector<CorpusFile> files;
    std::ifstream manifest(PALLION_CORPUS_DIR "/MANIFEST.md");
    std::string folder;
    for (std::string line; std::getline(manifest, line);) {
        if (line.rfind("## ", 0) == 0) {
            const std::string name = line.substr(3, line.find('/') - 3);
            folder = name == "tnef" || name == "eml" || name == "msg" ? name : "";
            continue;
        }
        if (folder.empty() || line.rfind("| ", 0) != 0 || line.rfind("| File ", 0) == 0) {
            continue;
        }
        std::vector<std::string> cells;
        std::istringstream row(line.substr(1));
        for (std::string cell; std::getline(row, cell, '|');) {
            cells.push_back(Trimmed(cell));
        }
        if (cells.size() < 2) {
            continue;
        }
        const std::string& verdict = cells[cells.size() - 1].empty() && cells.size() > 2
                                         ? cells[cells.size() - 2]
                                         : cells.back();
        const char* peer = folder == "msg" ? "msgconvert: ok" : "tnef: ok";
        files.push_back({folder + "/" + cells[0], verdict.rfind(peer, 0) == 0});
    }
    return files;
}

// The tree as pallion-cli prints it: the id, caption, element kind and image of each node.
std::string CliTree(const std::string& path)
{
    const std::string command =
        std::string("'" PALLION_BIN_DIR "/pallion-cli' tree '") + path + "'";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.append(buffer, got);
        }
        ::pclose(pipe);
    }
    return out;
}

// The same lines from the tree pane's model, as the pane shows its captions.
void AppendModelTree(const TreeModel& model, const QModelIndex& index, const std::string& id,
                     int depth, std::string* out)
{
    const auto node = model.NodeOf(index);
    const ElementRef* element = model.Tree().Element(node);
    *out += std::string(static_cast<std::size_t>(depth) * 2, ' ') + id + '\t' +
            model.data(index, Qt::DisplayRole).toString().toStdString() + '\t' +
            (element ? ElementKindName(element->Kind()) : "") + '\t' +
            std::to_string(model.Tree().Image(node)) + '\n';
    for (int row = 0; row < model.rowCount(index); ++row) {
        AppendModelTree(model, model.index(row, 0, index), id + "." + std::to_string(row),
                        depth + 1, out);
    }
}

// One viewer for every file, as a person opens one file after another: the conversion
// library it loads for the first .msg file stays until the viewer ends.
class ViewerCorpus : public ::testing::TestWithParam<CorpusFile> {
protected:
    static void SetUpTestSuite()
    {
        s_app = new CEnvelonApp;
        s_app->SetMessageSink(&Sink());
        bool started = false;
        QObject::connect(s_app, &CEnvelonApp::StartUpFinished, s_app,
                         [&started](bool running, int) { started = running; });
        s_app->Start({});
        EXPECT_TRUE(ui_testing::SpinUntil([&started] { return started; }));
    }

    static void TearDownTestSuite()
    {
        delete s_app;
        s_app = nullptr;
        ui_testing::FlushDeletions();
    }

    void SetUp() override { Sink().Clear(); }

    void TearDown() override
    {
        s_app->MainFrame().MdiArea()->closeAllSubWindows();
        ui_testing::FlushDeletions();
    }

    static RecordingMessageSink& Sink()
    {
        static RecordingMessageSink sink;
        return sink;
    }

    // Shows each element under the root in the hex and in the text pane.
    static void ShowTopLevelRows(CChildFrame& child)
    {
        CMainFrame& frame = s_app->MainFrame();
        const TreeModel* model = child.Tree()->Model();
        const QModelIndex root = model->index(0, 0);
        for (int row = 0; row < model->rowCount(root); ++row) {
            child.Tree()->setCurrentIndex(model->index(row, 0, root));
            for (const std::uint32_t command : {ID_VIEW_HEX, ID_VIEW_TEXT}) {
                frame.UpdateCommandStates();
                if (!frame.Action(command)->isEnabled()) {
                    continue;
                }
                frame.OnCommand(command);
                EXPECT_NE(dynamic_cast<RowPane*>(child.CurrentRightView()), nullptr);
            }
        }
    }

    static CEnvelonApp* s_app;
};

CEnvelonApp* ViewerCorpus::s_app = nullptr;

TEST_P(ViewerCorpus, OpensWithTheCliTreeOrSaysWhyNot)
{
    const CorpusFile& file = GetParam();
    const std::string path = std::string(PALLION_CORPUS_DIR) + "/" + file.path;
    if (!testing_support::FileExists(path)) {
        GTEST_SKIP() << "not in this corpus: " << path;
    }
    CChildFrame* child = s_app->OpenDocumentFile(path, CEnvelonApp::Remember::No);
    const auto& messages = Sink().Messages();
    if (file.read) {
        ASSERT_NE(child, nullptr);
        EXPECT_TRUE(messages.empty()) << messages.front().text;
    }
    if (!child) {
        EXPECT_FALSE(messages.empty()); // its loading message
        return;
    }
    std::string shown;
    AppendModelTree(*child->Tree()->Model(), child->Tree()->Model()->index(0, 0), "0", 0, &shown);
    EXPECT_EQ(shown, CliTree(path));
    const std::size_t before = messages.size();
    ShowTopLevelRows(*child);
    EXPECT_EQ(messages.size(), before);
}

INSTANTIATE_TEST_SUITE_P(Corpus, ViewerCorpus, ::testing::ValuesIn(ManifestFiles()),
                         [](const ::testing::TestParamInfo<CorpusFile>& param) {
                             return testing_support::IdentifierOf(param.param.path);
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ViewerCorpus);

} // namespace
} // namespace viewer::ui
