#!/usr/bin/env bash
# Shared set-up of ./run and ./test: install the missing Debian packages listed in
# packages.txt, then configure and build the optimised tree in build/.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"

install_missing_packages() {
    local wanted missing=()
    wanted=$(grep -vE '^\s*(#|$)' packages.txt)
    for pkg in $wanted; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

configure_and_build() {
    local dir=$1
    shift
    local werror=OFF
    [ "${CI:-}" = "true" ] && werror=ON
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPALLION_WERROR="$werror" "$@" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)"
}

install_missing_packages
configure_and_build build
