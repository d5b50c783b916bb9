#!/usr/bin/env bash
# Sets up, builds and runs every test. TARN_SANITIZE=1 runs them under ASan and UBSan instead,
# TARN_SANITIZE=thread the multi-threaded ones under TSan.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/scripts/build.sh"
if [ "${TARN_SANITIZE:-0}" = 1 ]; then
    build="${BUILD_DIR:-$top/build-asan}"
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
elif [ "${TARN_SANITIZE:-0}" = thread ]; then
    build="${BUILD_DIR:-$top/build-tsan}"
    export TSAN_OPTIONS="halt_on_error=1:exitcode=66:suppressions=$top/tests/tsan.supp"
    # The tests of our own code that runs on more than one thread (Qt's own threads are not
    # instrumented, so tests that mostly exercise them only report Qt).
    set -- -R 'qpx|singleton|tarnhandler|library|devicestore|devicedisplaypage|mainpage_lo|batchrunner' "$@"
else
    build="${BUILD_DIR:-$top/build}"
fi
# Nothing a test runs may reach a real network interface.
export TARN_IFACES=lo
ctest --test-dir "$build" --output-on-failure --parallel 2 "$@"
