#!/usr/bin/env bash
# Sets up and builds, then runs the tool against emulated devices on the loopback interface.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/scripts/build.sh"
build="${BUILD_DIR:-$top/build}"
bin="$build/bin"
demo="$build/demo"
mkdir -p "$demo"
export TARN_IFACES=lo
[ -f "$demo/maker-secrets.json" ] || "$bin/tarn-maker" init --secrets "$demo/maker-secrets.json" >/dev/null
# The tool shows only devices certified by a maker it trusts: the demo maker's key goes beside it.
trust="$("$bin/tarn-maker" trust --secrets "$demo/maker-secrets.json")"
grep -qxF "$trust" "$bin/trusted-makers.txt" 2>/dev/null || echo "$trust" >> "$bin/trusted-makers.txt"

devices=(--iface lo --count "${TARN_DEMO_DEVICES:-24}" --state "$demo/devices.json" --maker "$demo/maker-secrets.json")
if [ -x "$bin/TarnTool" ]; then
    "$bin/tarn-device" "${devices[@]}" &
    emulator=$!
    trap 'kill $emulator 2>/dev/null; wait $emulator 2>/dev/null' EXIT
    cd "$bin" && "$bin/TarnTool"
    exit
fi
cat <<TEXT
demo: the tool's main window does not exist yet. What runs now are the emulated devices on the
loopback interface ($demo/devices.json keeps their state); the libraries, the dialogs' screenshots
(cmake --build build --target screenshots) and the user manuals are in $build.
Keys and security codes for password recovery: $bin/tarn-maker --secrets $demo/maker-secrets.json ...
Press Ctrl-C to stop the devices.
TEXT
exec "$bin/tarn-device" "${devices[@]}"
