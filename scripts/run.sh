#!/usr/bin/env bash
# Installs what the project needs, builds it, and runs the service in the console with its
# configuration folder inside a folder of the user's (no root needed). Ctrl-C stops it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_TESTS=OFF
cmake --build build

export TESSALY_ROOT="${TESSALY_ROOT:-$HOME/tessaly-demo}"
mkdir -p "$TESSALY_ROOT"
echo "Configuration folder: $TESSALY_ROOT/var/lib/Tessaly/ (the log is LOG.txt there)"
echo "Press Ctrl-C to stop the service."
exec ./build/daemon/daemon -s "$@"
