#!/usr/bin/env bash
# Sets everything up, builds Marlisse and runs the whole test suite headless:
#   1. the tests in the ordinary build (build/);
#   2. the fuzzers (clang, libFuzzer), each for a bounded time (build-fuzz/);
#   3. the tests again with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/).
# MARLISSE_FUZZ_SECONDS sets the time of each fuzzer (default 60).
# Exits non-zero when any part fails.
set -euo pipefail
export MARLISSE_EXTRA_PACKAGES="clang libclang-rt-14-dev"
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

failed=()
ctest --test-dir "$build_dir" --output-on-failure --timeout 300 -j2 || failed+=("tests")

fuzz_dir=$root_dir/build-fuzz
CC=clang CXX=clang++ cmake -S "$root_dir" -B "$fuzz_dir" -G Ninja -DMARLISSE_FUZZ=ON
cmake --build "$fuzz_dir" -j"$(nproc)" --target fuzzers
bash "$root_dir/scripts/fuzz.sh" "$fuzz_dir" "${MARLISSE_FUZZ_SECONDS:-60}" || failed+=("fuzzers")

asan_dir=$root_dir/build-asan
cmake -S "$root_dir" -B "$asan_dir" -G Ninja -DMARLISSE_SANITIZE=ON
cmake --build "$asan_dir" -j"$(nproc)"
ctest --test-dir "$asan_dir" --output-on-failure --timeout 900 -j2 || failed+=("sanitizer tests")

if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All tests, fuzzers and sanitizer tests passed."
