#!/usr/bin/env bash
# Configures and builds into build/ (or the folder in BUILD_DIR). Extra arguments go to cmake.
# TARN_SANITIZE=1 builds with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/,
# TARN_SANITIZE=thread with ThreadSanitizer into build-tsan/.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/scripts/setup.sh"

args=()
if [ "${TARN_SANITIZE:-0}" = 1 ]; then
    build="${BUILD_DIR:-$top/build-asan}"
    args+=(-DTARN_SANITIZE=ON)
elif [ "${TARN_SANITIZE:-0}" = thread ]; then
    build="${BUILD_DIR:-$top/build-tsan}"
    args+=(-DTARN_SANITIZE_THREAD=ON)
else
    build="${BUILD_DIR:-$top/build}"
fi
generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S "$top" -B "$build" "${generator[@]}" "${args[@]}" "$@"
cmake --build "$build" --parallel 2
