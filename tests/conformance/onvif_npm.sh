#!/usr/bin/env bash
# onvif_npm.sh NODE_DIR TARN_DEVICE ONVIF_LIST: the npm `onvif` client against the emulator, in
# this test's own network namespace; then the library must see the address the client set.
# Exits 77 (skipped) when the package is not installed (the registry could not be reached) or
# there is no namespace of our own, so multicast cannot be routed on lo.
set -u -o pipefail
node_dir=$1 device=$2 list=$3
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
if [ ! -f "$node_dir/node_modules/onvif/package.json" ]; then
    echo "onvif_npm: SKIP: the npm package onvif is not installed in $node_dir (no registry?)"; exit 77
fi
if [ "${TARN_ISOLATED:-}" != 1 ]; then
    echo "onvif_npm: SKIP: needs a network namespace of its own"; exit 77
fi
ip link set lo multicast on && ip route replace 224.0.0.0/4 dev lo || exit 1
work=$(mktemp -d); trap 'kill $emulator 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
"$device" --count 0 --onvif 6 --iface lo --state "$work/state.json" --password Admin12345 > "$work/out" &
emulator=$!
for _ in $(seq 50); do grep -q ready "$work/out" && break; sleep 0.1; done
NODE_PATH="$node_dir/node_modules" node "$here/onvif_npm.js" "$work/state.json" Admin12345 | tee "$work/npm" || exit 1
endpoint=$(sed -n 's/^moved \([^ ]*\) .*/\1/p' "$work/npm")
ONVIF_USER=admin ONVIF_PASSWORD=Admin12345 "$list" 3 > "$work/list" || exit 1
cat "$work/list"
if ! grep -q "^$endpoint 127.0.0.61 http://127.0.0.61:[0-9]*/onvif/device_service 127.0.0.61$" "$work/list"; then
    echo "onvif_npm: the library does not show $endpoint at 127.0.0.61"; exit 1
fi
echo "onvif_npm: the library shows $endpoint at 127.0.0.61"
