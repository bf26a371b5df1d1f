// The viewer's pictures (splash, icons, toolbar) are compiled into the static library; a
// program that links it registers them through this before the first use.
#pragma once

namespace viewer::ui {

void LoadResources();

} // namespace viewer::ui
