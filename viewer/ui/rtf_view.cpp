#include "viewer/ui/rtf_view.h"

#include <vector>

#include <QColor>
#include <QTextCursor>

#include "platform/files.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/document/file_stream.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/tree/mail_bodies.h"
#include "viewer/render/richtext/rtf_reader.h"

namespace viewer::ui {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using platform::StatusCode;

namespace {

constexpr std::uint32_t kStreamInChunk = 64 * 1024;

} // namespace

std::uint32_t ReadBodyStream(platform::IStream* cookie, std::uint8_t* buffer,
                             std::uint32_t requested)
{
    if (cookie == nullptr) {
        return 0;
    }
    std::uint32_t count = 0;
    if (platform::Failed(cookie->Read(buffer, requested, &count))) {
        return 0;
    }
    return count;
}

CRTFView::CRTFView(const PaneContext& context, QWidget* parent) : BodyPane(context, parent)
{
    setAccessibleName(tr("Rich text body"));
}

// The body stream goes before the browser: releasing it removes the temporary file.
CRTFView::~CRTFView() = default;

bool CRTFView::TakeOver(CElementView* previous)
{
    auto* other = dynamic_cast<CRTFView*>(previous);
    if (!other) {
        return false;
    }
    m_bodyStream = std::move(other->m_bodyStream);
    m_loaded = true;
    return true;
}

void CRTFView::OnUpdate(DocumentView* /*sender*/, ElementRef* hint)
{
    if (!hint) {
        return;
    }
    SetElement(hint);
    if (hint->Kind() != ELEM_COMPRESSED_RTF) {
        return;
    }
    StatusCode status = platform::S_OK;
    {
        const WaitCursor wait;
        // A pane that took over no stream (its predecessor's last load had failed) reads
        // the body afresh rather than stay empty.
        if (!m_loaded || !m_bodyStream) {
            m_bodyStream.Reset();
            status = OpenBody(hint);
        }
        if (platform::Succeeded(status)) {
            status = ShowBody();
        }
    }
    m_loaded = false;
    if (platform::Failed(status)) {
        m_bodyStream.Reset();
        ReportFailure(viewer::doc::naming::IDS_RTF_BODY_FAILED, status);
    }
}

StatusCode CRTFView::OpenBody(ElementRef* element)
{
    platform::TempFile file;
    StatusCode status = MakeBodyFile(
        [&](const char* path) { return Context().document->ExtractRtfBody(element, path); }, &file);
    if (platform::Failed(status)) {
        return status;
    }
    platform::ComPtr<platform::IStream> stream;
    status = CreateFileStream(file.Path(), platform::kModeTemporaryInput, &stream);
    if (platform::Failed(status)) {
        return status;
    }
    file.Release(); // the stream deletes it when released
    m_bodyStream = std::move(stream);
    return platform::S_OK;
}

StatusCode CRTFView::ShowBody()
{
    const StatusCode status = m_bodyStream->Seek(0, platform::STREAM_SEEK_SET, nullptr);
    if (platform::Failed(status)) {
        return status;
    }
    std::vector<std::uint8_t> rtf;
    std::vector<std::uint8_t> chunk(kStreamInChunk);
    while (rtf.size() < viewer::doc::tree::kMaxShownBodyBytes) {
        const std::uint32_t count =
            ReadBodyStream(m_bodyStream.Get(), chunk.data(), kStreamInChunk);
        if (count == 0) {
            break;
        }
        rtf.insert(rtf.end(), chunk.begin(), chunk.begin() + count);
    }
    const viewer::render::richtext::Document model = viewer::render::richtext::ReadRtf(rtf);
    rtf = {};
    BuildTextDocument(model, *document(), m_buildOptions);
    SetPaper(model.pageColor == viewer::render::richtext::kAutoColor
                 ? QColor(Qt::white)
                 : QColor::fromRgb(model.pageColor));
    BodyLoaded();
    setFocus(Qt::OtherFocusReason);
    setTextCursor(QTextCursor(document()));
    return platform::S_OK;
}

} // namespace viewer::ui
