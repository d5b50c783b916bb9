#!/usr/bin/env bash
# Sets up and builds, then runs the tool against emulated devices on the loopback interface.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$top/scripts/build.sh"
bin="${BUILD_DIR:-$top/build}/bin"
export TARN_IFACES=lo
if [ ! -x "$bin/TarnTool" ]; then
    echo "demo: built the libraries into $bin; the program itself does not exist yet, so there is nothing to run."
    exit 0
fi
exec "$bin/TarnTool"
