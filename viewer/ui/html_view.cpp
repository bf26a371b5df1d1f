#include "viewer/ui/html_view.h"

#include <fcntl.h>
#include <utility>

#include <QTextDocument>

#include "format/mapi.h"
#include "platform/file_io.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/tree/mail_bodies.h"
#include "viewer/render/html/addresses.h"
#include "viewer/render/html/html_cleanup.h"
#include "viewer/ui/child_frame.h"
#include "viewer/ui/file_chooser.h"
#include "viewer/ui/left_view.h"
#include "viewer/ui/rich_text_builder.h"

namespace viewer::ui {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
namespace html = viewer::render::html;
using platform::StatusCode;

namespace {

html::ResourceKind KindOf(int type)
{
    switch (type) {
    case QTextDocument::HtmlResource:
        return html::ResourceKind::Document;
    case QTextDocument::ImageResource:
        return html::ResourceKind::Image;
    case QTextDocument::StyleSheetResource:
        return html::ResourceKind::StyleSheet;
    default:
        return html::ResourceKind::Other;
    }
}

} // namespace

CMyHTMView::CMyHTMView(const PaneContext& context, QWidget* parent) : BodyPane(context, parent)
{
    setAccessibleName(tr("HTML body"));
}

CMyHTMView::~CMyHTMView()
{
    ReleaseFile();
}

bool CMyHTMView::TakeOver(CElementView* previous)
{
    auto* other = dynamic_cast<CMyHTMView*>(previous);
    if (!other) {
        return false;
    }
    ReleaseFile();
    m_path = std::exchange(other->m_path, {});
    m_file = std::move(other->m_file);
    m_loaded = true;
    return true;
}

void CMyHTMView::OnUpdate(DocumentView* /*sender*/, ElementRef* hint)
{
    if (!hint) {
        return;
    }
    SetElement(hint);
    if (hint->Kind() != ELEM_HTML_BODY) {
        return;
    }
    StatusCode status = platform::S_OK;
    {
        const WaitCursor wait;
        // As in the rich-text pane: a pane that took over no file writes the body afresh.
        if (!m_loaded || m_path.empty()) {
            ReleaseFile();
            status = WriteBody(hint);
        }
        if (platform::Succeeded(status)) {
            setSource(QUrl::fromLocalFile(FromLocalPath(m_path)), QTextDocument::HtmlResource);
            clearHistory();
            BodyLoaded();
        }
    }
    m_loaded = false;
    if (platform::Failed(status)) {
        ReleaseFile();
        ReportFailure(viewer::doc::naming::IDS_HTML_BODY_FAILED, status);
    }
}

StatusCode CMyHTMView::WriteBody(ElementRef* element)
{
    platform::TempFile file;
    const StatusCode status = MakeBodyFile(
        [&](const char* path) { return Context().document->WriteElementData(element, path); },
        &file);
    if (platform::Failed(status)) {
        return status;
    }
    m_path = file.Release();
    platform::UniqueFd fd(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        return platform::StatusFromErrno();
    }
    m_file = std::move(fd);
    return platform::S_OK;
}

void CMyHTMView::ReleaseFile()
{
    m_file.Reset();
    if (!m_path.empty()) {
        platform::TempFile(std::exchange(m_path, {})).Remove();
    }
}

QString CMyHTMView::BodyAddress() const
{
    return m_path.empty() ? QString()
                          : QUrl::fromLocalFile(FromLocalPath(m_path)).toString(QUrl::FullyEncoded);
}

QVariant CMyHTMView::ServeResource(int type, const QUrl& name)
{
    const html::ResourceDecision decision = html::DecideResource(
        name.toString(QUrl::FullyEncoded).toStdString(), KindOf(type), BodyAddress().toStdString());
    switch (decision.source) {
    case html::ResourceSource::BodyFile:
        return CleanBody();
    case html::ResourceSource::ContentId:
        if (QImage image = InlineImage(decision.contentId); !image.isNull()) {
            return image;
        }
        return {};
    case html::ResourceSource::DataImage:
        if (const auto bytes = html::DecodeDataImage(name.toString(QUrl::FullyEncoded).toStdString())) {
            if (QImage image = DecodePicture(*bytes, nullptr); !image.isNull()) {
                return image;
            }
        }
        return {};
    case html::ResourceSource::None:
        return {};
    }
    return {};
}

QString CMyHTMView::CleanBody() const
{
    std::string bytes;
    if (!m_file.Valid() ||
        platform::Failed(platform::ReadWholeFile(m_file.Get(), viewer::doc::tree::kMaxShownBodyBytes, &bytes))) {
        return {};
    }
    html::CharsetHints hints;
    if (const CEnvelonDoc* document = Context().document) {
        hints.messageCodePage = document->CodePage();
    }
    if (Context().frame && Context().frame->Tree()) {
        hints.internetCodePage = viewer::doc::tree::InternetCodePage(Context().frame->Tree()->Index());
    }
    if (const auto* value = dynamic_cast<const ValueElement*>(GetElement())) {
        hints.utf16 = format::PROP_TYPE(value->m_tag) == format::PT_UNICODE;
    }
    const html::HtmlDocument parsed = html::HtmlDocument::Parse(
        {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, hints,
        html::TagPrefixes::Keep);
    bytes = {};
    const std::string cleaned = html::CleanHtml(parsed);
    return QString::fromUtf8(cleaned.data(), static_cast<qsizetype>(cleaned.size()));
}

QImage CMyHTMView::InlineImage(const std::string& contentId) const
{
    if (!Context().document || !Context().frame || !Context().frame->Tree()) {
        return {};
    }
    const ElementRef* attachment =
        viewer::doc::tree::FindAttachmentByContentId(Context().frame->Tree()->Index(), contentId);
    std::vector<std::uint8_t> bytes;
    if (!attachment ||
        platform::Failed(viewer::doc::tree::ReadWholeElement(
            *Context().document, attachment, html::kMaxInlineImageBytes, &bytes))) {
        return {};
    }
    return DecodePicture(bytes, nullptr);
}

} // namespace viewer::ui
