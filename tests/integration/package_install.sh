#!/usr/bin/env bash
# The Debian package as an installer meets it: built from the tree and checked (lintian without
# errors, desktop-file-validate, appstreamcli), installed with dpkg, then used by an unprivileged
# user (nobody, through setpriv) with a fresh home: `tarn list` finds devices on a foreign subnet
# behind a strict reverse-path filter, and the same program without its capability says why it
# finds none; the window keeps a dragged column layout in the user's folder across restarts, falls
# back from a broken one, takes its language from the user's own Setup.xml, never writes into the
# installed folders, and says why when it cannot receive at the link layer; `man tarn` renders;
# dpkg removes it all again.
#
#   package_install.sh BUILD_DIR SOURCE_DIR
# Needs root, network namespaces and no tarntool package installed already; skips (77) otherwise.
set -u
build="$1"; source="$2"
bin="$build/bin"
if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: needs root (dpkg -i, network namespaces, setpriv)"; exit 77
fi
if dpkg-query -W -f='${Status}' tarntool 2>/dev/null | grep -q 'install ok installed'; then
    echo "SKIP: a tarntool package is installed on this machine already; the test would replace it"; exit 77
fi
tag="tpk$$"; pc="${tag}pc"; dev="${tag}dev"
if ! ip netns add "$pc" 2>/dev/null; then
    echo "SKIP: network namespaces cannot be made here (ip netns add failed)"; exit 77
fi

work="$(mktemp -d)"; chmod 0755 "$work"
installed=0; pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    [ $installed -eq 1 ] && dpkg --purge tarntool >/dev/null 2>&1
    ip netns del "$pc" 2>/dev/null; ip netns del "$dev" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0; passes=0
pass() { echo "PASS: $1"; passes=$((passes + 1)); }
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }
check() { if eval "$2"; then pass "$1"; else fail "$1"; return 1; fi; }
finish() { echo "$passes passed, $failures failed"; [ $failures -eq 0 ]; exit; }

# --- Build, check and install the package.
if deb=$(BUILD_DIR="$build/package" "$source/scripts/package.sh" 2>"$work/package.log" | tail -n 1) && [ -f "$deb" ]; then
    pass "the package builds; lintian finds no errors; desktop-file-validate and appstreamcli pass"
else
    fail "the package builds and passes its checks"; tail -n 40 "$work/package.log"; finish
fi
grep -E '^[EW]: ' "$work/package.log" | sed 's/^/lintian: /'
if dpkg -i "$deb" >"$work/dpkg.log" 2>&1; then
    installed=1; pass "dpkg -i installs it"
else
    fail "dpkg -i installs it"; cat "$work/dpkg.log"; finish
fi
check "both programs have cap_net_raw, as file capabilities" \
    "getcap /usr/lib/tarntool/TarnTool | grep -q 'cap_net_raw=ep' && getcap /usr/lib/tarntool/tarn | grep -q 'cap_net_raw=ep'"
check "nothing of it is setuid or setgid" "[ -z \"\$(dpkg -L tarntool | xargs -d '\n' stat -c '%A %n' | grep -E '^...[sS]|^......[sS]')\" ]"
# The administrator trusts the maker of the emulated devices.
cat "$TARN_TRUSTED_MAKERS" >>/etc/tarntool/trusted-makers.txt
sums() { find /usr/lib/tarntool /etc/tarntool -xdev | LC_ALL=C sort | while read -r f; do
    stat -c '%n %s %Y %a' "$f"; [ -f "$f" ] && [ ! -L "$f" ] && md5sum <"$f"; done; }
sums >"$work/installed.before"

# --- The user's side: the PC at 10.78.0.1/24 with a strict reverse-path filter, three devices
# beyond a veth pair on foreign subnets (one at its factory address 192.0.0.64).
ip netns add "$dev" || finish
ip link add "${tag}a" type veth peer name "${tag}b" || finish
ip link set "${tag}a" netns "$pc"; ip link set "${tag}b" netns "$dev"
ip -n "$pc" addr add 10.78.0.1/24 dev "${tag}a"
ip -n "$dev" addr add 192.0.0.64/24 dev "${tag}b"
for ns in "$pc" "$dev"; do ip -n "$ns" link set lo up; done
ip -n "$pc" link set "${tag}a" up; ip -n "$dev" link set "${tag}b" up
ip netns exec "$pc" sysctl -qw net.ipv4.conf.all.rp_filter=1 "net.ipv4.conf.${tag}a.rp_filter=1"
ip netns exec "$dev" "$bin/tarn-device" --iface "${tag}b" --count 3 --seed 11 --state "$work/devices.json" \
    >"$work/emulator.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q ready "$work/emulator.log" && break; sleep 0.1; done

home="$work/home"; mkdir -p "$home/run"; chmod 0700 "$home/run"; chown -R 65534:65534 "$home"
# The installed programs again, without their capability: what the build tree or a copy is.
mkdir "$work/nocap"; cp /usr/lib/tarntool/tarn /usr/lib/tarntool/TarnTool "$work/nocap/"
as_user() {
    ip netns exec "$pc" setpriv --reuid=65534 --regid=65534 --clear-groups \
        env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$home/run" "$@"
}
devices_in() { python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))))' "$1" 2>/dev/null; }

as_user tarn list --iface "${tag}a" --json >"$work/list.json" 2>"$work/list.err"; code=$?
check "as the user, the installed tarn lists the 3 devices on foreign subnets (exit 0)" \
    "[ $code -eq 0 ] && [ \"\$(devices_in '$work/list.json')\" = 3 ] && grep -q 192.0.0.64 '$work/list.json'" \
    || cat "$work/list.err"
check "it prints nothing about the link layer" "! grep -qi 'link layer' '$work/list.err'"
as_user "$work/nocap/tarn" list --iface "${tag}a" --json >"$work/nocap.json" 2>"$work/nocap.err"
check "without the capability it finds none, and one line on stderr says why and how to fix it" \
    "[ \"\$(devices_in '$work/nocap.json')\" = 0 ] && [ \"\$(grep -c 'link layer' '$work/nocap.err')\" = 1 ] \
     && grep -q 'may be missed.*Fix: sudo setcap cap_net_raw+ep $work/nocap/tarn' '$work/nocap.err'" \
    || cat "$work/nocap.err"
check "man tarn renders for the user" "as_user man -P cat tarn 2>/dev/null | grep -Eq 'tarn +- +find, activate'"
check "man tarntool renders for the user" "as_user man -P cat tarntool 2>/dev/null | grep -Eq 'tarntool +- +the TARN Tool window'"

# --- The window, as the user, on a display of its own: drag the "Device Type" header onto "Port".
own="$home/.config/tarntool/ColumnConfig.xml"
indexes() { grep -o '<IndexValue>[0-9]*' "$1" | sed 's/.*>//' | tr '\n' ' '; }
cat >"$work/window.sh" <<'EOF'
#!/usr/bin/env bash
# window.sh LOG PROGRAM [drag | drag-back]: starts the window, drags a header, closes it.
log="$1"; program="$2"; what="${3:-}"
export QT_QPA_PLATFORM=xcb TARN_IFACES="$IFACE"
"$program" >"$log" 2>&1 & tool=$!
for _ in $(seq 100); do grep -q 'Main window shown' "$log" && break; sleep 0.2; done
sleep 1
window=$(xdotool search --all --onlyvisible --pid $tool --name '^TARN' | head -n 1)
[ -n "$window" ] && echo "[window] $(xdotool getwindowname "$window")" >>"$log"
if [ -n "$window" ] && [ -n "$what" ]; then
    eval "$(xdotool getwindowgeometry --shell "$window")"
    # The header row at 1920 x 1080: "Device Type" (third) onto "Port" (sixth), and back from where
    # it then is, onto "Activate" (third again).
    y=$((Y + 114)); from=$((X + 150)); to=$((X + 540))
    [ "$what" = drag-back ] && { from=$((X + 480)); to=$((X + 130)); }
    xdotool mousemove $from $y; sleep 0.3; xdotool mousedown 1; sleep 0.3
    xdotool mousemove $((from + 40)) $y; sleep 0.3; xdotool mousemove $to $y; sleep 0.3
    xdotool mouseup 1; sleep 1
fi
kill $tool; wait $tool 2>/dev/null
EOF
chmod 0755 "$work/window.sh"
window() { as_user IFACE="${tag}a" xvfb-run -a -s "-screen 0 1920x1080x24" "$work/window.sh" "$@"; }

entry=$(sed -n 's/^Exec=//p' /usr/share/applications/*tarntool*.desktop)
window "$home/first.log" "$entry" drag
check "the window starts from the desktop entry's command ($entry)" "grep -q 'Main window shown' '$home/first.log'" \
    || cat "$home/first.log"
check "with its capability it shows no link-layer notice" "! grep -q 'Link-layer receive is not permitted' '$home/first.log'"
check "the dragged layout is written to the user's folder" \
    "[ -f '$own' ] && [ \"\$(indexes '$own')\" != \"\$(indexes /usr/lib/tarntool/ColumnConfig.xml)\" ]"
dragged=$(indexes "$own" 2>/dev/null)
window "$home/second.log" tarntool
check "after a restart the user's layout is read and left as it was" \
    "! grep -q 'Column layout.*not read' '$home/second.log' && [ \"\$(indexes '$own')\" = '$dragged' ]"
window "$home/third.log" tarntool drag-back
check "a drag back after the restart starts from the user's layout: the default order again" \
    "[ \"\$(indexes '$own')\" = \"\$(indexes /usr/lib/tarntool/ColumnConfig.xml)\" ]"
printf '<ColumnConfig><Check>' >"$own"
window "$home/broken.log" tarntool drag
check "a broken layout of the user's falls back to the default, with a log line" \
    "grep -q \"Column layout $own not read.*the default layout /usr/lib/tarntool/ColumnConfig.xml is used\" '$home/broken.log'"
check "the next drag keeps the broken file aside and writes a new one" \
    "ls '$home/.config/tarntool/' | grep -q '^ColumnConfig.xml.unreadable-' && [ \"\$(indexes '$own')\" = '$dragged' ]"
printf '<Setup><Translator><Value>1</Value></Translator></Setup>\n' >"$home/.config/tarntool/Setup.xml"
window "$home/chinese.log" tarntool
check "the user's own Setup.xml chooses the language: the window comes up in Chinese" \
    "grep -qx '\[window\] TARN工具' '$home/chinese.log'" || grep window "$home/chinese.log"
window "$home/nocap.log" "$work/nocap/TarnTool"
check "without the capability the window shows its notice" \
    "grep -q 'Link-layer receive is not permitted.*devices in other subnets may be missed. Fix: sudo setcap' '$home/nocap.log'"
sums >"$work/installed.after"
check "nothing was written into the installed folders" "cmp -s '$work/installed.before' '$work/installed.after'" \
    || diff "$work/installed.before" "$work/installed.after" | head

# --- Removal.
dpkg -r tarntool >"$work/remove.log" 2>&1
check "dpkg -r removes the programs and their folder" \
    "[ ! -e /usr/bin/tarn ] && [ ! -e /usr/bin/tarntool ] && [ ! -e /usr/lib/tarntool ] && [ ! -e /usr/share/man/man1/tarn.1.gz ]"
dpkg --purge tarntool >>"$work/remove.log" 2>&1 && installed=0
check "dpkg --purge removes the trusted makers list too" "[ ! -e /etc/tarntool ]"
finish
