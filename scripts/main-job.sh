#!/usr/bin/env bash
# The main job of ./run: open FILE (the bundled sample when none is given) in the desktop
# viewer. Without a display, show its tree with the command-line viewer instead.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ $# -eq 0 ]; then
    set -- "$top/samples/sample.tnef"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): showing the tree with pallion-cli."
    exec "$top/build/bin/pallion-cli" tree "$@"
fi
exec "$top/build/bin/pallion" "$@"
