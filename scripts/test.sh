#!/usr/bin/env bash
# Sets up, builds and runs every test. TARN_SANITIZE=1 runs them under the sanitizers instead.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/scripts/build.sh"
if [ "${TARN_SANITIZE:-0}" = 1 ]; then
    build="${BUILD_DIR:-$top/build-asan}"
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
else
    build="${BUILD_DIR:-$top/build}"
fi
# Nothing a test runs may reach a real network interface.
export TARN_IFACES=lo
ctest --test-dir "$build" --output-on-failure --parallel 2 "$@"
