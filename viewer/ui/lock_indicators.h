// The keyboard's Caps Lock, Num Lock and Scroll Lock lights, for the status bar. On X11 they
// are read through XKB from the display Qt uses; elsewhere (Wayland, no display) no client
// can read them and Available() is false.
#pragma once

namespace viewer::ui {

class LockIndicators {
public:
    struct State {
        bool caps = false;
        bool num = false;
        bool scroll = false;
    };

    // Looks up the three lights on the X display, when there is one.
    LockIndicators();

    bool Available() const { return m_display != nullptr; }
    State Read() const;

private:
    void* m_display = nullptr; // the X Display, not owned
    int m_caps = -1;           // index of each light among the keyboard's lights
    int m_num = -1;
    int m_scroll = -1;
};

} // namespace viewer::ui
