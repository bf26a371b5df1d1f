#!/usr/bin/env bash
# Draws the start-up splash, bitmap 150 (a BMP of 466 x 62 pixels, 24-bit colour, no colour
# table), from the application icon and two lines of text, with ImageMagick and the DejaVu fonts:
#   scripts/make-splash.sh [OUT]   (default viewer/ui/resources/splash.bmp)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/viewer/ui/resources/splash.bmp}
work=$(mktemp -d "${TMPDIR:-/tmp}/pallion-splash.XXXXXX")
trap 'rm -rf "$work"' EXIT
convert -background none -density 300 "$top/viewer/ui/resources/pallion.svg" -resize 48x48 "$work/icon.png"
convert -size 62x466 gradient:'#1d3a5f'-'#3a74c0' -rotate -90 \
    "$work/icon.png" -geometry +9+7 -composite \
    -font DejaVu-Sans-Bold -pointsize 24 -fill white -annotate +70+30 'Corvane Envelon' \
    -font DejaVu-Sans -pointsize 12 -fill '#d9e6f5' \
    -annotate +71+50 'TNEF streams, message files and mails, opened up' \
    -alpha off -type TrueColor "BMP3:$out"
