#!/usr/bin/env bash
# The main window holding emulated devices, as an X display shows it, in English and in Chinese at
# 1920x1080 and 1024x768:
#   mainwindow-screenshots.sh BUILD_DIR OUTPUT_DIR
# writes mainwindow_{en,zh}_{1920x1080,1024x768}.png. Runs in a network namespace of its own
# where one can be made, else on the loopback interface only.
set -euo pipefail
[ "${TARN_ISOLATED:-}" = 1 ] || exec "$(dirname "${BASH_SOURCE[0]}")/isolated.sh" "$0" "$@"
build="$(cd "$1" && pwd)"; out="$2"
mkdir -p "$out"; out="$(cd "$out" && pwd)"
work="$(mktemp -d)"
export TARN_IFACES=lo TMPDIR="$work"
# The build's test maker certifies the emulator's devices, and the tool trusts it.
export TARN_MAKER_SECRETS="$build/test-maker/maker-secrets.json" TARN_TRUSTED_MAKERS="$build/test-maker/trusted-makers.txt"
"$build/bin/tarn-device" --iface lo --count 24 --seed 7 --state "$work/devices.json" >/dev/null 2>&1 &
emulator=$!
trap 'kill $emulator 2>/dev/null; wait $emulator 2>/dev/null; rm -rf "$work"' EXIT

status=0
for lang in en zh; do
    # The language comes from the program folder's Setup.xml: each language gets a copy of the folder.
    tree="$work/$lang"
    cp -r "$build/bin" "$tree"
    value=0; [ $lang = zh ] && value=1
    sed -i "s|<Translator><Value>[0-9]*</Value></Translator>|<Translator><Value>$value</Value></Translator>|" "$tree/Setup.xml"
    for size in 1920x1080 1024x768; do
        shot="$out/mainwindow_${lang}_${size}.png"
        rm -f "$shot"
        xvfb-run -a -s "-screen 0 ${size}x24" bash -c '
            (cd "$1" && QT_QPA_PLATFORM=xcb exec ./TarnTool) >"$4.log" 2>&1 &
            tool=$!
            for _ in $(seq 50); do grep -q "Main window shown" "$4.log" 2>/dev/null && break; sleep 0.2; done
            sleep 4  # the devices announce themselves
            # The largest window the tool shows is its main window.
            geometry=(); best=0
            for window in $(xdotool search --onlyvisible --pid "$tool" 2>/dev/null); do
                eval "$(xdotool getwindowgeometry --shell "$window")"
                if [ $((WIDTH * HEIGHT)) -gt $best ]; then best=$((WIDTH * HEIGHT)); geometry=("$X" "$Y" "$WIDTH" "$HEIGHT"); fi
            done
            "$2" "$3" "${geometry[@]}"
            kill "$tool" 2>/dev/null; wait "$tool" 2>/dev/null
            exit 0' shot "$tree" "$build/tools/screen-grab/screen-grab" "$shot" "$work/$lang-$size"
        if [ -f "$shot" ]; then echo "$shot"; else echo "no screenshot: $shot" >&2; status=1; fi
    done
done
exit $status
