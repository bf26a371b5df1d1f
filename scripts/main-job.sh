#!/usr/bin/env bash
# The main job of ./run: register the stream server in the user's registration
# store and report it. Later this runs the command-line viewer on FILE.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exec "$top/build/bin/rillex-register" "$@"
