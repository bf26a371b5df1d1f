#include "viewer/ui/splash_window.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "viewer/ui/wzd_bitmap.h"

namespace viewer::ui {

namespace {

constexpr std::uint32_t kSplashBitmap = 150;

} // namespace

CSplashWnd::CSplashWnd() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    CWzdBitmap bitmap;
    if (bitmap.LoadFromResource(kSplashBitmap)) {
        m_bitmap = QPixmap::fromImage(bitmap.Image());
    }
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(m_bitmap.size());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void CSplashWnd::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bitmap);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!m_painted) {
        m_painted = true;
        emit Painted();
    }
}

} // namespace viewer::ui
