#!/usr/bin/env bash
# Makes encoding/web/ (which ICU converter reads each legacy encoding of the WHATWG
# Encoding Standard exactly as the standard does, and the standard's tables for
# those that none matches) and tests/data/whatwg-encoding/ (the standard's files
# the tests compare with), from the standard's labels and index files. Run it
# again only to take a newer version of the standard or of ICU; the build never
# runs it and never fetches anything.
# Usage: webencodings.sh WHATWG_FOLDER (encodings.json, index-*.txt, LICENSE).
# Needs g++, pkg-config, qt6-base-dev and libicu-dev.
set -euo pipefail

root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source_dir=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

g++ -std=c++17 -O2 -fPIC -o "$work/webencodings" "$root_dir/scripts/webencodings.cpp" \
    $(pkg-config --cflags --libs Qt6Core icu-uc)
rm -f "$root_dir"/encoding/web/*.bin
"$work/webencodings" "$source_dir" "$root_dir/encoding/web" "$root_dir/tests/data/whatwg-encoding"
