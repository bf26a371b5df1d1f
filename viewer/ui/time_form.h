// CTimeForm: the date pane. A form with a month calendar (week numbers) and a time field
// showing an attribute's 14-byte date record in local time, and under them the same as an
// ISO 8601 line. Both controls are read-only rather than disabled, so that the date stays
// legible and reaches screen readers. A record that names no time leaves the form empty.
#pragma once

#include <QDate>
#include <QWidget>

#include "viewer/ui/element_pane.h"

class QCalendarWidget;
class QLabel;
class QTimeEdit;

namespace viewer::ui {

class CTimeForm final : public QWidget, public ElementPane {
    Q_OBJECT

public:
    CTimeForm(const PaneContext& context, QWidget* parent);

    // CElementView
    std::uint32_t GetViewKind() const override;
    // Takes nothing: the form reads its element anew.
    bool TakeOver(CElementView* /*previous*/) override { return true; }
    void OnUpdate(viewer::doc::document::DocumentView* sender,
                  viewer::doc::model::ElementRef* hint) override;

    // PaneView
    QWidget* Widget() override { return this; }

    QCalendarWidget* Calendar() const { return m_calendar; }
    QTimeEdit* TimeField() const { return m_time; }
    QLabel* IsoLine() const { return m_line; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void PlaceControls();

    QCalendarWidget* m_calendar = nullptr;
    QTimeEdit* m_time = nullptr;
    QLabel* m_line = nullptr;
    QDate m_date; // the date shown; the calendar returns to it when a click moves away
};

} // namespace viewer::ui
