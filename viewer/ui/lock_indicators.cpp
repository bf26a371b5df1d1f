#include "viewer/ui/lock_indicators.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/XKBlib.h>

namespace viewer::ui {

namespace {

// The light's index by its XKB name; -1 when the keyboard has no such light.
int IndicatorIndex(Display* display, const char* name)
{
    const Atom atom = XInternAtom(display, name, True);
    int index = -1;
    if (atom == None || !XkbGetNamedIndicator(display, atom, &index, nullptr, nullptr, nullptr)) {
        return -1;
    }
    return index;
}

bool Lit(unsigned state, int index)
{
    return index >= 0 && index < 32 && (state >> index) & 1u;
}

} // namespace

LockIndicators::LockIndicators()
{
#if QT_CONFIG(xcb)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) {
        return;
    }
    int opcode = 0;
    int event = 0;
    int error = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) {
        return;
    }
    m_display = display;
    m_caps = IndicatorIndex(display, "Caps Lock");
    m_num = IndicatorIndex(display, "Num Lock");
    m_scroll = IndicatorIndex(display, "Scroll Lock");
#endif
}

LockIndicators::State LockIndicators::Read() const
{
    State state;
    if (!m_display) {
        return state;
    }
    unsigned lit = 0;
    if (XkbGetIndicatorState(static_cast<Display*>(m_display), XkbUseCoreKbd, &lit) != Success) {
        return state;
    }
    state.caps = Lit(lit, m_caps);
    state.num = Lit(lit, m_num);
    state.scroll = Lit(lit, m_scroll);
    return state;
}

} // namespace viewer::ui
