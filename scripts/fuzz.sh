#!/usr/bin/env bash
# fuzz.sh FUZZER CORPUS SECONDS: fuzzes for a while from a copy of the seed corpus (the seed stays as
# committed). A crash leaves its input in the working copy and fails the run.
set -euo pipefail
fuzzer="$1"; corpus="$2"; seconds="${3:-60}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$corpus"/* "$work"/
cd "$work"
"$fuzzer" -max_total_time="$seconds" -max_len=1500 -rss_limit_mb=2048 -print_final_stats=1 "$work" 2>&1 | tail -n 12
