// The start-up splash: bitmap 150, centred on the screen, no caption, a thin border. It stays
// up while start-up runs with the event loop going, and says when it has first been painted
// so that start-up begins only once it is on screen.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace viewer::ui {

class CSplashWnd final : public QWidget {
    Q_OBJECT

public:
    CSplashWnd();

signals:
    void Painted();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_bitmap;
    bool m_painted = false;
};

} // namespace viewer::ui
