#include "viewer/ui/time_form.h"

#include <algorithm>

#include <QCalendarWidget>
#include <QEvent>
#include <QLabel>
#include <QTimeEdit>

#include "viewer/doc/model/element.h"
#include "viewer/doc/panes/date_form.h"

namespace viewer::ui {

using namespace viewer::doc::model;
using namespace viewer::doc::panes;

namespace {

// The form's places in dialog units: a quarter of the font's average character width
// across, an eighth of its height down.
struct DialogUnits {
    explicit DialogUnits(const QFontMetrics& metrics)
        : x(metrics.averageCharWidth()), y(metrics.height())
    {
    }
    int X(int units) const { return units * x / 4; }
    int Y(int units) const { return units * y / 8; }
    int x;
    int y;
};

} // namespace

CTimeForm::CTimeForm(const PaneContext& context, QWidget* parent)
    : QWidget(parent), ElementPane(context)
{
    setAccessibleName(tr("Date and time"));
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    ForwardContextMenus(this);

    m_calendar = new QCalendarWidget(this);
    m_calendar->setAccessibleName(tr("Date"));
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    m_calendar->setDateEditEnabled(false);
    // Read-only: a click or a key that selects another day is taken back.
    connect(m_calendar, &QCalendarWidget::selectionChanged, this, [this] {
        if (m_date.isValid() && m_calendar->selectedDate() != m_date) {
            m_calendar->setSelectedDate(m_date);
        }
    });

    m_time = new QTimeEdit(this);
    m_time->setAccessibleName(tr("Time"));
    m_time->setReadOnly(true);
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    m_time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_line = new QLabel(this);
    m_line->setAccessibleName(tr("Date and time, ISO 8601"));
    m_line->setTextFormat(Qt::PlainText);
    m_line->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    m_calendar->hide();
    m_time->hide();
    PlaceControls();
}

std::uint32_t CTimeForm::GetViewKind() const
{
    return VIEW_DATE;
}

void CTimeForm::PlaceControls()
{
    const DialogUnits du(fontMetrics());
    const QSize calendar(std::max(du.X(167), m_calendar->sizeHint().width()),
                         std::max(du.Y(97), m_calendar->sizeHint().height()));
    m_calendar->setGeometry(du.X(7), du.Y(7), calendar.width(), calendar.height());
    const int timeLeft = std::max(du.X(177), m_calendar->geometry().right() + 1 + du.X(3));
    m_time->setGeometry(timeLeft, du.Y(7), std::max(du.X(67), m_time->sizeHint().width()),
                        std::max(du.Y(13), m_time->sizeHint().height()));
    m_line->setGeometry(du.X(7), m_calendar->geometry().bottom() + 1 + du.Y(7),
                        m_time->geometry().right() + 1 - du.X(7), m_line->sizeHint().height());
}

void CTimeForm::OnUpdate(viewer::doc::document::DocumentView* /*sender*/, ElementRef* hint)
{
    if (!hint) {
        return;
    }
    SetElement(hint);
    if (hint->Kind() != ELEM_DATE) {
        return;
    }
    const auto& attribute = static_cast<const AttributeElement&>(*hint);
    const std::optional<LocalDateTime> shown =
        attribute.Buffer() ? DateFormContent({attribute.Buffer(), attribute.KeptLength()})
                           : std::nullopt;
    const QDate date = shown ? QDate(shown->year, shown->month, shown->day) : QDate();
    if (!shown || !date.isValid()) {
        m_date = QDate();
        m_calendar->hide();
        m_time->hide();
        m_line->clear();
        return;
    }
    m_date = date;
    m_calendar->setSelectedDate(date);
    m_calendar->setCurrentPage(date.year(), date.month());
    m_time->setTime(QTime(shown->hour, shown->minute, shown->second));
    m_line->setText(QString::fromStdString(IsoDateTime(*shown)));
    m_calendar->show();
    m_time->show();
}

void CTimeForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        PlaceControls();
    }
}

} // namespace viewer::ui
