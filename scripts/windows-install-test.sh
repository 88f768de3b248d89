#!/usr/bin/env bash
# The Windows installers, built and tried. cpack makes one from each Windows build tree (both must
# be built: scripts/windows-tests.sh builds them and then runs this). This machine's wine64 runs no
# 32-bit program, so the 32-bit installer's contents are listed; the 64-bit one is installed
# silently into a fresh Wine prefix of its own, the installed tarrow-send.exe sends the sample store
# (on a scratch MariaDB server) to the Van stand-in (both on loopback), an update is installed over
# it, and the silent uninstall must leave the store's files behind.
#
# TARROW_INSTALL_TEST_X64 and TARROW_INSTALL_TEST_I686 name other build trees.
set -euo pipefail
cd "$(dirname "$0")/.."
X64=$(realpath "${TARROW_INSTALL_TEST_X64:-build/windows-x64}")
I686=$(realpath "${TARROW_INSTALL_TEST_I686:-build/windows-i686}")
PROGRAMS=(TARROW.exe TARROW_Manual.exe tarrow-send.exe)

passed=0
fail() { echo "windows-install-test: FAILED: $*" >&2; echo "windows-install-test: $passed passed, 1 failed"; exit 1; }
ok() { passed=$((passed + 1)); echo "windows-install-test: ok: $*"; }
cache() { sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"; }

VERSION=$(cache "$X64" CMAKE_PROJECT_VERSION)
DB_HOST=$(cache "$X64" TARROW_TEST_DB_HOST)
PEER_HOST=$(cache "$X64" TARROW_TEST_PEER_HOST)
for host in "$DB_HOST" "$PEER_HOST"; do
    case "$host" in 127.*) ;; *) fail "$host is not a loopback address" ;; esac
done

# ---- Both installers, and what each holds: the three programs of its own build and the uninstaller.
# Made outside the build trees: the import check of windows-tests.sh takes every .exe in the i686 one.
installer() {  # build tree, architecture name
    local out=$WORK/cpack-$2
    (cd "$1" && cpack -G NSIS -B "$out" >"$WORK/cpack-$2.log" 2>&1) || { cat "$WORK/cpack-$2.log" >&2; fail "cpack in $1"; }
    INSTALLER=$out/TARROW-$VERSION-$2.exe
    [ -f "$INSTALLER" ] || fail "no $INSTALLER"
}
check_contents() {  # installer, objdump, object format, 7-Zip's name of the stub kind
    local listing expected format
    listing=$(7zz l -ba "$1" | awk '{print $NF}' | grep -v '^\$PLUGINSDIR/' | sort)
    expected=$(printf '%s\n' "${PROGRAMS[@]}" Uninstall.exe | sort)
    [ "$listing" = "$expected" ] || fail "$(basename "$1") holds $(echo $listing), not $(echo $expected)"
    7zz l -slt "$1" | grep -qx "SubType = $4" || fail "$(basename "$1") is not an installer of kind $4"
    rm -rf "$WORK/contents" && 7zz x -y -o"$WORK/contents" "$1" "${PROGRAMS[@]}" >/dev/null
    for program in "${PROGRAMS[@]}"; do
        format=$("$2" -f "$WORK/contents/$program" | sed -n 's/.*file format //p')
        [ "$format" = "$3" ] || fail "$(basename "$1"): $program is $format, not $3"
    done
    ok "$(basename "$1") holds the three programs ($3) and the uninstaller"
}

WORK=$X64/install-test
PREFIX=$WORK/wineprefix
rm -rf "$WORK"
mkdir -p "$WORK"

installer "$I686" win32
check_contents "$INSTALLER" i686-w64-mingw32-objdump pei-i386 "NSIS-3 Unicode"
installer "$X64" win64
SETUP=$INSTALLER
check_contents "$SETUP" x86_64-w64-mingw32-objdump pei-x86-64 "NSIS-3 Unicode 64-bit"

# ---- A Windows of its own: nothing of an earlier run or of the suites' prefix is taken along.
PATH="$PATH:/usr/lib/wine"
# winemenubuilder would turn the Start-menu entries into desktop files in the home of whoever runs this.
export WINEPREFIX=$PREFIX WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d
export TARROW_TEST_DB_HOST=$DB_HOST TARROW_TEST_DB_PORT=3306 TARROW_TEST_DB_PASSWORD=tarrow-instalado
export TARROW_TEST_DB_DIR=$WORK/mariadb
van=
cleanup() {
    [ -n "$van" ] && kill "$van" 2>/dev/null
    wineserver -k 2>/dev/null || true
    [ -d "$TARROW_TEST_DB_DIR" ] && bash tests/fixtures/mariadb.sh stop >/dev/null 2>&1
    true
}
trap cleanup EXIT
# The boot leaves its services starting; the installer runs once they, and the server, are done.
wine64 wineboot -i >/dev/null 2>&1
wineserver -w

DIR_WIN='C:\Loja Centro\TARROW'  # a blank in it: every path the installer hands on must be quoted
DIR=$PREFIX/drive_c/Loja\ Centro/TARROW
MENU=$PREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TARROW'

# ---- Installed silently. Wine's icacls is a stand-in that changes nothing and only logs its command
# line: what the installer asks of it is all that can be checked here.
# NSIS takes /D= only unquoted, and Wine quotes an argument that holds a blank: given in two
# pieces, the folder reaches the installer as a store's administrator would type it.
WINEDEBUG=-all,fixme+icacls wine64 "$SETUP" /S '/D=C:\Loja' 'Centro\TARROW' 2>"$WORK/install.log" \
    || { status=$?; cat "$WORK/install.log" >&2; fail "the installer failed ($status)"; }
for program in "${PROGRAMS[@]}" Uninstall.exe; do
    [ -f "$DIR/$program" ] || fail "$program was not installed"
done
[ -f "$MENU/TARROW Manual.lnk" ] || fail "no Start-menu entry"
grep -aq 'TARROW_Manual.exe' "$MENU/TARROW Manual.lnk" || fail "the Start-menu entry does not start TARROW_Manual.exe"
[ ! -e "$MENU/StartUp/TARROW.lnk" ] || fail "a Startup entry nobody asked for"
wine64 reg query "$UNINSTALL_KEY" /v DisplayVersion | tr -d '\r' | grep -q "REG_SZ *$VERSION\$" \
    || fail "the uninstall entry does not carry version $VERSION"
ok "installed into $DIR_WIN: the programs, the Start-menu entry, no Startup entry, version $VERSION"

q() { printf '"%s"' "${1//\\/\\\\}"; }  # a path as Wine's log quotes it
users_rx='"/inheritance:r" "/grant:r" "*S-1-5-32-544:F" "*S-1-5-18:F" "*S-1-5-32-545:RX"'
expected=$(
    echo "$(q "$DIR_WIN") \"/setowner\" \"*S-1-5-32-544\" \"/T\""
    echo "$(q "$DIR_WIN") \"/inheritance:r\" \"/grant:r\" \"*S-1-5-32-544:(OI)(CI)F\" \"*S-1-5-18:(OI)(CI)F\" \"*S-1-5-32-545:(OI)(CI)RX\""
    for program in "${PROGRAMS[@]}" Uninstall.exe; do echo "$(q "$DIR_WIN\\$program") $users_rx"; done
    echo "$(q "$DIR_WIN") \"/grant:r\" \"*S-1-5-32-545:(RX,WD)\""
    echo "$(q "$DIR_WIN") \"/grant\" \"*S-1-5-32-545:(OI)(IO)M\""
)
actual=$(sed -n 's/^.*fixme:icacls:main stub: "[^"]*" //p' "$WORK/install.log" | tr -d '\r')
[ "$actual" = "$expected" ] || fail "icacls was asked for
$actual
instead of
$expected"
ok "icacls asked to give the folder to the administrators, cut its inheritance, leave the programs read and execute only for users and let them create and change the other files"

# ---- The installed sender against a store: the demo's sample day, sent to the demo's Van stand-in.
bash tests/fixtures/mariadb.sh start >/dev/null
sql() { mariadb --no-defaults -uroot -p"$TARROW_TEST_DB_PASSWORD" -h "$DB_HOST" -P 3306 --protocol=TCP \
            --default-character-set=utf8mb4 --batch --skip-column-names gerente "$@"; }
sql < tests/support/sql/store_schema.sql
sql < scripts/demo/loja_demo.sql
# Port 80 also answers the start-up's connectivity check; it needs root, as the test command has.
if [ "$(id -u)" -eq 0 ]; then VAN_PORT=80; else VAN_PORT=8080; fi
/usr/bin/python3 scripts/demo/van_demo.py "$PEER_HOST" "$VAN_PORT" "$WORK/van.jsonl" </dev/null >"$WORK/van.log" 2>&1 &
van=$!
for _ in $(seq 1 100); do (exec 3<>"/dev/tcp/$PEER_HOST/$VAN_PORT") 2>/dev/null && break; sleep 0.1; done

SENHA=$(wine64 "$DIR_WIN\\tarrow-send.exe" --cifra-senha "$TARROW_TEST_DB_PASSWORD" | tr -d '\r')
printf '[ip]\r\ndatabase=gerente\r\nlocal=%s\r\nsenha=%s\r\n[FilialMatriz]\r\nCodLogica=1\r\n' "$DB_HOST" "$SENHA" \
    >"$DIR/sistema_kesto.ini"
printf '[WebService]\r\nURL=http://%s:%s/van.asmx\r\n' "$PEER_HOST" "$VAN_PORT" >"$DIR/Tarrow.conf"
export TARROW_INTERNET_HOST=$PEER_HOST TARROW_SERVICE_URL=http://$PEER_HOST:$VAN_PORT/van.asmx
status=0
wine64 "$DIR_WIN\\tarrow-send.exe" >"$WORK/send.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || { cat "$WORK/send.log" >&2; fail "the installed tarrow-send.exe ended with $status"; }
lines=$(grep -c '"inserir_vendas_itens_V3"' "$WORK/van.jsonl" 2>/dev/null || true)
lines=${lines:-0}
marked=$(sql -e "SELECT COUNT(*) FROM movment WHERE lojas_leram2 = 'V' AND numlanc <> 90001")
[ "$lines" -gt 0 ] && [ "$lines" -eq "$marked" ] \
    || fail "the service received $lines lines, the store has $marked marked relayed"
ok "the installed tarrow-send.exe relayed the store's day ($lines lines) with the settings beside it"

# ---- An update over it, with the Startup entry chosen: the same folder, the store's files untouched.
printf 'venda 90099\r\n' >"$DIR/VendasPendentes20261209101500.txt"
mkdir -p "$WORK/store-files"
cp "$DIR/sistema_kesto.ini" "$DIR/Tarrow.conf" "$DIR"/VendasPendentes*.txt "$WORK/store-files/"
# First with tarrow-send.exe held open, as a running program holds its own file: NSIS would pass
# over it and still end well, so the installer must stop before it copies anything.
cat >"$WORK/hold-open.c" <<'EOF'
#include <windows.h>
/* Holds argv[1] open without write sharing until argv[2], which it creates, is gone (a minute at most). */
int main(int argc, char **argv) {
    HANDLE held = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (argc != 3 || held == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    for (int i = 0; i < 600 && GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES; i++) Sleep(100);
    CloseHandle(held);
    return 0;
}
EOF
x86_64-w64-mingw32-gcc -O2 -o "$WORK/hold-open.exe" "$WORK/hold-open.c"
touch -d '2020-01-02' "$DIR/tarrow-send.exe"  # older than any build: a replaced program is seen
old=$(stat -c %Y "$DIR/tarrow-send.exe")
wine64 "$WORK/hold-open.exe" "$DIR_WIN\\tarrow-send.exe" 'C:\held' &
holder=$!
for _ in $(seq 1 100); do [ -e "$PREFIX/drive_c/held" ] && break; sleep 0.1; done
status=0
wine64 "$SETUP" /S 2>/dev/null || status=$?
rm -f "$PREFIX/drive_c/held"
wait "$holder" || fail "could not hold tarrow-send.exe open"
[ "$status" -eq 2 ] || fail "an update over a program in use ended with $status, not 2"
wine64 "$SETUP" /S /INICIO 2>/dev/null || fail "the update failed ($?)"
[ "$(stat -c %Y "$DIR/tarrow-send.exe")" -ne "$old" ] || fail "the update did not replace tarrow-send.exe"
for program in "${PROGRAMS[@]}"; do [ -f "$DIR/$program" ] || fail "the update lost $program"; done
for file in "$WORK"/store-files/*; do
    cmp -s "$file" "$DIR/$(basename "$file")" || fail "the update changed $(basename "$file")"
done
grep -aq 'TARROW.exe' "$MENU/StartUp/TARROW.lnk" 2>/dev/null || fail "no Startup entry for TARROW.exe after /INICIO"
ok "an update stops while a program is in use; then it goes into the same folder, replaces the programs, keeps the store's files and adds the Startup entry when asked"

# ---- Uninstalled silently. _? keeps the uninstaller in place (else it copies itself away, starts the
# copy and returns at once); like /D=, it is read only unquoted.
wine64 "$DIR_WIN\\Uninstall.exe" /S '_?=C:\Loja' 'Centro\TARROW' 2>/dev/null || fail "the uninstaller failed ($?)"
for program in "${PROGRAMS[@]}"; do [ ! -e "$DIR/$program" ] || fail "the uninstaller left $program"; done
for file in "$WORK"/store-files/*; do
    cmp -s "$file" "$DIR/$(basename "$file")" || fail "the uninstaller removed or changed $(basename "$file")"
done
[ ! -e "$MENU/TARROW Manual.lnk" ] && [ ! -e "$MENU/StartUp/TARROW.lnk" ] || fail "the uninstaller left an entry"
! wine64 reg query "$UNINSTALL_KEY" >/dev/null 2>&1 || fail "the uninstaller left its registry entry"
ok "uninstalled: programs and entries gone, sistema_kesto.ini, Tarrow.conf and the list file kept"

cleanup
trap - EXIT
rm -rf "$WORK"  # the prefix alone is some 700 MB; a failed run leaves it for a look
echo "windows-install-test: $passed passed, 0 failed"
