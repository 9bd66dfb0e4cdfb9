#!/usr/bin/env bash
# Sets everything up, builds Marlisse and runs the whole test suite headless.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
ctest --test-dir "$build_dir" --output-on-failure --timeout 300 -j2
