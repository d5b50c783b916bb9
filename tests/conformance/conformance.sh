#!/usr/bin/env bash
# A device written from docs/protocol.md alone, in Python with PyNaCl, against the library: its own
# test vectors first, then it is found, activated and changed. Runs in a network namespace of its
# own (through scripts/isolated.sh). Skips (77) where PyNaCl is missing.
set -u
python="$1"; pydevice="$2"; probe="$3"; maker="$4"; document="$5"
if ! "$python" -c "import nacl.bindings, nacl.pwhash" 2>/dev/null; then
    echo "SKIP: $python has no PyNaCl (Debian: python3-nacl)"
    exit 77
fi
"$python" "$pydevice" --vectors "$document" || exit 1
log="$(mktemp)"
trap 'kill $device 2>/dev/null; wait $device 2>/dev/null; rm -f "$log"' EXIT
"$python" "$pydevice" --maker-program "$maker" --secrets "$TARN_MAKER_SECRETS" > "$log" 2>&1 &
device=$!
for _ in $(seq 50); do grep -q ready "$log" && break; sleep 0.1; done
status=0
"$probe" --expect 1 --timeout-ms 5000 --activate Conform-Pw-1 --modify-ip 10.70.0.9 --password Conform-Pw-1 || status=1
[ $status -eq 0 ] || cat "$log"
exit $status
