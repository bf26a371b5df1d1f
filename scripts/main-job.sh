#!/usr/bin/env bash
# The main job of ./run: show the tree of FILE (the bundled sample when none is given)
# with the command-line viewer.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ $# -eq 0 ]; then
    set -- "$top/samples/sample.tnef"
fi
exec "$top/build/bin/pallion-cli" tree "$@"
