#!/usr/bin/env bash
# install_test.sh BUILD SAMPLE: installs BUILD into a temporary prefix and checks it.
set -euo pipefail
build=$1
sample=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/pallion-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" > /dev/null

for file in bin/pallion bin/pallion-cli \
            lib/pallion/librillex.so lib/pallion/libtagora.so lib/pallion/libgimlet.so \
            lib/pallion/libferrule.so \
            share/applications/example.corvane.Pallion.desktop \
            share/mime/packages/example.corvane.Pallion.xml \
            share/icons/hicolor/scalable/apps/example.corvane.Pallion.svg \
            share/metainfo/example.corvane.Pallion.metainfo.xml; do
    [ -e "$prefix/$file" ] || { echo "missing: $file"; exit 1; }
done
for program in pallion pallion-cli; do
    readelf -d "$prefix/bin/$program" | grep -q 'RUNPATH.*\$ORIGIN/../lib/pallion' ||
        { echo "$program: no RUNPATH to ../lib/pallion"; exit 1; }
done
desktop-file-validate "$prefix/share/applications/example.corvane.Pallion.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/example.corvane.Pallion.metainfo.xml" > /dev/null
xmllint --noout "$prefix/share/mime/packages/example.corvane.Pallion.xml" 2> /dev/null ||
    [ $? -eq 127 ] # no xmllint: nothing to check it with

# The programs run from the prefix alone: libraries through RUNPATH and the loader's
# ../lib/pallion, the stream server registered afresh in a store of this test.
tree=$(env -u PALLION_LIBDIR PALLION_REGISTRY="$work/registry.reg" XDG_CONFIG_HOME="$work/config" \
    "$prefix/bin/pallion-cli" tree "$sample")
[[ "$tree" == 0$'\t'sample.tnef* ]] || { echo "pallion-cli did not run from the prefix"; exit 1; }
mkdir -m 0700 "$work/runtime"
shown=$(env -u PALLION_LIBDIR PALLION_REGISTRY="$work/registry.reg" XDG_CONFIG_HOME="$work/config" \
    XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen PALLION_SPLASH_MS=0 \
    PALLION_EXIT_WHEN_SHOWN=1 timeout 60 "$prefix/bin/pallion" "$sample" 2> /dev/null)
[ "$shown" = shown ] || { echo "pallion did not start from the prefix"; exit 1; }
grep -q "$prefix/lib/pallion/librillex.so" "$work/registry.reg" ||
    { echo "the stream server was not registered from the prefix"; exit 1; }
echo "installed and started from $prefix"
