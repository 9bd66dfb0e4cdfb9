#!/usr/bin/env bash
# Sets everything up, builds Marlisse and starts the editor.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
exec "$build_dir/marlisse" "$@"
