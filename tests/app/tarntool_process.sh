#!/usr/bin/env bash
# The real program as a person meets it, on an X display of its own beside emulated devices:
# start-up, a second copy refused while the first runs on, closing through the title bar with the
# exit question, the lock released for the next start, a killed copy's lock not blocking the next,
# start-up without or with a broken or deeply nested Setup.xml and skin, a runtime folder others can
# write to refused with its reason, and the installed tree with its desktop entry.
#
#   tarntool_process.sh BUILD_DIR SOURCE_DIR
# Runs under scripts/isolated.sh and xvfb-run (see tests/app/CMakeLists.txt).
set -u
build="$1"; source="$2"
bin="$build/bin"
work="$(mktemp -d)"
pids=()
cleanup() { for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT
failures=0; passes=0
pass() { echo "PASS: $1"; passes=$((passes + 1)); }
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }
check() { if eval "$2"; then pass "$1"; else fail "$1"; return 1; fi; }

export QT_QPA_PLATFORM=xcb TARN_IFACES=lo
# The window draws no GL; where Mesa is installed, its GLX driver keeps a buffer that leak
# checkers of sanitized builds report at exit, with no frame of ours on its stack.
export QT_XCB_GL_INTEGRATION=none
# Each run gets a runtime folder of its own, so lock files of other runs never meet these.
export TMPDIR="$work/tmp"; mkdir -p "$TMPDIR"
export XDG_RUNTIME_DIR="$work/run"; mkdir -m 0700 "$XDG_RUNTIME_DIR"
# What a copy outside the build tree writes for its user goes here, never to the real home.
export XDG_CONFIG_HOME="$work/config"

# wait_for SECONDS COMMAND...: true once COMMAND succeeds.
wait_for() {
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do [ $SECONDS -ge $deadline ] && return 1; sleep 0.2; done
}
window_of() { xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null | head -n 1; }
# press WINDOW KEY: focuses WINDOW and types KEY through XTEST.
press() { xdotool windowfocus --sync "$1" 2>/dev/null; xdotool key "$2"; }
shown() { grep -q '\[Tool\]Main window shown' "$1"; }
# start_tool DIR LOG [PROGRAM]: starts the program (TarnTool) in DIR, its pid in $tool.
start_tool() { (cd "$1" && exec "./${3:-TarnTool}") >"$2" 2>&1 & tool=$!; pids+=("$tool"); }

"$bin/tarn-device" --iface lo --count 6 --seed 5 --state "$work/devices.json" >"$work/devices.log" 2>&1 &
pids+=($!)

# First copy: the main window comes up.
start_tool "$bin" "$work/first.log"; first=$tool
check "the first copy shows its main window" "wait_for 20 shown '$work/first.log'"

# A second copy refuses with its hint box and exits with -1; the first runs on.
start_tool "$bin" "$work/second.log"; second=$tool
hint=""
wait_for 20 eval 'hint=$(window_of '"$second"' "^Hint$"); [ -n "$hint" ]'
check "the second copy shows the refusal box" "[ -n '$hint' ]"
check "the second copy never shows a main window" "! shown '$work/second.log'"
[ -n "$hint" ] && press "$hint" Escape
wait_for 10 eval '! kill -0 '"$second"' 2>/dev/null' || kill -9 "$second" 2>/dev/null
wait "$second"; code=$?
check "the second copy exits with -1 (255)" "[ $code -eq 255 ]" || tail -n 20 "$work/second.log"
check "the first copy runs on" "kill -0 $first"

# Closing through the title bar's shortcut asks first; Cancel keeps the window, Confirm ends the
# process. Keys go through XTEST to the focused window, as a person's would (no window manager here).
main=$(window_of "$first" "^TARN Tool$")
check "the main window is on the display" "[ -n '$main' ]"
ask_exit() {
    question=""
    press "$main" alt+F4
    wait_for 10 eval 'question=$(window_of '"$first"' "^Exit$"); [ -n "$question" ]'
}
ask_exit
check "closing asks 'Exit the TARN software?'" "[ -n '$question' ]"
[ -n "$question" ] && press "$question" Escape
# The question goes and the tool runs on: it answers the next close with the question again.
wait_for 10 eval '[ -z "$(window_of '"$first"' "^Exit$")" ]'
check "cancelling the question keeps the tool running" "kill -0 $first"
ask_exit
check "after a cancel, closing asks again" "[ -n '$question' ]"
[ -n "$question" ] && press "$question" Return
if wait_for 10 eval '! kill -0 '"$first"' 2>/dev/null'; then
    wait "$first"; code=$?
else
    kill -9 "$first" 2>/dev/null; wait "$first" 2>/dev/null; code=-1
fi
check "confirming ends the process with 0" "[ $code -eq 0 ]" || tail -n 20 "$work/first.log"

# The lock went with it: the next copy starts; killed outright, it leaves no lock behind.
start_tool "$bin" "$work/third.log"; third=$tool
check "after a clean exit the next copy starts" "wait_for 20 shown '$work/third.log'"
kill -9 "$third"; wait "$third" 2>/dev/null
start_tool "$bin" "$work/fourth.log"; fourth=$tool
check "a killed copy's lock file does not block the next start" "wait_for 20 shown '$work/fourth.log'"
kill "$fourth"; wait "$fourth" 2>/dev/null

# Without Setup.xml and skin the tool still starts, with defaults, and the log says what is missing.
bare="$work/bare"; mkdir -p "$bare"
cp "$bin/TarnTool" "$bin/libtarn.so" "$bare/"
start_tool "$bare" "$work/bare.log"; bare_tool=$tool
check "without Setup.xml and skin the tool starts" "wait_for 20 shown '$work/bare.log'"
check "the log names the missing Setup.xml" "grep -q 'Setup.xml missing or unreadable' '$work/bare.log'"
check "the log says the skin was not found" "grep -q 'LoadSkin = CommonSkin failed' '$work/bare.log'"
kill "$bare_tool"; wait "$bare_tool" 2>/dev/null

# A broken Setup.xml and a skin folder holding a file that is no plug-in: the same.
printf '<Setup><Skin><Value>CommonSkin' >"$bare/Setup.xml"
mkdir -p "$bare/plugins/skins"; printf 'not a library' >"$bare/plugins/skins/libbroken.so"
start_tool "$bare" "$work/broken.log"; broken_tool=$tool
check "with a broken Setup.xml and skin the tool starts" "wait_for 20 shown '$work/broken.log'"
check "the log says why Setup.xml was refused" "grep -q 'Setup.xml missing or unreadable' '$work/broken.log'"
check "the log says the skin was not found" "grep -q 'LoadSkin = CommonSkin failed' '$work/broken.log'"
kill "$broken_tool"; wait "$broken_tool" 2>/dev/null

# Settings nested 40,000 deep once crashed the tool at every start: now they are refused, logged.
deep=$(python3 -c 'print("<a>" * 40000 + "</a>" * 40000)')
printf '%s' "$deep" >"$bare/Setup.xml"; printf '%s' "$deep" >"$bare/ColumnConfig.xml"
start_tool "$bare" "$work/deep.log"; deep_tool=$tool
check "with deeply nested settings the tool starts" "wait_for 20 shown '$work/deep.log'"
check "the log says why Setup.xml was refused" "grep -q 'Setup.xml.*deeper than' '$work/deep.log'"
check "the log says why the column layout was refused" "grep -q 'ColumnConfig.xml not read (elements nest deeper' '$work/deep.log'"
kill "$deep_tool"; wait "$deep_tool" 2>/dev/null

# A runtime folder that others may write to: the tool says why it cannot start, and never that
# another copy runs.
chmod 0777 "$XDG_RUNTIME_DIR"
start_tool "$bin" "$work/open.log"; open_tool=$tool
hint=""
wait_for 20 eval 'hint=$(window_of '"$open_tool"' "^Hint$"); [ -n "$hint" ]'
check "an open runtime folder is refused with its reason" "grep -q 'lock cannot be taken: .*0700' '$work/open.log'"
check "it is not taken for a running copy" "[ -n '$hint' ] && ! grep -q 'already running' '$work/open.log' && ! shown '$work/open.log'"
[ -n "$hint" ] && press "$hint" Escape
wait_for 10 eval '! kill -0 '"$open_tool"' 2>/dev/null' || kill -9 "$open_tool" 2>/dev/null
chmod 0700 "$XDG_RUNTIME_DIR"

# The installed tree runs on its own, and its desktop entry is valid.
if cmake --install "$build" --prefix "$work/installed" >"$work/install.log" 2>&1; then
    entry="$work/installed/share/applications/org.tarntool.TarnTool.desktop"
    check "the desktop entry passes desktop-file-validate" "desktop-file-validate '$entry'"
    check "the AppStream metadata passes appstreamcli" \
        "appstreamcli validate --no-net '$work/installed/share/metainfo/org.tarntool.TarnTool.metainfo.xml' >/dev/null"
    check "the entry's icon is installed" "[ -f '$work/installed/share/icons/hicolor/128x128/apps/tarntool.png' ]"
    check "the manual pages are installed" "[ -f '$work/installed/share/man/man1/tarn.1.gz' ] && [ -f '$work/installed/share/man/man1/tarntool.1.gz' ]"
    exe=$(sed -n 's/^Exec=//p' "$entry")
    check "the entry starts the installed program" "[ '$exe' = '$work/installed/bin/tarntool' ] && [ -x '$exe' ]"
    start_tool "$work/installed/bin" "$work/installed.log" tarntool; installed_tool=$tool
    check "the installed tool starts" "wait_for 20 shown '$work/installed.log'"
    check "the installed tool finds its skin" "grep -q 'LoadSkin = CommonSkin Success' '$work/installed.log'"
    check "the installed tool does not load the build tree's library" \
        "! grep -q '$build/bin/libtarn.so' /proc/$installed_tool/maps"
    kill "$installed_tool"; wait "$installed_tool" 2>/dev/null
else
    fail "cmake --install"; cat "$work/install.log"
fi

echo "$passes passed, $failures failed"
[ $failures -eq 0 ]
