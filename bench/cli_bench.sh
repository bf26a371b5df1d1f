#!/usr/bin/env bash
# pallion-cli on large generated streams, beside the peer tool `tnef` in the same run:
#   tree of a 1 GiB stream with four large attachments and 20 000 properties (time, peak memory)
#   body of a stream with a 64 MiB RTF body (MB/s of RTF written)
#   extract of a 200 MB stream (time beside tnef -C)
#   extract of 10 000 empty attachments of one name (time beside tnef -C --number-backups)
# Usage: bench/cli_bench.sh [BUILD]   (default build/); files live under $TMPDIR and are removed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
cli=$build/bin/pallion-cli
make=$build/bench/make-large-tnef
work=$(mktemp -d "${TMPDIR:-/tmp}/pallion-cli-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export PALLION_REGISTRY=$work/registry.reg

measure() { # label command...: wall seconds and peak resident KiB
    local label=$1; shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" > /dev/null 2>&1 || true
    read -r seconds kib < "$work/time"
    printf '%-34s %8.2f s %10d KiB\n' "$label" "$seconds" "$kib"
}

"$make" "$work/big.tnef" --attachments 4 --attachment-mib 256 --properties 20000
measure "pallion-cli tree (1 GiB)" "$cli" tree "$work/big.tnef"
measure "tnef -t (1 GiB)" tnef -t -f "$work/big.tnef"

"$make" "$work/rtf.tnef" --rtf-mib 64
start=$(date +%s.%N)
"$cli" body "$work/rtf.tnef" "$work/body.rtf" > /dev/null
end=$(date +%s.%N)
size=$(stat -c %s "$work/body.rtf")
echo "pallion-cli body: $size bytes of RTF in $(echo "$end - $start" | bc) s ($(echo "$size / ($end - $start) / 1000000" | bc) MB/s)"

"$make" "$work/mid.tnef" --attachments 4 --attachment-mib 50 --properties 100
measure "pallion-cli extract (200 MB)" "$cli" extract "$work/mid.tnef" "$work/ours"
mkdir -p "$work/theirs"
measure "tnef -C (200 MB)" tnef -C "$work/theirs" -f "$work/mid.tnef"

"$make" "$work/same.tnef" --attachments 10000 --attachment-mib 0 --same-name 1
measure "pallion-cli extract (10 000 of a name)" "$cli" extract "$work/same.tnef" "$work/same"
mkdir -p "$work/same-theirs"
measure "tnef -C (10 000 of a name)" tnef --number-backups -C "$work/same-theirs" -f "$work/same.tnef"
