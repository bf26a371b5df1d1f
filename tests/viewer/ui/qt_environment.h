// The Qt side of the desktop viewer's tests: one QApplication per test program on the
// offscreen platform, with a private runtime folder, no splash wait, and settings in the
// test's own folder (test_main points XDG_CONFIG_HOME there).
#pragma once

#include <functional>

namespace ui_testing {

// Runs the event loop until `done` holds or `timeoutMs` passes; the final value of `done`.
bool SpinUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Delivers the deletions that deleteLater postponed.
void FlushDeletions();

} // namespace ui_testing
