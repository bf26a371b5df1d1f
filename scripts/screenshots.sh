#!/usr/bin/env bash
# Makes the README's screenshots of the desktop viewer under Xvfb (Debian xvfb, imagemagick,
# xdotool), walking the tree with the keys a person would press:
#   docs/viewer.png      samples/sample.tnef, the subject's value among the message properties
#   docs/viewer-raw.png  the same stream in raw view (the "RawView" setting on), a record open
# Usage: scripts/screenshots.sh [BUILD]   (default build/)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
work=$(mktemp -d "${TMPDIR:-/tmp}/pallion-shots.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -m 0700 "$work/runtime"
mkdir -p "$top/docs"
width=960
height=600

shoot() { # OUT REGISTRY KEYS...: the viewer filling a screen of its own size
    local out=$1 registry=$2
    shift 2
    PALLION_REGISTRY=$registry XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime \
    PALLION_SPLASH_MS=0 xvfb-run -a -s "-screen 0 ${width}x${height}x24" bash -c '
        "$1" -geometry "$2" "$3" & pid=$!
        sleep 3
        xdotool key --delay 100 "${@:5}"
        sleep 1
        import -window root "$4"
        kill $pid; wait $pid || true' shoot "$build/bin/pallion" "${width}x${height}+0+0" \
        "$top/samples/sample.tnef" "$out" "$@"
}

# Open the message group, go down to its property list, open it and its first property.
shoot "$top/docs/viewer.png" "$work/registry.reg" \
    Right Down Down Down Down Down Down Down Right Down Right Down
cat > "$work/raw.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\corvane.example\Corvane Envelon\1.00.000]
"RawView"=dword:00000001
REG
# Open the message group and the subject's record.
shoot "$top/docs/viewer-raw.png" "$work/raw.reg" Right Down Down Down Down Right Down
echo "wrote docs/viewer.png and docs/viewer-raw.png"
