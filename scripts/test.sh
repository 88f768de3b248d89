#!/usr/bin/env bash
# Sets up this machine (Debian 12, as root), builds under AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite, MariaDB server included; then runs
# each libFuzzer target for a bounded time on its seed corpus, and the Windows builds and suites
# (scripts/windows-tests.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

if [ -n "$(ls tests/fuzz/*/CMakeLists.txt 2>/dev/null)" ]; then
    cmake --preset fuzz
    cmake --build --preset fuzz -j "$(nproc)"
    ctest --preset fuzz
fi

cmake --preset asan
cmake --build --preset asan -j "$(nproc)"
# Qt runs offscreen: the tests never need a display. The fixture tests start and stop the server.
export QT_QPA_PLATFORM=offscreen
ctest --preset asan "$@"

# The same suites of the database side, cross-built for Windows and run under wine64.
./scripts/windows-tests.sh

# The README's demo on the build just tested, as a smoke test; stopped whatever its outcome.
trap './scripts/demo.sh stop >/dev/null' EXIT
TARROW_DEMO_BUILD=build/asan ./scripts/demo.sh
