#include "viewer/ui/body_browser.h"

#include <algorithm>
#include <array>
#include <vector>

#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QToolButton>

#include "platform/text_safety.h"
#include "viewer/render/html/addresses.h"

namespace viewer::ui {

namespace html = viewer::render::html;

namespace {

constexpr std::array<int, 12> kZoomSteps = {50, 67, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};

// An address as the person sees it before opening it: percent-encoded, so that no control,
// direction or look-alike character can pass for another address.
QString ShownAddress(const QUrl& address)
{
    return QString::fromStdString(
        platform::EscapeForDisplay(address.toString(QUrl::FullyEncoded).toStdString()));
}

} // namespace

// The find bar at the foot of a body: a field, previous and next, a note when nothing is
// found, and a close button.
class FindBar final : public QWidget {
  public:
    explicit FindBar(BodyBrowser* browser) : QWidget(browser), m_browser(browser)
    {
        setAutoFillBackground(true);
        setPalette(QApplication::palette());
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(4, 2, 4, 2);
        m_field = new QLineEdit(this);
        m_field->setAccessibleName(tr("Find"));
        m_field->setPlaceholderText(tr("Find in the body"));
        m_field->installEventFilter(this);
        auto* previous = new QToolButton(this);
        previous->setText(tr("Previous"));
        auto* next = new QToolButton(this);
        next->setText(tr("Next"));
        m_note = new QLabel(this);
        m_note->setTextFormat(Qt::PlainText);
        auto* close = new QToolButton(this);
        close->setText(tr("Close"));
        layout->addWidget(m_field, 1);
        layout->addWidget(previous);
        layout->addWidget(next);
        layout->addWidget(m_note);
        layout->addWidget(close);
        connect(previous, &QToolButton::clicked, this, [this] { Find(true); });
        connect(next, &QToolButton::clicked, this, [this] { Find(false); });
        connect(close, &QToolButton::clicked, this, [this] { Close(); });
        hide();
    }

    void Open()
    {
        show();
        m_field->setFocus(Qt::ShortcutFocusReason);
        m_field->selectAll();
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_field && event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                Find(key->modifiers().testFlag(Qt::ShiftModifier));
                return true;
            }
            if (key->key() == Qt::Key_Escape) {
                Close();
                return true;
            }
        }
        return QWidget::eventFilter(watched, event);
    }

  private:
    void Find(bool backward)
    {
        const bool found =
            m_field->text().isEmpty() || m_browser->FindText(m_field->text(), backward);
        m_note->setText(found ? QString() : tr("Not found"));
    }

    void Close()
    {
        hide();
        m_note->clear();
        m_browser->setFocus(Qt::OtherFocusReason);
    }

    BodyBrowser* m_browser;
    QLineEdit* m_field = nullptr;
    QLabel* m_note = nullptr;
};

BodyBrowser::BodyBrowser(QWidget* parent) : QTextBrowser(parent)
{
    setReadOnly(true);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard |
                            Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    QPalette paper = palette();
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        paper.setColor(group, QPalette::Text, Qt::black);
        paper.setColor(group, QPalette::Link, QColor(0x00, 0x00, 0xEE));
        paper.setColor(group, QPalette::LinkVisited, QColor(0x55, 0x1A, 0x8B));
    }
    setPalette(paper);
    m_findBar = new FindBar(this);
    SetPaper(Qt::white);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { FollowLink(url); });
}

BodyBrowser::~BodyBrowser() = default;

void BodyBrowser::SetPaper(const QColor& color)
{
    QPalette paper = palette();
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        paper.setColor(group, QPalette::Base, color);
    }
    setPalette(paper);
}

QVariant BodyBrowser::loadResource(int type, const QUrl& name)
{
    const QVariant answer = ServeResource(type, name);
    if (m_resourceObserver) {
        m_resourceObserver(type, name, answer.isValid());
    }
    // A refusal must not be null: for a null answer QTextDocument reads the address as a
    // local file itself, or decodes a data: address without any bound.
    return answer.isValid() ? answer : QVariant(QByteArray());
}

QVariant BodyBrowser::ServeResource(int /*type*/, const QUrl& /*name*/)
{
    return {};
}

void BodyBrowser::FollowLink(const QUrl& address)
{
    const std::string target = address.toString(QUrl::FullyEncoded).toStdString();
    switch (html::DecideLink(target, BodyAddress().toStdString())) {
    case html::LinkAction::Bookmark:
        scrollToAnchor(address.fragment(QUrl::FullyDecoded));
        return;
    case html::LinkAction::Ignore:
        return;
    case html::LinkAction::OfferOpen:
        if (m_linkHost &&
            m_linkHost->ConfirmLink(tr("Open this address?\n\n%1").arg(ShownAddress(address)))) {
            m_linkHost->OpenLink(address);
        }
        return;
    case html::LinkAction::Refuse:
        if (m_linkHost) {
            m_linkHost->Notify(
                tr("Links of this kind are not opened:\n\n%1").arg(ShownAddress(address)));
        }
        return;
    }
}

bool BodyBrowser::HasTextSelection() const
{
    const QString selected = textCursor().selectedText();
    return std::any_of(selected.begin(), selected.end(),
                       [](QChar c) { return c != QChar::ObjectReplacementCharacter; });
}

void BodyBrowser::ZoomIn()
{
    const auto next = std::upper_bound(kZoomSteps.begin(), kZoomSteps.end(), m_zoom);
    if (next != kZoomSteps.end()) {
        SetZoom(*next);
    }
}

void BodyBrowser::ZoomOut()
{
    const auto next = std::lower_bound(kZoomSteps.begin(), kZoomSteps.end(), m_zoom);
    if (next != kZoomSteps.begin()) {
        SetZoom(*std::prev(next));
    }
}

void BodyBrowser::ResetZoom()
{
    SetZoom(100);
}

void BodyBrowser::SetZoom(int percent)
{
    if (percent == m_zoom) {
        return;
    }
    const QScrollBar* bar = verticalScrollBar();
    const double at = bar->maximum() > 0 ? double(bar->value()) / bar->maximum() : 0;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ScaleTextDocument(*document(), double(percent) / m_zoom);
    QApplication::restoreOverrideCursor();
    m_zoom = percent;
    verticalScrollBar()->setValue(static_cast<int>(at * verticalScrollBar()->maximum()));
}

void BodyBrowser::BodyLoaded()
{
    if (m_zoom != 100) {
        ScaleTextDocument(*document(), m_zoom / 100.0);
    }
}

void BodyBrowser::ShowFindBar()
{
    m_findBar->Open();
    PlaceFindBar();
}

bool BodyBrowser::FindText(const QString& text, bool backward)
{
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (find(text, flags)) {
        return true;
    }
    // Round the end of the body and on from the other one.
    const QTextCursor kept = textCursor();
    QTextCursor from(document());
    from.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    setTextCursor(from);
    if (find(text, flags)) {
        return true;
    }
    setTextCursor(kept);
    return false;
}

void BodyBrowser::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers().testFlag(Qt::ControlModifier)) {
        switch (event->key()) {
        case Qt::Key_F:
            ShowFindBar();
            return;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomIn();
            return;
        case Qt::Key_Minus:
            ZoomOut();
            return;
        case Qt::Key_0:
            ResetZoom();
            return;
        default:
            break;
        }
    }
    QTextBrowser::keyPressEvent(event);
}

void BodyBrowser::resizeEvent(QResizeEvent* event)
{
    QTextBrowser::resizeEvent(event);
    PlaceFindBar();
}

void BodyBrowser::PlaceFindBar()
{
    if (!m_findBar->isVisible()) {
        setViewportMargins(0, 0, 0, 0);
        return;
    }
    const int height = m_findBar->sizeHint().height();
    setViewportMargins(0, 0, 0, height);
    const QRect inside = contentsRect();
    const int scrollBar = horizontalScrollBar()->isVisible() ? horizontalScrollBar()->height() : 0;
    const int side = verticalScrollBar()->isVisible() ? verticalScrollBar()->width() : 0;
    m_findBar->setGeometry(inside.left(), inside.bottom() + 1 - height - scrollBar,
                           inside.width() - side, height);
}

namespace {

struct ScaledFragment {
    int position;
    int length;
    QTextCharFormat format;
};

// Scales what a format sizes; false when it sizes nothing.
bool ScaleFormat(QTextCharFormat& format, double factor, const QTextDocument& document)
{
    bool changed = false;
    if (format.isImageFormat()) {
        QTextImageFormat image = format.toImageFormat();
        const QImage natural =
            document.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
        const double width = image.width() > 0 ? image.width() : natural.width();
        const double height = image.height() > 0 ? image.height() : natural.height();
        if (width > 0 && height > 0) {
            image.setWidth(width * factor);
            image.setHeight(height * factor);
            format = image;
            changed = true;
        }
    }
    if (format.hasProperty(QTextFormat::FontPointSize)) {
        format.setFontPointSize(std::max(1.0, format.fontPointSize() * factor));
        changed = true;
    } else if (format.hasProperty(QTextFormat::FontPixelSize)) {
        format.setProperty(
            QTextFormat::FontPixelSize,
            std::max(1, qRound(format.intProperty(QTextFormat::FontPixelSize) * factor)));
        changed = true;
    }
    return changed;
}

void ScaleTables(QTextFrame* frame, double factor)
{
    std::vector<QTextFrame*> frames{frame};
    while (!frames.empty()) {
        QTextFrame* current = frames.back();
        frames.pop_back();
        if (auto* table = qobject_cast<QTextTable*>(current)) {
            QTextTableFormat format = table->format();
            QList<QTextLength> widths = format.columnWidthConstraints();
            for (QTextLength& width : widths) {
                if (width.type() == QTextLength::FixedLength) {
                    width = QTextLength(QTextLength::FixedLength, width.rawValue() * factor);
                }
            }
            format.setColumnWidthConstraints(widths);
            table->setFormat(format);
        }
        const QList<QTextFrame*> children = current->childFrames();
        frames.insert(frames.end(), children.begin(), children.end());
    }
}

} // namespace

void ScaleTextDocument(QTextDocument& document, double factor)
{
    if (factor <= 0 || factor == 1.0) {
        return;
    }
    // Formats are gathered first and set after: setting one can merge fragments under an
    // iterator.
    std::vector<ScaledFragment> fragments;
    std::vector<std::pair<int, QTextCharFormat>> blockFormats;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextCharFormat blockFormat = block.charFormat();
        if (ScaleFormat(blockFormat, factor, document)) {
            blockFormats.emplace_back(block.position(), blockFormat);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            if (ScaleFormat(format, factor, document)) {
                fragments.push_back({fragment.position(), fragment.length(), format});
            }
        }
    }
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const auto& [position, format] : blockFormats) {
        cursor.setPosition(position);
        cursor.setBlockCharFormat(format);
    }
    for (const ScaledFragment& fragment : fragments) {
        cursor.setPosition(fragment.position);
        cursor.setPosition(fragment.position + fragment.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(fragment.format);
    }
    ScaleTables(document.rootFrame(), factor);
    QFont font = document.defaultFont();
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * factor);
    } else if (font.pixelSize() > 0) {
        font.setPixelSize(std::max(1, qRound(font.pixelSize() * factor)));
    }
    document.setDefaultFont(font);
    cursor.endEditBlock();
}

} // namespace viewer::ui
