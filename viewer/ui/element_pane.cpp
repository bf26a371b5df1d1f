#include "viewer/ui/element_pane.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QWidget>

namespace viewer::ui {

namespace {

class ContextMenuForwarder final : public QObject {
public:
    ContextMenuForwarder(QWidget* widget, std::function<void(const QPoint&)> request)
        : QObject(widget), m_widget(widget), m_request(std::move(request))
    {
    }

    bool eventFilter(QObject* /*watched*/, QEvent* event) override
    {
        if (event->type() == QEvent::ContextMenu) {
            m_request(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        if (event->type() == QEvent::KeyPress &&
            IsContextMenuKey(*static_cast<QKeyEvent*>(event))) {
            m_request(m_widget->mapToGlobal(QPoint(0, 0)));
            return true;
        }
        return false;
    }

private:
    QWidget* m_widget;
    std::function<void(const QPoint&)> m_request;
};

} // namespace

void ElementPane::ForwardContextMenus(QWidget* widget)
{
    widget->installEventFilter(new ContextMenuForwarder(
        widget, [this](const QPoint& globalPos) { RequestContextMenu(globalPos); }));
}

} // namespace viewer::ui
