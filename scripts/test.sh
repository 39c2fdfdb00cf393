#!/usr/bin/env bash
# Installs what the project needs, builds it with AddressSanitizer and UBSan, and runs every
# test with CTest. The tests start the real peers they need (Samba, SMTP, D-Bus) themselves,
# on 127.0.0.1 and private ports, or inside network namespaces of their own.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSALY_SANITIZE=ON
cmake --build build-test
cd build-test
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --output-on-failure -j "$(nproc)" "$@"
