#!/usr/bin/env bash
# Sets up and builds, then runs the tool beside emulated devices on the loopback interface. The
# devices stop when the tool exits. Without a display, the tool runs under Xvfb for a few seconds
# and a screenshot of its window is saved instead.
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

"$bin/tarn-device" --iface lo --count "${TARN_DEMO_DEVICES:-24}" --onvif "${TARN_DEMO_ONVIF:-6}" \
    --state "$demo/devices.json" --maker "$demo/maker-secrets.json" &
emulator=$!
trap 'kill $emulator 2>/dev/null; wait $emulator 2>/dev/null || true' EXIT
cat <<TEXT
demo: $(( ${TARN_DEMO_DEVICES:-24} )) emulated devices and ${TARN_DEMO_ONVIF:-6} ONVIF ones on the loopback interface
($demo/devices.json keeps their state; devices that start activated have the password Admin12345,
and the ONVIF ones the user admin: give both under Site Credentials to read them).
Keys and security codes for password recovery: $bin/tarn-maker --secrets $demo/maker-secrets.json ...
TEXT

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    (cd "$bin" && "$bin/TarnTool") || true
    exit 0
fi

shot="$build/screenshots/demo-mainwindow.png"
mkdir -p "$(dirname "$shot")"
rm -f "$shot"
echo "demo: no display here; running the tool under Xvfb for ${TARN_DEMO_SECONDS:-8} seconds"
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
    (cd "$1" && QT_QPA_PLATFORM=xcb exec ./TarnTool) &
    tool=$!
    sleep "$3"
    geometry=(0 0 1920 1080)
    if command -v xdotool >/dev/null; then
        window=$(xdotool search --name "^TARN Tool$" | head -n 1)
        [ -n "$window" ] && eval "$(xdotool getwindowgeometry --shell "$window")" && geometry=("$X" "$Y" "$WIDTH" "$HEIGHT")
    fi
    "$2" "$4" "${geometry[@]}"
    kill "$tool" 2>/dev/null
    wait "$tool" 2>/dev/null
    exit 0' demo "$bin" "$build/tools/screen-grab/screen-grab" "${TARN_DEMO_SECONDS:-8}" "$shot"
if [ -f "$shot" ]; then
    echo "demo: the main window holding the devices: $shot"
else
    echo "demo: no screenshot was taken" >&2
    exit 1
fi
