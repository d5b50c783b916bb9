#!/usr/bin/env bash
# isolated.sh COMMAND...: runs COMMAND in a network namespace of its own whose only interface is
# its own loopback, so emulated devices of parallel runs (another test, a demo) never mix and
# nothing can reach a real interface. Root uses a plain network namespace; others a user namespace
# where the kernel allows it. Where neither works, COMMAND runs as it is, on the shared loopback.
set -u
if [ "${TARN_ISOLATED:-}" = 1 ]; then
    ip link set lo up 2>/dev/null
    # WS-Discovery goes to a multicast group, which a new namespace has no route for.
    ip link set lo multicast on 2>/dev/null
    ip route add 224.0.0.0/4 dev lo 2>/dev/null
    exec "$@"
fi
export TARN_ISOLATED=1
for flags in -n -rn; do
    if unshare $flags true 2>/dev/null; then
        exec unshare $flags "$0" "$@"
    fi
done
echo "isolated.sh: no network namespace available; running on the shared loopback" >&2
exec "$@"
