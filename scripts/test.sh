#!/usr/bin/env bash
# Sets up this machine (Debian 12, as root), builds under AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite, MariaDB server included.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake --preset asan
cmake --build --preset asan -j "$(nproc)"
# Tests run with offscreen Qt and never a display; the fixture tests start and stop the server.
export QT_QPA_PLATFORM=offscreen
ctest --preset asan "$@"
