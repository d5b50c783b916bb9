#!/usr/bin/env bash
# How long `tarn list` takes with its default wait, and whether it finds every device: RUNS runs
# (20) against 24 emulated devices (TARN_BENCH_DEVICES) on a loopback of its own, without loss and
# at 20 % loss (TARN_BENCH_LOSSES="0 20"). Prints the figures; fails on nothing.
#
#   bench/list_bench.sh [BUILD_DIR] [RUNS]
set -u
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$top/build}" && pwd)"; runs="${2:-20}"; count="${TARN_BENCH_DEVICES:-24}"
if [ "${TARN_ISOLATED:-}" != 1 ]; then
    exec "$top/scripts/isolated.sh" "$0" "$build" "$runs"
fi
export TARN_TRUSTED_MAKERS="$build/test-maker/trusted-makers.txt" TARN_MAKER_SECRETS="$build/test-maker/maker-secrets.json"
work="$(mktemp -d)"
trap 'kill $emulator 2>/dev/null; rm -rf "$work"' EXIT
for loss in ${TARN_BENCH_LOSSES:-0 20}; do
    "$build/bin/tarn-device" --iface lo --count "$count" --loss $loss --state "$work/devices-$loss.json" >"$work/emulator.log" 2>&1 &
    emulator=$!
    for _ in $(seq 100); do grep -q ready "$work/emulator.log" && break; sleep 0.1; done
    # Past the start-up announcements, which come within a quarter of --announce-s (20 s).
    sleep 6
    all=0; times=()
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        found=$("$build/bin/tarn" list --iface lo --json 2>/dev/null \
            | python3 -c 'import json, sys; print(len(json.load(sys.stdin)))')
        times+=($(( ($(date +%s%N) - start) / 1000000 )))
        [ "$found" = "$count" ] && all=$((all + 1))
    done
    kill $emulator; wait $emulator 2>/dev/null
    printf '%s\n' "${times[@]}" | sort -n | awk -v loss=$loss -v all=$all -v runs="$runs" -v count="$count" '
        { ms[NR] = $1; list = list sprintf(" %.1f", $1 / 1000) }
        END { printf "loss %2d %%: %d of %d found in %d of %d runs; seconds: median %.2f, min %.2f, max %.2f;%s\n",
                     loss, count, count, all, runs, ms[int((NR + 1) / 2)] / 1000, ms[1] / 1000, ms[NR] / 1000, list }'
done
