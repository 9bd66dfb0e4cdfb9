#!/usr/bin/env bash
# Runs every fuzzer of a fuzz build for a bounded time, each from its seed corpus.
# Usage: fuzz.sh BUILD_DIR [SECONDS_EACH]. Fails on a crash, a hang, a leak or a
# broken property; the input that broke it is left in the build's fuzz-findings.
set -euo pipefail

root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=$1
seconds=${2:-60}
findings=$build_dir/fuzz-findings
mkdir -p "$findings"

export LSAN_OPTIONS="suppressions=$root_dir/tests/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for fuzzer in preferences codec highlighter tags typing verification; do
    binary=$build_dir/tests/fuzz/fuzz_$fuzzer
    work=$(mktemp -d)
    echo "== fuzz_$fuzzer for ${seconds}s"
    if ! "$binary" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -max_len=4096 \
            -print_final_stats=1 -artifact_prefix="$findings/$fuzzer-" \
            "$work" "$root_dir/tests/fuzz/corpus/$fuzzer" </dev/null >"$work.log" 2>&1; then
        tail -n 60 "$work.log"
        echo "fuzz_$fuzzer FAILED"
        status=1
    else
        grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$work.log" | tail -n 2 || true
        echo "fuzz_$fuzzer passed"
    fi
    rm -rf "$work" "$work.log"
done
exit $status
