#!/usr/bin/env bash
# The tool side and the devices in two network namespaces joined by a veth pair: the PC at
# 10.77.0.1/24 with a strict reverse-path filter, the devices at 192.0.0.64/24. Discovery and a
# change of address must work across the subnets. Skips (77) where namespaces cannot be made.
set -u
probe="$1"; device="$2"
tag="tarn$$"
pc="${tag}pc"; dev="${tag}dev"
if [ "$(id -u)" -ne 0 ] || ! ip netns add "$pc" 2>/dev/null; then
    echo "SKIP: needs root and network namespaces (ip netns add failed)"
    exit 77
fi
cleanup() {
    [ -n "${emulator:-}" ] && kill "$emulator" 2>/dev/null && wait "$emulator" 2>/dev/null
    ip netns del "$pc" 2>/dev/null
    ip netns del "$dev" 2>/dev/null
    rm -rf "$state"
}
state="$(mktemp -d)"
trap cleanup EXIT
ip netns add "$dev" || exit 1
ip link add "${tag}a" type veth peer name "${tag}b" || exit 1
ip link set "${tag}a" netns "$pc"
ip link set "${tag}b" netns "$dev"
ip -n "$pc" addr add 10.77.0.1/24 dev "${tag}a"
ip -n "$dev" addr add 192.0.0.64/24 dev "${tag}b"
for ns in "$pc" "$dev"; do ip -n "$ns" link set lo up; done
ip -n "$pc" link set "${tag}a" up
ip -n "$dev" link set "${tag}b" up
ip netns exec "$pc" sysctl -qw net.ipv4.conf.all.rp_filter=1 "net.ipv4.conf.${tag}a.rp_filter=1"

ip netns exec "$dev" "$device" --iface "${tag}b" --count 5 --seed 11 --announce-s 2 \
    --state "$state/devices.json" > "$state/emulator.log" 2>&1 &
emulator=$!
# The devices are on the wire once the emulator says they are ready.
for _ in $(seq 100); do grep -q ready "$state/emulator.log" && break; sleep 0.1; done

status=0
echo "-- UDP only: the reverse-path filter drops answers from the foreign subnet"
if TARN_IFACES="${tag}a" ip netns exec "$pc" "$probe" --expect 1 --mode 0 --timeout-ms 2500; then
    echo "NOTE: answers arrived over UDP; the filter did not drop them here"
fi
echo "-- link layer: every device is found and one is changed"
TARN_IFACES="${tag}a" ip netns exec "$pc" "$probe" --expect 5 --mode 1 --timeout-ms 5000 \
    --modify-ip 192.0.0.99 --password Admin12345 || status=1
[ $status -eq 0 ] || cat "$state/emulator.log"
exit $status
