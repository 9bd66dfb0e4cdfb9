#!/usr/bin/env bash
# Installs the Debian packages that building and testing Marlisse need, then
# configures and builds the project in ./build. Sourced by run.sh and test.sh.
set -euo pipefail

root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${MARLISSE_BUILD_DIR:-$root_dir/build}

packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
          libgl-dev fonts-dejavu-core desktop-file-utils appstream dpkg-dev file
          pkg-config libtidy-dev tidy
          ${MARLISSE_EXTRA_PACKAGES:-})

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" </dev/null
fi

cmake -S "$root_dir" -B "$build_dir" -G Ninja ${MARLISSE_CMAKE_ARGS:-}
cmake --build "$build_dir" -j"$(nproc)"
