#include "viewer/ui/meta_view.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include <fcntl.h>

#include <QPainter>

#include "format/tnef.h"
#include "platform/file_io.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/document/message_sink.h"
#include "viewer/doc/frame/element_picture.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/naming/strings.h"
#include "viewer/render/metafile/metafile_pane.h"
#include "viewer/render/metafile/metafile_player.h"
#include "viewer/ui/picture_painter.h"
#include "viewer/ui/wait_cursor.h"

namespace viewer::ui {

using namespace viewer::doc::model;
using namespace viewer::render::metafile;
using platform::StatusCode;

// The static picture control: draws the pane's picture scaled into its own rectangle,
// centred with its proportions kept. It does not own the picture.
class PictureControl final : public QWidget {
public:
    explicit PictureControl(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("my static"));
        setAccessibleName(tr("Attachment rendering"));
    }

    void SetPicture(const viewer::render::metafile::Picture* picture)
    {
        m_picture = picture;
        setAccessibleDescription(picture ? PictureText(*picture) : QString());
        update();
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override
    {
        if (!m_picture) {
            return;
        }
        const PixelRect bounds = PictureBoundsInPixels(*m_picture, logicalDpiX(), logicalDpiY());
        const RectD place =
            FitCentred(double(bounds.right) - bounds.left, double(bounds.bottom) - bounds.top,
                       PixelRect{0, 0, width(), height()});
        if (place.Empty()) {
            return;
        }
        QPainter painter(this);
        DrawPicture(painter, *m_picture,
                    QRectF(QPointF(place.left, place.top), QPointF(place.right, place.bottom)));
    }

private:
    const viewer::render::metafile::Picture* m_picture = nullptr;
};

namespace {

// What the pane reads of its file: the most a rendering may hold after a placeable header,
// and one byte more so that a larger one is seen to be larger.
constexpr std::size_t kPlaceableHeaderBytes = 22;
constexpr std::size_t kReadLimit = kPlaceableHeaderBytes + kMaxAttachmentMetafileBytes + 1;

StatusCode ReadPrefix(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    const platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        return platform::StatusFromErrno();
    }
    bytes.resize(kReadLimit);
    std::size_t got = 0;
    const StatusCode status = platform::ReadAll(fd.Get(), bytes.data(), bytes.size(), &got);
    bytes.resize(got);
    return status;
}

} // namespace

CMetaView::CMetaView(const PaneContext& context, QWidget* parent)
    : QWidget(parent), ElementPane(context)
{
    setAccessibleName(tr("Attachment rendering"));
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    ForwardContextMenus(this);
}

CMetaView::~CMetaView()
{
    Release();
}

std::uint32_t CMetaView::GetViewKind() const
{
    return VIEW_METAFILE;
}

QWidget* CMetaView::Control() const
{
    return m_control;
}

void CMetaView::Release()
{
    if (m_control) {
        m_control->SetPicture(nullptr);
    }
    m_picture.reset();
    m_file.Remove();
}

bool CMetaView::TakeOver(CElementView* previous)
{
    auto* other = dynamic_cast<CMetaView*>(previous);
    if (!other) {
        return false;
    }
    Release();
    if (other->m_control) {
        other->m_control->SetPicture(nullptr);
    }
    m_file = std::move(other->m_file);
    m_picture = std::move(other->m_picture);
    m_loaded = true;
    return true;
}

void CMetaView::OnUpdate(viewer::doc::document::DocumentView* /*sender*/, ElementRef* hint)
{
    if (!hint) {
        return;
    }
    SetElement(hint);
    if (hint->Kind() != ELEM_METAFILE) {
        return;
    }
    auto& attribute = static_cast<AttributeElement&>(*hint);
    StatusCode status = platform::S_OK;
    if (attribute.m_identifier == format::attAttachMetaFile) {
        if (!m_loaded) {
            status = Load(attribute);
        }
        if (platform::Succeeded(status)) {
            PlacePicture();
        }
    }
    m_loaded = false;
    if (platform::Failed(status)) {
        Release();
        if (auto* sink = Context().document ? Context().document->Sink() : nullptr) {
            sink->Show(viewer::doc::naming::FormatStatusString(
                           viewer::doc::naming::IDS_METAFILE_FAILED, status),
                       viewer::doc::document::MessageIcon::Error,
                       viewer::doc::document::MessageButtons::Ok);
        }
    }
}

StatusCode CMetaView::Load(AttributeElement& element)
{
    Release();
    if (!Context().document) {
        return platform::E_UNEXPECTED;
    }
    const WaitCursor wait;
    StatusCode status =
        viewer::doc::frame::CopyElementToTempFile(*Context().document, element, &m_file);
    if (platform::Failed(status)) {
        return status;
    }

    std::vector<std::uint8_t> bytes;
    status = ReadPrefix(m_file.Path(), bytes);
    if (platform::Failed(status)) {
        return status;
    }
    auto picture = std::make_unique<viewer::render::metafile::Picture>();
    std::size_t n = 0;
    status = LoadAttachmentMetafile(bytes, *picture, n);
    if (platform::Failed(status)) {
        return status;
    }
    // The element keeps the metafile's bits; its record length stays as read, so that saving
    // its data still writes the whole record.
    MetafileLayout layout;
    (void)ReadMetafileLayout(bytes, layout);
    if (element.Capacity() < n) {
        try {
            element.ReplaceBuffer(static_cast<std::uint32_t>(n));
        } catch (const std::bad_alloc&) {
            return platform::E_OUTOFMEMORY;
        }
    }
    std::memcpy(element.Buffer(), bytes.data() + layout.headerOffset, n);
    m_picture = std::move(picture);
    return platform::S_OK;
}

void CMetaView::PlacePicture()
{
    const std::optional<PixelRect> existing =
        m_control ? std::optional<PixelRect>(PixelRect{m_control->x(), m_control->y(),
                                                       m_control->x() + m_control->width(),
                                                       m_control->y() + m_control->height()})
                  : std::nullopt;
    const PixelRect place =
        PictureControlRect(existing, m_picture.get(), PixelRect{0, 0, width(), height()},
                           logicalDpiX(), logicalDpiY());
    if (!m_control) {
        m_control = new PictureControl(this);
        m_control->setGeometry(
            QRect(QPoint(place.left, place.top), QPoint(place.right - 1, place.bottom - 1)));
        m_control->show();
    }
    m_control->SetPicture(m_picture.get());
}

} // namespace viewer::ui
