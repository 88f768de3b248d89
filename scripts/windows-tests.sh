#!/usr/bin/env bash
# The Windows side of the test command: builds both Windows presets, checks that the 32-bit
# programs (what the stores run) import only known DLLs at load time, carry their manifests and
# compute without the x87, and runs the 64-bit suites under wine64 in a Wine prefix inside the
# build tree. This machine's wine64 runs no 32-bit program, so the
# 32-bit build is compiled (warnings are errors) and inspected, never run.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS

cmake --preset windows-i686
cmake --build --preset windows-i686 -j "$(nproc)"

# At load time the programs import only the system's known DLLs (known on every Windows from 7 to
# 11), which the loader takes from the system folder whatever lies beside the program, and comctl32,
# which the windows' manifest binds to the system's side-by-side copy. The C++ runtime, winpthread
# and zlib are linked in. MSXML is reached through COM (ole32, oleaut32); shlwapi gives the memory
# stream it loads from; the windows draw with gdi32, shell32 holds the notification area's icon.
# The system's other DLLs they use (version, wininet, crypt32), which the loader would look for in
# the program's folder first, where the store's users may create files, are delay-loaded from the
# system folder only (cmake/TarrowSystemLibraries.cmake).
known_dlls='^(kernel32|user32|gdi32|advapi32|ole32|oleaut32|shell32|shlwapi|msvcrt|ws2_32|comctl32)\.dll$'
programs=()
while IFS= read -r -d '' program; do programs+=("$program"); done \
    < <(find build/windows-i686 -name '*.exe' -not -path '*/CMakeFiles/*' -print0)
if [ "${#programs[@]}" -eq 0 ]; then
    echo "windows-tests: no 32-bit program to check" >&2
    exit 1
fi
for program in "${programs[@]}"; do
    while read -r dll; do
        if ! [[ "${dll,,}" =~ $known_dlls ]]; then
            echo "windows-tests: $program imports $dll at load time, which is not one of the system's" \
                 "known DLLs: Windows would look for it in the program's folder first" \
                 "(delay-load it from the system folder: cmake/TarrowSystemLibraries.cmake)" >&2
            exit 1
        fi
    done < <(i686-w64-mingw32-objdump -p "$program" | sed -n 's/^\s*DLL Name: //p')
done
echo "windows-tests: ${#programs[@]} 32-bit programs import only known DLLs at load time"

# Every program carries its manifest (ui/win32/Tarrow.manifest for the windows and their tests,
# apps/tarrow-send/tarrow-send.manifest for the others): run as invoked (no installer detection, no
# file virtualisation of the folder's files), the supported systems from Vista to 11, and for the
# windows the common controls of version 6. Read back from the program files' resources.
for program in "${programs[@]}"; do
    i686-w64-mingw32-windres -i "$program" -O rc | python3 -c '
import re, sys
import xml.etree.ElementTree as ET
program, windows = sys.argv[1], sys.argv[2] == "1"
rc = sys.stdin.read()
block = re.search(r"^1 24 /\* RT_MANIFEST \*/\nBEGIN\n(.*?)^END$", rc, re.S | re.M)
if not block:
    sys.exit(f"windows-tests: {program} carries no manifest")
text = "".join(re.findall(r"^\s*\"(.*)\"$", block.group(1), re.M)).replace("\"\"", "\"").replace("\\n", "\n")
try:
    root = ET.fromstring(text.encode())
except ET.ParseError as error:
    sys.exit(f"windows-tests: the manifest of {program} is no XML document: {error}")
v1, v3, compat = "urn:schemas-microsoft-com:asm.v1", "urn:schemas-microsoft-com:asm.v3", "urn:schemas-microsoft-com:compatibility.v1"
level = root.find(f"{{{v3}}}trustInfo/{{{v3}}}security/{{{v3}}}requestedPrivileges/{{{v3}}}requestedExecutionLevel")
if level is None or level.get("level") != "asInvoker" or level.get("uiAccess") != "false":
    sys.exit(f"windows-tests: the manifest of {program} does not ask to run as invoked")
systems = {e.get("Id") for e in root.iterfind(f"{{{compat}}}compatibility/{{{compat}}}application/{{{compat}}}supportedOS")}
wanted = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
          "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
          "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
if systems != wanted:
    sys.exit(f"windows-tests: the manifest of {program} names the systems {sorted(systems)}")
controls = [e for e in root.iterfind(f"{{{v1}}}dependency/{{{v1}}}dependentAssembly/{{{v1}}}assemblyIdentity")
            if e.get("name") == "Microsoft.Windows.Common-Controls" and e.get("version") == "6.0.0.0"]
if windows != bool(controls):
    sys.exit(f"windows-tests: the manifest of {program} " + ("lacks" if windows else "has") + " the common controls")
' "$program" "$([[ "$(i686-w64-mingw32-objdump -p "$program")" =~ COMCTL32 ]] && echo 1 || echo 0)"
done
echo "windows-tests: ${#programs[@]} 32-bit programs carry their manifest"

# The 32-bit build computes in SSE2 as the x86-64 one does (-msse2 -mfpmath=sse in
# cmake/toolchains/mingw-i686.cmake): checked on every function of the layers that convert and
# compute the values sent (dataaccess: the field conversions and value parsers; relay: amounts,
# quantities, the currency), where no x87 instruction may compute or compare. What is left of the
# x87 there only moves values, exactly: the 32-bit calling convention hands a double back in st(0)
# (fld before the return, fstp after the call), and SSE2 on 32 bits converts no 64-bit integer
# (fild, fistp with the truncating control word), which rounds once, as cvtsi2sd and cvttsd2si do
# on x86-64. FormataCNPJ is checked too: it writes a store's number from its digits, without any
# floating point. The C runtime's and libstdc++'s own code (strtod, from_chars, printf) is not ours
# and is not checked.
objects=(build/windows-i686/dataaccess/CMakeFiles/tarrow_dataaccess.dir/*.obj
         build/windows-i686/relay/CMakeFiles/tarrow_relay.dir/*.obj)
x87=$(for object in "${objects[@]}"; do
    i686-w64-mingw32-objdump -d -C -M intel --no-show-raw-insn "$object" | awk -v object="${object##*/}" '
        /^[0-9a-f]+ <.*>:$/ { name = substr($0, index($0, "<") + 1); sub(/>:$/, "", name); next }
        { split($0, field, "\t"); split(field[2], word, " ") }
        word[1] ~ /^f/ && word[1] !~ /^(fld|fst|fstp|fild|fist|fistp|fisttp|fldz|fld1|fxch|fnstcw|fldcw|fwait)$/ {
            print object ": " word[1] " in " name
        }'
done)
if [ -n "$x87" ]; then
    echo "windows-tests: x87 arithmetic in the 32-bit build, which may round otherwise than x86-64's SSE2:" >&2
    echo "$x87" >&2
    exit 1
fi
echo "windows-tests: ${#objects[@]} 32-bit objects of dataaccess and relay compute without the x87"

# The 32-bit C runtime's clock functions hold a 32-bit time_t and fail from 2038-01-19 on: the
# programs read the clock and the local time from the system instead (platform/windows/LocalTime.cpp).
# The test programs are not checked: the test library stamps its reports through localtime.
clock_functions='^(time|_time32|localtime|_localtime32|mktime|_mktime32|gmtime|_gmtime32|_ftime|_ftime32|ctime|_ctime32)$'
while IFS= read -r -d '' program; do
    while read -r function; do
        if [[ "$function" =~ $clock_functions ]]; then
            echo "windows-tests: $program calls the C runtime's 32-bit $function" >&2
            exit 1
        fi
    done < <(i686-w64-mingw32-objdump -p "$program" | awk '/DLL Name:/ { crt = tolower($3) ~ /^msvcr/; next }
                                                         crt && NF == 3 && $2 ~ /^[0-9]+$/ { print $3 }')
done < <(find build/windows-i686/apps -maxdepth 1 -name '*.exe' -print0)
echo "windows-tests: no 32-bit program reads the clock through the C runtime"

cmake --preset windows-x64
cmake --build --preset windows-x64 -j "$(nproc)"

# Debian's wine64 package keeps its loader and server in /usr/lib/wine when the 32-bit wine package
# (which adds the commands to PATH) is absent.
PATH="$PATH:/usr/lib/wine"
export WINEPREFIX="$PWD/build/windows-x64/wineprefix" WINEDEBUG=-all
# The window tests need a display: the one given in TARROW_TEST_DISPLAY, or an Xvfb of their own on
# a display number the server picks free (-displayfd), stopped at the end like the Wine server.
xvfb_pid=
stop_all() {
    wineserver -k 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap stop_all EXIT
if [ -n "${TARROW_TEST_DISPLAY:-}" ]; then
    export DISPLAY="$TARROW_TEST_DISPLAY"
else
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
    n=$(tr -dc 0-9 <"$display_file")
    rm -f "$display_file"
    if [ -z "$n" ]; then
        echo "windows-tests: Xvfb did not start" >&2
        exit 1
    fi
    export DISPLAY=":$n"
    echo "windows-tests: the window tests on Xvfb display $DISPLAY"
fi
# One Wine session for the whole run: a server that stays, and the prefix's own processes
# (services, the desktop, RPC) started here by wineboot, which also builds the prefix the first
# time. Otherwise the server ends whenever no test runs for a moment, and the next test starts a
# new session: seconds of start-up, daemons that inherit that test's output (ctest then counts the
# test until they end), and a test starting while the old server goes fails with "wine client
# error". It starts after the display is chosen, so the session's desktop opens on it; stop_all
# ends it. The server needs the prefix's folder, which wineboot fills the first time.
mkdir -p "$WINEPREFIX"
wineserver -p
wine64 wineboot -i
# A case that fails is run once more: Wine now and then drops a starting program ("wine client
# error") or answers one call of a fresh session differently, and a fault of ours fails twice.
ctest --preset windows-x64 --repeat until-pass:2 "$@"
# The installers: both built, the 64-bit one installed, used, updated and removed in a Wine of its own.
./scripts/windows-install-test.sh
echo "windows-tests: the Windows part took $((SECONDS - started)) s"
