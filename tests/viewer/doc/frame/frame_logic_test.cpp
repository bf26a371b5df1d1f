// The document window's decisions: pane swapping and the tree toggle over a recording host,
// command enabling, routing order, the tools commands' outcomes, and names from the stream
// made safe before they reach a file name or a dialog.
#include "viewer/doc/frame/commands.h"
#include "viewer/doc/frame/pane_swap.h"
#include "viewer/doc/frame/tool_commands.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/test_files.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/document/envelon_doc.h"

namespace viewer::doc::frame {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using viewer::render::body::BodyForm;

namespace {

// A right-pane view that keeps what it is given.
class FakePane final : public CElementView {
public:
    explicit FakePane(std::uint32_t kind) : m_kind(kind) {}
    void OnUpdate(DocumentView*, ElementRef* hint) override
    {
        ++updates;
        if (hint) {
            m_element = hint;
        }
    }
    bool OnCommand(std::uint32_t command) override { return command == handles; }
    std::uint32_t GetViewKind() const override { return m_kind; }
    bool TakeOver(CElementView* previous) override
    {
        if (!previous || previous->GetViewKind() != m_kind) {
            return false;
        }
        tookOver = true;
        return true;
    }
    ElementRef* GetElement() const override { return m_element; }
    void SetElement(ElementRef* element) override { m_element = element; }

    int updates = 0;
    bool tookOver = false;
    std::uint32_t handles = 0;

private:
    std::uint32_t m_kind;
    ElementRef* m_element = nullptr;
};

class FakeTree final : public DocumentView {
public:
    void OnUpdate(DocumentView*, ElementRef*) override { ++updates; }
    bool OnCommand(std::uint32_t command) override { return command == handles; }
    int updates = 0;
    std::uint32_t handles = 0;
};

// The platform half: a document view list, a splitter and a single view, all recorded.
class FakeHost final : public FrameHost {
public:
    FakeHost()
    {
        m_panes.push_back(std::make_unique<FakePane>(VIEW_DETAILS));
        right = m_panes.back().get();
        attached = {&tree, right};
    }

    bool HasDocument() const override { return hasDocument; }
    CElementView* RecreateRightPane(std::uint32_t viewKind) override
    {
        Detach(right);
        m_panes.push_back(std::make_unique<FakePane>(viewKind));
        right = m_panes.back().get();
        if (splitterAttached) {
            attached.push_back(right);
        }
        log.push_back(std::string("right ") + ViewClassName(viewKind));
        return right;
    }
    CElementView* CreateSingleView(std::uint32_t viewKind) override
    {
        m_panes.push_back(std::make_unique<FakePane>(viewKind));
        single = m_panes.back().get();
        attached.push_back(single);
        log.push_back(std::string("single ") + ViewClassName(viewKind));
        return single;
    }
    void DestroySingleView(CElementView* view) override
    {
        Detach(static_cast<FakePane*>(view));
        if (single == view) {
            single = nullptr;
        }
        log.push_back("destroy single");
    }
    void Broadcast(DocumentView* sender, ElementRef* hint) override
    {
        const auto views = attached;
        for (DocumentView* view : views) {
            if (view != sender) {
                view->OnUpdate(sender, hint);
            }
        }
    }
    void ShowSplitter(bool shown) override { splitterShown = shown; }
    void AttachSplitterViews(bool attach) override
    {
        splitterAttached = attach;
        Detach(&tree);
        Detach(right);
        if (attach) {
            attached.insert(attached.begin(), {&tree, right});
        }
    }
    DocumentView* TreeView() override { return &tree; }
    void Activate(DocumentView* view) override { active = view; }
    void RecalcLayout() override {}
    void ShowInternalError() override { ++internalErrors; }

    void Detach(DocumentView* view) { std::erase(attached, view); }

    FakeTree tree;
    FakePane* right = nullptr;
    FakePane* single = nullptr;
    std::vector<DocumentView*> attached;
    std::vector<std::string> log;
    DocumentView* active = nullptr;
    bool hasDocument = true;
    bool splitterShown = true;
    bool splitterAttached = true;
    int internalErrors = 0;

private:
    std::vector<std::unique_ptr<FakePane>> m_panes;
};

std::unique_ptr<ElementRef> Make(std::uint32_t kind) { return CreateElement(kind); }

// ---- Showing elements ------------------------------------------------------------------

TEST(ShowElement, SameViewKindRefreshesTheRightPane)
{
    FakeHost host;
    ChildFrameLogic frame(host, host.right);
    auto first = Make(ELEM_HEADER);
    auto second = Make(ELEM_PROPERTY);
    FakePane* details = host.right;

    EXPECT_TRUE(frame.ShowElement(first.get()));
    EXPECT_EQ(details->GetElement(), first.get());
    EXPECT_TRUE(frame.ShowElement(second.get()));
    EXPECT_EQ(frame.RightView(), details);
    EXPECT_EQ(details->GetElement(), second.get());
    EXPECT_TRUE(host.log.empty());

    auto rtf = Make(ELEM_COMPRESSED_RTF);
    EXPECT_TRUE(frame.ShowElement(rtf.get()));
    EXPECT_EQ(host.log, std::vector<std::string>{"right CRTFView"});
    EXPECT_EQ(frame.RightView()->GetViewKind(), VIEW_RTF);
    EXPECT_EQ(frame.RightView()->GetElement(), rtf.get());
    // The tree sent the broadcast, so it was not updated, and it keeps the focus.
    EXPECT_EQ(host.active, &host.tree);
}

TEST(ShowElement, NothingWithoutElementOrWithoutDocument)
{
    FakeHost host;
    ChildFrameLogic frame(host, host.right);
    EXPECT_FALSE(frame.ShowElement(nullptr));
    host.hasDocument = false;
    auto value = Make(ELEM_VALUE);
    EXPECT_FALSE(frame.ShowElement(value.get()));
    EXPECT_EQ(host.internalErrors, 1);
    EXPECT_EQ(frame.RightView()->GetViewKind(), VIEW_DETAILS);
}

TEST(TreeToggle, HexViewWithTheTreeHiddenThenShown)
{
    FakeHost host;
    ChildFrameLogic frame(host, host.right);
    auto value = Make(ELEM_VALUE);
    ASSERT_TRUE(value->SetCurrentView(VIEW_DETAILS));
    frame.ShowElement(value.get());

    frame.ToggleTree();
    EXPECT_FALSE(frame.TreeShown());
    ASSERT_NE(frame.SingleView(), nullptr);
    EXPECT_EQ(frame.CurrentRightView(), frame.SingleView());
    EXPECT_EQ(frame.SingleView()->GetElement(), value.get());
    EXPECT_TRUE(host.single->tookOver);
    EXPECT_FALSE(host.splitterShown);
    EXPECT_EQ(host.active, frame.SingleView());

    frame.ViewCommand(ID_VIEW_HEX);
    EXPECT_EQ(value->CurrentView(), VIEW_HEX);
    ASSERT_NE(frame.SingleView(), nullptr);
    EXPECT_EQ(frame.SingleView()->GetViewKind(), VIEW_HEX);
    EXPECT_EQ(frame.SingleView()->GetElement(), value.get());
    // The hidden splitter is detached: its right view saw none of this.
    EXPECT_EQ(frame.RightView()->GetViewKind(), VIEW_DETAILS);

    frame.ToggleTree();
    EXPECT_TRUE(frame.TreeShown());
    EXPECT_EQ(frame.SingleView(), nullptr);
    EXPECT_EQ(frame.RightView()->GetViewKind(), VIEW_HEX);
    EXPECT_EQ(frame.RightView()->GetElement(), value.get());
    EXPECT_TRUE(host.right->tookOver);
    EXPECT_TRUE(host.splitterShown);
    EXPECT_EQ(host.active, &host.tree);
    EXPECT_EQ(host.log, (std::vector<std::string>{"single CEnvelonView", "destroy single",
                                                  "single CHexView", "right CHexView",
                                                  "destroy single"}));
}

TEST(TreeToggle, SameKindComesBackWithoutReplacingTheRightPane)
{
    FakeHost host;
    ChildFrameLogic frame(host, host.right);
    auto header = Make(ELEM_HEADER);
    frame.ShowElement(header.get());
    FakePane* details = host.right;
    frame.ToggleTree();
    frame.ToggleTree();
    EXPECT_EQ(frame.RightView(), details);
    EXPECT_TRUE(details->tookOver);
    EXPECT_EQ(details->GetElement(), header.get());
}

TEST(ViewCommands, RichViewPicksTheFirstSupportedKind)
{
    auto date = Make(ELEM_DATE);
    EXPECT_EQ(RichViewKind(*date), VIEW_DATE);
    EXPECT_EQ(RichViewKind(*Make(ELEM_OLE_OBJECT)), VIEW_OLE);
    EXPECT_EQ(RichViewKind(*Make(ELEM_METAFILE)), VIEW_METAFILE);
    EXPECT_EQ(RichViewKind(*Make(ELEM_HTML_BODY)), VIEW_HTML);
    EXPECT_EQ(RichViewKind(*Make(ELEM_VALUE)), std::nullopt);

    FakeHost host;
    ChildFrameLogic frame(host, host.right);
    ASSERT_TRUE(date->SetCurrentView(VIEW_DETAILS));
    frame.ShowElement(date.get());
    frame.ViewCommand(ID_VIEW_RICH);
    EXPECT_EQ(frame.RightView()->GetViewKind(), VIEW_DATE);

    auto value = Make(ELEM_VALUE);
    ASSERT_TRUE(value->SetCurrentView(VIEW_DETAILS));
    frame.ShowElement(value.get());
    host.log.clear();
    frame.ViewCommand(ID_VIEW_RICH);
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(value->CurrentView(), VIEW_DETAILS);

    CommandContext context;
    context.hasRightView = true;
    context.rightViewKind = VIEW_DETAILS;
    context.element = value.get();
    EXPECT_FALSE(QueryCommandState(ID_VIEW_RICH, context).enabled);
}

// ---- Enabling and routing --------------------------------------------------------------

TEST(CommandStates, FollowTheElementTheTreeAndTheBody)
{
    auto record = Make(ELEM_ATTRIBUTE);
    auto folder = Make(ELEM_FOLDER);
    auto body = Make(ELEM_COMPRESSED_RTF);

    CommandContext context;
    context.hasRightView = true;
    context.hasActiveView = true;
    context.rightViewKind = VIEW_HEX;
    context.element = record.get();
    EXPECT_EQ(QueryCommandState(ID_TOOLS_CHECKSUM, context), (CommandState{true, true, false}));
    EXPECT_EQ(QueryCommandState(ID_VIEW_HEX, context), (CommandState{true, false, true}));
    EXPECT_EQ(QueryCommandState(ID_VIEW_DETAILS, context), (CommandState{true, true, false}));
    EXPECT_EQ(QueryCommandState(ID_VIEW_TREE, context), (CommandState{true, true, true}));
    EXPECT_FALSE(QueryCommandState(ID_TOOLS_OPEN_ATTACHMENT, context).enabled);

    // Save Mail Body depends only on the document's body, whatever node is selected.
    context.element = folder.get();
    EXPECT_FALSE(QueryCommandState(ID_TOOLS_SAVE_BODY, context).enabled);
    context.mailBody = body.get();
    EXPECT_TRUE(QueryCommandState(ID_TOOLS_SAVE_BODY, context).enabled);
    EXPECT_FALSE(QueryCommandState(ID_TOOLS_CHECKSUM, context).enabled);
    EXPECT_FALSE(QueryCommandState(ID_TOOLS_SAVE_DATA, context).enabled);

    // Without a right view the element's commands are off.
    context.hasRightView = false;
    context.element = record.get();
    EXPECT_FALSE(QueryCommandState(ID_TOOLS_CHECKSUM, context).enabled);
    EXPECT_FALSE(QueryCommandState(ID_VIEW_DETAILS, context).checked);
    EXPECT_FALSE(QueryCommandState(57634, context).handled);

    auto attachment = Make(ELEM_ATTACH_DATA_BIN);
    context.hasRightView = true;
    context.element = attachment.get();
    EXPECT_FALSE(QueryCommandState(ID_TOOLS_OPEN_ATTACHMENT, context).enabled);
    attachment->m_name = "report.pdf";
    EXPECT_TRUE(QueryCommandState(ID_TOOLS_OPEN_ATTACHMENT, context).enabled);
}

TEST(CommandRouting, ActiveViewThenOtherViewsThenFrameThenApplication)
{
    CEnvelonDoc document;
    FakeTree tree;
    FakePane right(VIEW_DETAILS);
    document.AddView(&tree);
    document.AddView(&right);
    std::vector<std::string> calls;
    auto frame = [&](std::uint32_t command) {
        calls.push_back("frame");
        return command == 2;
    };
    auto application = [&](std::uint32_t command) {
        calls.push_back("app");
        return command == 3;
    };
    tree.handles = 1;
    right.handles = 57634; // Edit Copy reaches the right pane while the tree is active

    EXPECT_TRUE(RouteCommand(57634, &tree, &document, frame, application));
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(RouteCommand(1, &tree, &document, frame, application));
    EXPECT_TRUE(RouteCommand(2, &tree, &document, frame, application));
    EXPECT_EQ(calls, std::vector<std::string>{"frame"});
    EXPECT_TRUE(RouteCommand(3, &tree, &document, frame, application));
    EXPECT_FALSE(RouteCommand(4, &tree, &document, frame, application));
    EXPECT_EQ(calls, (std::vector<std::string>{"frame", "frame", "app", "frame", "app"}));
}

// ---- Tools commands --------------------------------------------------------------------

TEST(Checksum, OutcomeByComparison)
{
    EXPECT_EQ(ChecksumOutcome(platform::E_FAIL, 1, 1), std::nullopt);
    EXPECT_EQ(ChecksumOutcome(platform::S_OK, 256, 256),
              (UserMessage{"Checksum OK. Computed value: 256", MessageIcon::Information}));
    EXPECT_EQ(ChecksumOutcome(platform::S_OK, 65535, 7),
              (UserMessage{"Checksum failed. Computed value: 65535", MessageIcon::Error}));
}

TEST(SaveData, ProposalsForOrdinaryNames)
{
    EXPECT_EQ(PlanSaveData("report.pdf"),
              (SaveDialogPlan{"report.pdf", ".pdf", "(*.pdf)|*.pdf|All Files (*.*)|*.*||"}));
    EXPECT_EQ(PlanSaveData(""), (SaveDialogPlan{"", "", "All Files (*.*)|*.*||"}));
    EXPECT_EQ(PlanSaveData("archive.backup7"),
              (SaveDialogPlan{"archive.backup7", "", "All Files (*.*)|*.*||"}));
    // A leading dot would propose a hidden file: it goes, like leading blanks.
    EXPECT_EQ(PlanSaveData(".profile"),
              (SaveDialogPlan{"profile", "", "All Files (*.*)|*.*||"}));
    EXPECT_EQ(PlanSaveData(". .report.pdf").fileName, "report.pdf");
}

TEST(SaveData, HostileNamesAreMadeSafe)
{
    // Right-to-left override: "invoice\u202Efdp.exe" must not pass for a PDF.
    EXPECT_EQ(PlanSaveData("invoice\xE2\x80\xAE" "fdp.exe"),
              (SaveDialogPlan{"invoicefdp.exe", ".exe", "(*.exe)|*.exe|All Files (*.*)|*.*||"}));
    EXPECT_EQ(PlanSaveData("../../x.p|df"), (SaveDialogPlan{"x.p|df", "", "All Files (*.*)|*.*||"}));
}

TEST(SaveMailBody, PlanByTheBodyFoundWithTheOtherFormsAfterItsOwn)
{
    auto rtf = Make(ELEM_COMPRESSED_RTF);
    auto html = Make(ELEM_HTML_BODY);
    auto text = Make(ELEM_ATTRIBUTE_DATA);

    const SaveBodyPlan rtfPlan = PlanSaveMailBody({MailBodyKind::CompressedRtf, rtf.get()});
    EXPECT_EQ(rtfPlan.dialog,
              (SaveDialogPlan{"", "rtf",
                              "Rich Text Format (*.rtf)|*.rtf|Web Page (*.html)|*.html|"
                              "Text Document (*.txt)|*.txt|All Files (*.*)|*.*||"}));
    EXPECT_EQ(rtfPlan.write, BodyWrite::ExtractRtf);
    EXPECT_EQ(FormOfFilter(rtfPlan, 0), std::nullopt);
    EXPECT_EQ(FormOfFilter(rtfPlan, 1), BodyForm::Html);
    EXPECT_EQ(FormOfFilter(rtfPlan, 2), BodyForm::Text);
    EXPECT_EQ(FormOfFilter(rtfPlan, 3), std::nullopt); // All Files: as stored

    // An entry that would write what the body's own entry writes is not offered twice.
    const SaveBodyPlan htmlPlan = PlanSaveMailBody({MailBodyKind::Html, html.get()});
    EXPECT_EQ(htmlPlan.dialog.defaultExtension, "html");
    EXPECT_EQ(htmlPlan.dialog.filter, "Hyper Text Markup Language (*.html)|*.html|"
                                      "Text Document (*.txt)|*.txt|All Files (*.*)|*.*||");
    EXPECT_EQ(htmlPlan.write, BodyWrite::WriteData);
    EXPECT_EQ(FormOfFilter(htmlPlan, 1), BodyForm::Text);

    const SaveBodyPlan textPlan = PlanSaveMailBody({MailBodyKind::PlainText, text.get()});
    EXPECT_EQ(textPlan.dialog.filter, "Text Document (*.txt)|*.txt|Web Page (*.html)|*.html|"
                                      "All Files (*.*)|*.*||");
    EXPECT_EQ(textPlan.write, BodyWrite::WriteData);

    EXPECT_EQ(PlanSaveMailBody({}).write, BodyWrite::None);
}

// ---- Open Attachment -------------------------------------------------------------------

class FakeAttachmentHost final : public AttachmentHost {
public:
    platform::StatusCode WriteElementData(const ElementRef&, const std::string& path) override
    {
        written.push_back(path);
        if (platform::Succeeded(writeStatus)) {
            testing_support::WriteFile(path, std::string("data"));
        }
        return writeStatus;
    }
    bool OpenDocument(const std::string& path) override
    {
        opened.push_back(path);
        existedWhenOpened = testing_support::FileExists(path);
        return openResult;
    }
    int ShellOpen(const std::string& path) override
    {
        launched.push_back(path);
        return shellCode;
    }
    bool RunsAsProgram(const std::string& path, const std::string&) override
    {
        existedWhenJudged = testing_support::FileExists(path);
        return program;
    }
    void SaveElementData(const ElementRef&) override { ++saves; }

    platform::StatusCode writeStatus = platform::S_OK;
    bool openResult = true;
    int shellCode = 42;
    bool existedWhenOpened = false;
    bool program = false;
    bool existedWhenJudged = false;
    int saves = 0;
    std::vector<std::string> written, opened, launched;
};

TEST(OpenAttachment, EmbeddedMessageOpensAsADocumentAndIsDeleted)
{
    auto message = Make(ELEM_EMBEDDED_MESSAGE);
    FakeAttachmentHost host;
    RecordingMessageSink sink;
    EXPECT_EQ(OpenAttachment(message.get(), host, sink), OpenAttachmentResult::MessageOpened);
    ASSERT_EQ(host.opened.size(), 1u);
    EXPECT_TRUE(host.existedWhenOpened);
    EXPECT_FALSE(testing_support::FileExists(host.opened[0]));
    EXPECT_NE(host.opened[0].find("/tnf"), std::string::npos);
    EXPECT_TRUE(sink.Messages().empty());

    host.writeStatus = platform::E_FAIL;
    EXPECT_EQ(OpenAttachment(message.get(), host, sink), OpenAttachmentResult::MessageFailed);
    EXPECT_EQ(host.opened.size(), 1u);
    EXPECT_TRUE(sink.Messages().empty());
}

TEST(OpenAttachment, FileIsLaunchedAfterTheWarningAndStays)
{
    auto data = Make(ELEM_ATTACH_DATA_BIN);
    data->m_name = "report.pdf";
    FakeAttachmentHost host;

    RecordingMessageSink decline(MessageAnswer::Cancel);
    EXPECT_EQ(OpenAttachment(data.get(), host, decline), OpenAttachmentResult::Cancelled);
    EXPECT_TRUE(host.written.empty());
    ASSERT_EQ(decline.Messages().size(), 1u);
    EXPECT_EQ(decline.Messages()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(decline.Messages()[0].buttons, MessageButtons::OkCancel);

    RecordingMessageSink sink;
    EXPECT_EQ(OpenAttachment(data.get(), host, sink), OpenAttachmentResult::Launched);
    ASSERT_EQ(host.launched.size(), 1u);
    const std::string& path = host.launched[0];
    EXPECT_EQ(path.substr(0, platform::TempFolder().size()), platform::TempFolder());
    EXPECT_EQ(path.substr(path.size() - 4), ".pdf");
    EXPECT_TRUE(testing_support::FileExists(path));
    EXPECT_EQ(sink.Messages().size(), 1u); // the warning only
}

TEST(OpenAttachment, FailedLaunchOrWriteShowsTheErrorAndRemovesTheFile)
{
    auto data = Make(ELEM_ATTACH_DATA);
    data->m_name = "archive.backup7";
    FakeAttachmentHost host;
    host.shellCode = 31; // no application for the type
    RecordingMessageSink sink;
    EXPECT_EQ(OpenAttachment(data.get(), host, sink), OpenAttachmentResult::LaunchFailed);
    ASSERT_EQ(host.launched.size(), 1u);
    EXPECT_EQ(host.launched[0].substr(host.launched[0].size() - 4), ".dat");
    EXPECT_FALSE(testing_support::FileExists(host.launched[0]));
    ASSERT_EQ(sink.Messages().size(), 2u);
    EXPECT_EQ(sink.Messages()[1].text,
              "Failed on opening mail attachment (error code 0X8007001F). Try saving the file "
              "data to disk and open it from there.");
    EXPECT_EQ(sink.Messages()[1].icon, MessageIcon::Error);

    host.writeStatus = platform::E_ACCESSDENIED;
    sink.Clear();
    EXPECT_EQ(OpenAttachment(data.get(), host, sink), OpenAttachmentResult::WriteFailed);
    EXPECT_EQ(host.launched.size(), 1u);
    EXPECT_FALSE(testing_support::FileExists(host.written.back()));
    ASSERT_EQ(sink.Messages().size(), 2u);
    EXPECT_NE(sink.Messages()[1].text.find("0X80070005"), std::string::npos);
}

// Goes on past the warning (OK) and answers the refusal's Yes/No question as set.
class RefusalSink final : public MessageSink {
public:
    explicit RefusalSink(MessageAnswer answer) : m_answer(answer) {}
    MessageAnswer Show(const std::string& text, MessageIcon icon, MessageButtons buttons) override
    {
        messages.push_back({text, icon, buttons});
        return buttons == MessageButtons::YesNo ? m_answer : MessageAnswer::Ok;
    }
    std::vector<RecordingMessageSink::Message> messages;

private:
    MessageAnswer m_answer;
};

TEST(OpenAttachment, ProgramIsNeverLaunchedAndSaveIsOffered)
{
    auto data = Make(ELEM_ATTACH_DATA_BIN);
    data->m_name = "invoice.pdf";
    FakeAttachmentHost host;
    host.program = true; // judged by what was written, whatever the name says

    RefusalSink declined(MessageAnswer::No);
    EXPECT_EQ(OpenAttachment(data.get(), host, declined), OpenAttachmentResult::Refused);
    EXPECT_TRUE(host.existedWhenJudged);
    EXPECT_TRUE(host.launched.empty());
    EXPECT_FALSE(testing_support::FileExists(host.written.back()));
    ASSERT_EQ(declined.messages.size(), 2u);
    EXPECT_EQ(declined.messages[1].text,
              "This attachment is a program or an installer, which is not opened from a mail. "
              "Do you want to save it to disk instead?");
    EXPECT_EQ(declined.messages[1].icon, MessageIcon::Warning);
    EXPECT_EQ(declined.messages[1].buttons, MessageButtons::YesNo);
    EXPECT_EQ(host.saves, 0);

    RefusalSink accepted(MessageAnswer::Yes);
    EXPECT_EQ(OpenAttachment(data.get(), host, accepted), OpenAttachmentResult::Refused);
    EXPECT_EQ(host.saves, 1);
    EXPECT_TRUE(host.launched.empty());
}

TEST(OpenAttachment, CancelledWriteShowsNothingAndLeavesNoFile)
{
    auto data = Make(ELEM_ATTACH_DATA_BIN);
    data->m_name = "big.iso";
    FakeAttachmentHost host;
    host.writeStatus = platform::E_CANCELLED;
    RecordingMessageSink sink;
    EXPECT_EQ(OpenAttachment(data.get(), host, sink), OpenAttachmentResult::Cancelled);
    EXPECT_FALSE(testing_support::FileExists(host.written.back()));
    EXPECT_EQ(sink.Messages().size(), 1u); // the warning only
}

TEST(SaveOutcome, FailureIsReportedAndCancelLeavesNoFile)
{
    const std::string path = testing_support::TempDir() + "saved.bin";
    RecordingMessageSink sink;
    testing_support::WriteFile(path, std::string("half"));
    ReportSaveOutcome(platform::S_OK, path, sink);
    EXPECT_TRUE(sink.Messages().empty());
    EXPECT_TRUE(testing_support::FileExists(path));

    ReportSaveOutcome(platform::E_CANCELLED, path, sink);
    EXPECT_TRUE(sink.Messages().empty());
    EXPECT_FALSE(testing_support::FileExists(path));

    ReportSaveOutcome(platform::E_ACCESSDENIED, path, sink);
    ASSERT_EQ(sink.Messages().size(), 1u);
    EXPECT_EQ(sink.Messages()[0].text, "Failed on saving data to disk. (0X80070005)");
    EXPECT_EQ(sink.Messages()[0].icon, MessageIcon::Error);
}

TEST(OpenAttachment, ShellCodes)
{
    EXPECT_EQ(ShellCodeToStatus(33), platform::S_OK);
    EXPECT_EQ(ShellCodeToStatus(2), platform::MakeStatus(0x80070002));
    EXPECT_EQ(ShellCodeToStatus(32), platform::MakeStatus(0x80070020));
    EXPECT_EQ(ShellCodeToStatus(0), platform::E_FAIL);
}

TEST(OpenAttachment, TemporaryNamesCountOnAndRefuseHostileExtensions)
{
    const std::string folder = platform::TempFolder();
    testing_support::WriteFile(folder + "ABC.pdf", std::string("taken"));
    const std::string path = CreateAttachmentTempFile("report.pdf", 0xABC);
    EXPECT_EQ(path, folder + "ABD.pdf");
    EXPECT_TRUE(testing_support::FileExists(path));

    EXPECT_EQ(CreateAttachmentTempFile("../../x.sh/../evil", 0x100), folder + "100.dat");
    EXPECT_EQ(CreateAttachmentTempFile("x.p df", 0x101), folder + "101.dat");
    EXPECT_EQ(CreateAttachmentTempFile("x.\x1B[0m", 0x102), folder + "102.dat");
    EXPECT_EQ(CreateAttachmentTempFile("noextension", 0x103), folder + "103.dat");
}

TEST(OpenAttachment, OverlongTemporaryFolderGivesUpQuietly)
{
    const std::string saved = platform::TempFolder();
    const std::string deep = saved + std::string(4100, 'd');
    ::setenv("TMPDIR", deep.c_str(), 1);
    auto data = Make(ELEM_ATTACH_DATA_BIN);
    data->m_name = "a.txt";
    FakeAttachmentHost host;
    RecordingMessageSink sink;
    const OpenAttachmentResult result = OpenAttachment(data.get(), host, sink);
    ::setenv("TMPDIR", saved.c_str(), 1);
    EXPECT_EQ(result, OpenAttachmentResult::NoTemporaryFile);
    EXPECT_TRUE(host.written.empty());
    EXPECT_EQ(sink.Messages().size(), 1u); // the warning, no error
}

} // namespace
} // namespace viewer::doc::frame
