#include "viewer/ui/row_pane.h"

#include <algorithm>
#include <limits>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/document/message_sink.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/naming/strings.h"
#include "viewer/ui/commands.h"
#include "viewer/ui/progress_gate.h"
#include "viewer/ui/row_pane_accessible.h"

namespace viewer::ui {

using namespace viewer::doc::document;
using namespace viewer::doc::frame;
using namespace viewer::doc::model;
using namespace viewer::doc::panes;
using platform::StatusCode;

namespace {

// One notch of a wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

int ToInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

std::optional<ScrollKey> KeyOf(int key)
{
    switch (key) {
    case Qt::Key_PageUp:
        return ScrollKey::PageUp;
    case Qt::Key_PageDown:
        return ScrollKey::PageDown;
    case Qt::Key_Up:
        return ScrollKey::Up;
    case Qt::Key_Down:
        return ScrollKey::Down;
    case Qt::Key_Left:
        return ScrollKey::Left;
    case Qt::Key_Right:
        return ScrollKey::Right;
    case Qt::Key_Home:
        return ScrollKey::Home;
    case Qt::Key_End:
        return ScrollKey::End;
    default:
        return std::nullopt;
    }
}

// The key that does what a scroll bar action asks, where the keys decide it.
std::optional<ScrollKey> KeyOfBarAction(Qt::Orientation orientation, int action)
{
    const bool vertical = orientation == Qt::Vertical;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        return vertical ? ScrollKey::Down : ScrollKey::Right;
    case QAbstractSlider::SliderSingleStepSub:
        return vertical ? ScrollKey::Up : ScrollKey::Left;
    case QAbstractSlider::SliderPageStepAdd:
        return vertical ? std::optional(ScrollKey::PageDown) : std::nullopt;
    case QAbstractSlider::SliderPageStepSub:
        return vertical ? std::optional(ScrollKey::PageUp) : std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace

RowPane::RowPane(const PaneContext& context, QWidget* parent, RowKind kind, std::uint32_t viewKind,
                 const QString& accessibleName)
    : QAbstractScrollArea(parent), PaneView(context), m_kind(kind), m_viewKind(viewKind),
      m_rows(kind)
{
    InstallRowPaneAccessibility();
    setAccessibleName(accessibleName);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setCursor(Qt::ArrowCursor);

    m_font = QFont(QStringLiteral("Courier New"));
    m_font.setPointSize(10);
    // Where Courier New is missing, another fixed-pitch font keeps the columns.
    m_font.setStyleHint(QFont::TypeWriter);
    m_font.setFixedPitch(true);
    const QFontMetrics metrics(m_font, viewport());
    m_rowHeight =
        static_cast<std::uint32_t>(std::max(1, metrics.height() + std::max(0, metrics.leading())));
    m_charWidth =
        static_cast<std::uint32_t>(std::max(1, metrics.horizontalAdvance(QLatin1Char('0'))));
    m_ascent = metrics.ascent();

    for (const Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
        QScrollBar* bar = orientation == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
        connect(bar, &QScrollBar::actionTriggered, this,
                [this, orientation](int action) { OnBarAction(orientation, action); });
        connect(bar, &QScrollBar::valueChanged, this,
                [this, orientation](int value) { OnBarValue(orientation, value); });
    }
    ApplyScrollSizes();
}

RowPane::~RowPane() = default;

bool RowPane::TakeOver(CElementView* previous)
{
    auto* other = dynamic_cast<RowPane*>(previous);
    if (!other || other == this || other->m_viewKind != m_viewKind) {
        return false;
    }
    m_rows.TakeOver(other->m_rows);
    other->ApplyScrollSizes();
    m_loaded = true;
    return true;
}

void RowPane::OnUpdate(DocumentView* /*sender*/, ElementRef* hint)
{
    if (!hint) {
        return;
    }
    SetElement(hint);
    if (!ShowsRawData(hint->Kind())) {
        return;
    }
    const StatusCode status = m_loaded ? platform::S_OK : Load(hint);
    m_loaded = false;
    ApplyScrollSizes();
    // A cancel is the person's own choice: the pane stays blank without a word.
    if (platform::Failed(status) && status != platform::E_CANCELLED) {
        ShowFailure(status);
    }
}

StatusCode RowPane::Load(ElementRef* element)
{
    // Blank while the copy runs: the progress dialog lets the pane paint meanwhile.
    m_rows.Release();
    ApplyScrollSizes();
    CEnvelonDoc* document = Context().document;
    if (!document) {
        return platform::S_OK;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    StatusCode status = platform::S_OK;
    {
        ProgressGate progress(this, m_kind == RowKind::Hex
                                        ? tr("Copying the data for the hex view...")
                                        : tr("Converting the text for the text view..."));
        status = m_rows.Load(*document, element, progress.Callback());
    }
    QApplication::restoreOverrideCursor();
    return status;
}

void RowPane::ShowFailure(StatusCode status)
{
    const CEnvelonDoc* document = Context().document;
    if (MessageSink* sink = document ? document->Sink() : nullptr) {
        sink->Show(viewer::doc::naming::FormatStatusString(viewer::doc::naming::IDS_RAW_DATA_FAILED,
                                                           status),
                   MessageIcon::Error, MessageButtons::Ok);
    }
}

void RowPane::ShowRowFile(platform::UniqueFd file)
{
    m_rows.Adopt(std::move(file));
    m_loaded = false;
    ApplyScrollSizes();
}

bool RowPane::CanHandle(std::uint32_t command) const
{
    return command == ID_EDIT_COPY && !m_selection.Empty() && m_rows.RowCount() > 0;
}

bool RowPane::OnCommand(std::uint32_t command)
{
    if (!CanHandle(command)) {
        return false;
    }
    QApplication::clipboard()->setText(SelectedText());
    return true;
}

// ---- Rows ----------------------------------------------------------------------------------

std::vector<std::string> RowPane::RowTexts(std::uint64_t first, std::size_t count) const
{
    return m_rows.Rows(first, count);
}

QString RowPane::SelectedText() const
{
    if (m_selection.Empty()) {
        return {};
    }
    QStringList lines;
    for (const std::string& row :
         m_rows.Rows(m_selection.First(), static_cast<std::size_t>(m_selection.Count()))) {
        lines << QString::fromStdString(row);
    }
    return lines.join(QLatin1Char('\n'));
}

std::optional<RowRange> RowPane::RowsInView() const
{
    return viewer::doc::panes::RowsInView(m_position.y, viewport()->height(), m_rowHeight,
                                          m_rows.RowCount());
}

QRect RowPane::CharacterRect(std::uint64_t row, std::size_t column) const
{
    const std::int64_t x =
        kRowMargin - m_position.x + static_cast<std::int64_t>(column) * m_charWidth;
    const std::int64_t y = static_cast<std::int64_t>(row) * m_rowHeight + kRowMargin - m_position.y;
    return {ToInt(x), ToInt(y), static_cast<int>(m_charWidth), static_cast<int>(m_rowHeight)};
}

std::optional<std::pair<std::uint64_t, std::size_t>> RowPane::CellAt(const QPoint& point) const
{
    const std::optional<RowRange> rows = RowsInView();
    if (!rows) {
        return std::nullopt;
    }
    const std::uint64_t row = std::clamp(RowAtViewportY(point.y()), rows->first, rows->last);
    const std::int64_t x = std::max<std::int64_t>(0, point.x() + m_position.x - kRowMargin);
    return std::pair{row, static_cast<std::size_t>(x / m_charWidth)};
}

void RowPane::EnsureRowVisible(std::uint64_t row)
{
    const std::int64_t top = static_cast<std::int64_t>(row) * m_rowHeight;
    const std::int64_t bottom = top + m_rowHeight + 2 * kRowMargin;
    PanePoint target = m_position;
    if (top < m_position.y) {
        target.y = top;
    } else if (bottom > m_position.y + viewport()->height()) {
        target.y = bottom - viewport()->height();
    }
    ScrollTo(target);
}

std::uint64_t RowPane::RowAtViewportY(int y) const
{
    return RowAt(m_position.y + y, m_rowHeight, m_rows.RowCount());
}

// ---- Scrolling -----------------------------------------------------------------------------

void RowPane::ApplyScrollSizes()
{
    m_sizes = ScrollSizesForData(m_rows.Size(), m_rows.RowBytes(), m_charWidth, m_rowHeight);
    if (m_rows.RowCount() > 0) {
        // The page a resize would give: one row and one character less than fits.
        m_sizes.page =
            PageSizeOnResize(viewport()->width(), viewport()->height(), m_charWidth, m_rowHeight);
    }
    m_position = {};
    if (!m_selection.Empty()) {
        m_selection.Clear();
        EditStateChanged();
    }
    m_wheelRemainder = {};
    UpdateBars();
    viewport()->update();
    VisibleTextChanged();
}

std::int64_t RowPane::MaxX() const
{
    return std::max<std::int64_t>(0, m_sizes.total.cx - viewport()->width());
}

std::int64_t RowPane::MaxY() const
{
    // The margins above the first row and below the last belong to the range, so that the
    // last row shows whole at the end.
    const std::int64_t height = m_sizes.total.cy > 0 ? m_sizes.total.cy + 2 * kRowMargin : 0;
    return std::max<std::int64_t>(0, height - viewport()->height());
}

void RowPane::UpdateBars()
{
    m_mapX = ScrollBarMap(MaxX());
    m_mapY = ScrollBarMap(MaxY());
    m_position.x = std::clamp<std::int64_t>(m_position.x, 0, m_mapX.Range());
    m_position.y = std::clamp<std::int64_t>(m_position.y, 0, m_mapY.Range());
    m_syncingBars = true;
    horizontalScrollBar()->setRange(0, m_mapX.Maximum());
    horizontalScrollBar()->setPageStep(m_mapX.Length(viewport()->width()));
    horizontalScrollBar()->setSingleStep(m_mapX.Length(m_sizes.line.cx));
    horizontalScrollBar()->setValue(m_mapX.ToBar(m_position.x));
    verticalScrollBar()->setRange(0, m_mapY.Maximum());
    verticalScrollBar()->setPageStep(m_mapY.Length(viewport()->height()));
    verticalScrollBar()->setSingleStep(m_mapY.Length(m_sizes.line.cy));
    verticalScrollBar()->setValue(m_mapY.ToBar(m_position.y));
    m_syncingBars = false;
}

void RowPane::ScrollTo(PanePoint position)
{
    position.x = std::clamp<std::int64_t>(position.x, 0, m_mapX.Range());
    position.y = std::clamp<std::int64_t>(position.y, 0, m_mapY.Range());
    if (position == m_position) {
        return;
    }
    m_position = position;
    m_syncingBars = true;
    horizontalScrollBar()->setValue(m_mapX.ToBar(m_position.x));
    verticalScrollBar()->setValue(m_mapY.ToBar(m_position.y));
    m_syncingBars = false;
    viewport()->update();
    VisibleTextChanged();
}

void RowPane::ScrollByKey(ScrollKey key)
{
    ScrollTo(ScrollForKey(key, m_position, m_sizes));
}

void RowPane::OnBarAction(Qt::Orientation orientation, int action)
{
    // Arrows and page clicks move exactly as the keys do, however coarse the bar's units.
    const std::optional<ScrollKey> key = KeyOfBarAction(orientation, action);
    if (!key) {
        return;
    }
    ScrollByKey(*key);
    QScrollBar* bar = orientation == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
    const ScrollBarMap& map = orientation == Qt::Vertical ? m_mapY : m_mapX;
    bar->setSliderPosition(map.ToBar(orientation == Qt::Vertical ? m_position.y : m_position.x));
}

void RowPane::OnBarValue(Qt::Orientation orientation, int value)
{
    if (m_syncingBars) {
        return;
    }
    const ScrollBarMap& map = orientation == Qt::Vertical ? m_mapY : m_mapX;
    std::int64_t& coordinate = orientation == Qt::Vertical ? m_position.y : m_position.x;
    // A value that the position already gives keeps the position exact.
    if (map.ToBar(coordinate) == value) {
        return;
    }
    coordinate = map.FromBar(value);
    viewport()->update();
    VisibleTextChanged();
}

void RowPane::scrollContentsBy(int /*dx*/, int /*dy*/)
{
    // The position is this pane's own; the bars only report to OnBarValue.
}

void RowPane::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_rows.RowCount() > 0) {
        m_sizes.page =
            PageSizeOnResize(viewport()->width(), viewport()->height(), m_charWidth, m_rowHeight);
    }
    UpdateBars();
    VisibleTextChanged();
}

void RowPane::keyPressEvent(QKeyEvent* event)
{
    if (IsContextMenuKey(*event)) {
        RequestContextMenu(viewport()->mapToGlobal(QPoint(kRowMargin, kRowMargin)));
        return;
    }
    if (const std::optional<ScrollKey> key = KeyOf(event->key())) {
        ScrollByKey(*key);
        return;
    }
    // Not the scroll area's handling: it would move the bars by their own steps.
    QWidget::keyPressEvent(event);
}

void RowPane::wheelEvent(QWheelEvent* event)
{
    m_wheelRemainder += event->angleDelta();
    const int lines = QApplication::wheelScrollLines();
    // Whole notches only, towards zero (QPoint's division would round half a notch up).
    const QPoint notches(m_wheelRemainder.x() / kWheelNotch, m_wheelRemainder.y() / kWheelNotch);
    m_wheelRemainder -= notches * kWheelNotch;
    for (int i = 0; i < std::abs(notches.y()) * lines; ++i) {
        ScrollByKey(notches.y() > 0 ? ScrollKey::Up : ScrollKey::Down);
    }
    for (int i = 0; i < std::abs(notches.x()) * lines; ++i) {
        ScrollByKey(notches.x() > 0 ? ScrollKey::Left : ScrollKey::Right);
    }
    event->accept();
}

void RowPane::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_rows.RowCount() == 0) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const std::uint64_t row = RowAtViewportY(event->position().toPoint().y());
    if (event->modifiers() & Qt::ShiftModifier) {
        m_selection.Extend(row);
    } else {
        m_selection.Begin(row);
    }
    viewport()->update();
    EditStateChanged();
}

void RowPane::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || m_selection.Empty()) {
        return;
    }
    // Dragging past an edge scrolls a row at a time.
    const int y = event->position().toPoint().y();
    if (y < 0) {
        ScrollByKey(ScrollKey::Up);
    } else if (y >= viewport()->height()) {
        ScrollByKey(ScrollKey::Down);
    }
    m_selection.Extend(RowAtViewportY(std::clamp(y, 0, std::max(0, viewport()->height() - 1))));
    viewport()->update();
}

void RowPane::contextMenuEvent(QContextMenuEvent* event)
{
    RequestContextMenu(event->globalPos());
}

// ---- Painting ------------------------------------------------------------------------------

void RowPane::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect clip = event->rect();
    const QPalette& colours = palette();
    painter.fillRect(clip, colours.color(QPalette::Base));
    m_painted.reset();
    // Every row with a pixel in the clip, the margin counted: the same rows as RowsInView(),
    // so a selected row's highlight is never cut at the top and assistive technology reads
    // what was drawn.
    const std::optional<RowRange> rows = viewer::doc::panes::RowsInView(
        m_position.y + clip.top(), clip.height(), m_rowHeight, m_rows.RowCount());
    if (!rows) {
        return;
    }
    const std::vector<std::string> texts =
        m_rows.Rows(rows->first, static_cast<std::size_t>(rows->last - rows->first + 1));
    painter.setFont(m_font);
    const int x = ToInt(kRowMargin - m_position.x);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::uint64_t row = rows->first + i;
        const int y =
            ToInt(static_cast<std::int64_t>(row) * m_rowHeight + kRowMargin - m_position.y);
        const bool selected = m_selection.Contains(row);
        if (selected) {
            painter.fillRect(QRect(clip.left(), y, clip.width(), static_cast<int>(m_rowHeight)),
                             colours.color(QPalette::Highlight));
        }
        painter.setPen(colours.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(QPoint(x, y + m_ascent), QString::fromStdString(texts[i]));
    }
    if (!texts.empty()) {
        m_painted = RowRange{rows->first, rows->first + texts.size() - 1};
    }
}

void RowPane::VisibleTextChanged()
{
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::VisibleDataChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

} // namespace viewer::ui
