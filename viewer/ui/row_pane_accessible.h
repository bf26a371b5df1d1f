// Assistive technology reads the hex and text panes through this: they paint their rows
// themselves, so Qt knows nothing of their text unless told. The pane's accessible object is
// a read-only multi-line text whose text is the rows in view, one a line.
#pragma once

namespace viewer::ui {

// Registers the accessible object of RowPane with Qt; once per process, any number of calls.
void InstallRowPaneAccessibility();

} // namespace viewer::ui
