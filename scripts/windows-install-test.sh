#!/usr/bin/env bash
# The Windows installers, built and tried. cpack makes one from each Windows build tree (both must
# be built: scripts/windows-tests.sh builds them and then runs this). This machine's wine64 runs no
# 32-bit program, so the 32-bit installer's contents are listed; the 64-bit one is installed
# silently into a fresh Wine prefix of its own, the installed tarrow-send.exe sends the sample store
# (on a scratch MariaDB server) to the Van stand-in (both on loopback), updates are installed over
# it (one aborted in mid-copy, one with the scheduled sender), and the silent uninstall must stop
# while a program is in use or cannot be deleted and otherwise leave the store's files behind.
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
    # The empty files the script itself makes (the programs' places, the log) are listed with size 0.
    listing=$(7zz l -ba "$1" | awk '$(NF-1) != "0" {print $NF}' | grep -v '^\$PLUGINSDIR/' | sort)
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

# ---- A drive's root and the system folders are refused before anything is changed.
for folder in 'C:\' 'C:\windows\TARROW' 'C:\Program Files'; do
    status=0
    # shellcheck disable=SC2086  # split at the blank, as /D= must be under Wine (see below)
    wine64 "$SETUP" /S /D=$folder 2>/dev/null || status=$?
    [ "$status" -eq 2 ] || fail "an installation into $folder ended with $status, not 2"
done
! wine64 reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TARROW' >/dev/null 2>&1 \
    || fail "a refused folder left an uninstall entry"
ok "a drive's root, a folder in the Windows folder and the Program Files folder refused (status 2)"

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
icacls_asked() { sed -n 's/^.*fixme:icacls:main stub: "[^"]*" //p' "$1" | tr -d '\r'; }
# The rights as one pass sets them: each program's and the uninstaller's, then the folder's (ours:
# cut from the drive and passed on; another program's: entries for the folder itself only).
rights() {  # folder (Windows), "own" or "foreign", "task" when the scheduled sender is chosen
    local program ours=("${PROGRAMS[@]}" Uninstall.exe)
    [ "${3:-}" != task ] || ours+=(tarrow-send-tarefa.xml)  # the task's definition, kept beside them
    for program in "${ours[@]}"; do
        echo "$(q "$1\\$program") \"/setowner\" \"*S-1-5-32-544\""
        echo "$(q "$1\\$program") \"/reset\""
        echo "$(q "$1\\$program") \"/inheritance:r\" \"/grant:r\" \"*S-1-5-32-544:F\" \"*S-1-5-18:F\" \"*S-1-5-32-545:RX\""
    done
    echo "$(q "$1") \"/setowner\" \"*S-1-5-32-544\""
    if [ "$2" = own ]; then
        echo "$(q "$1") \"/inheritance:r\" \"/grant:r\" \"*S-1-5-32-544:(OI)(CI)F\" \"*S-1-5-18:(OI)(CI)F\" \"*S-1-5-32-545:(RX,WD)\""
        echo "$(q "$1") \"/grant\" \"*S-1-5-32-545:(OI)(IO)M\""
        [ "${3:-}" != task ] || echo "$(q "$1") \"/grant\" \"*S-1-5-19:(RX,WD)\" \"*S-1-5-19:(OI)(IO)M\""
    else
        echo "$(q "$1") \"/grant\" \"*S-1-5-32-545:(RX,WD)\""
        if [ "${3:-}" = task ]; then
            echo "$(q "$1") \"/grant\" \"*S-1-5-19:(RX,WD)\""
            echo "$(q "$1\\tarrow-send.log") \"/grant\" \"*S-1-5-19:M\""
        fi
    fi
}
# Once before the copy (on empty files in the programs' places), once after it.
expected=$(rights "$DIR_WIN" own; rights "$DIR_WIN" own)
actual=$(icacls_asked "$WORK/install.log")
[ "$actual" = "$expected" ] || fail "icacls was asked for
$actual
instead of
$expected"
ok "icacls asked, before the copy and after it, to leave the programs read and execute only for users, give the new folder to the administrators, cut its inheritance and let users create and change the other files"

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
/* Holds argv[1] open until argv[2], which it creates, is gone (a minute at most): sharing only
   reading, as a running program holds its own file, or with a third argument also writing (it
   can then be opened to write, but not deleted). */
int main(int argc, char **argv) {
    DWORD share = argc > 3 ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    HANDLE held = CreateFileA(argv[1], GENERIC_READ, share, NULL, OPEN_EXISTING, 0, NULL);
    if (argc < 3 || held == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    for (int i = 0; i < 600 && GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES; i++) Sleep(100);
    CloseHandle(held);
    return 0;
}
EOF
x86_64-w64-mingw32-gcc -O2 -o "$WORK/hold-open.exe" "$WORK/hold-open.c"
holding() {  # Windows path, [escrita], then a command run while it is held; sets $status
    local file=$1 mode=() holder
    shift
    if [ "${1:-}" = escrita ]; then mode=(escrita); shift; fi
    wine64 "$WORK/hold-open.exe" "$file" 'C:\held' "${mode[@]}" &
    holder=$!
    for _ in $(seq 1 100); do [ -e "$PREFIX/drive_c/held" ] && break; sleep 0.1; done
    status=0
    "$@" 2>/dev/null || status=$?
    rm -f "$PREFIX/drive_c/held"
    wait "$holder" || fail "could not hold $file open"
}
touch -d '2020-01-02' "$DIR/tarrow-send.exe"  # older than any build: a replaced program is seen
old=$(stat -c %Y "$DIR/tarrow-send.exe")
holding "$DIR_WIN\\tarrow-send.exe" wine64 "$SETUP" /S
[ "$status" -eq 2 ] || fail "an update over a program in use ended with $status, not 2"
[ "$(stat -c %Y "$DIR/tarrow-send.exe")" -eq "$old" ] || fail "an update over a program in use replaced tarrow-send.exe"

# An aborted copy: the uninstaller, held open, cannot be written after the programs were. The
# final rights must be set all the same (users must still be able to write their lists).
aborted() { WINEDEBUG=-all,fixme+icacls wine64 "$SETUP" /S 2>"$WORK/aborted.log"; }
holding "$DIR_WIN\\Uninstall.exe" aborted
[ "$status" -eq 2 ] || fail "an update whose copy failed ended with $status, not 2"
[ "$(icacls_asked "$WORK/aborted.log" | tail -n "$(rights "$DIR_WIN" own | wc -l)")" = "$(rights "$DIR_WIN" own)" ] \
    || fail "after the aborted copy icacls was asked for
$(icacls_asked "$WORK/aborted.log")"
ok "an update stops while a program is in use; one whose copy fails ends with 2 and the final rights set"

wine64 "$SETUP" /S /INICIO 2>/dev/null || fail "the update failed ($?)"
[ "$(stat -c %Y "$DIR/tarrow-send.exe")" -ne "$old" ] || fail "the update did not replace tarrow-send.exe"
for program in "${PROGRAMS[@]}"; do [ -f "$DIR/$program" ] || fail "the update lost $program"; done
for file in "$WORK"/store-files/*; do
    cmp -s "$file" "$DIR/$(basename "$file")" || fail "the update changed $(basename "$file")"
done
grep -aq 'TARROW.exe' "$MENU/StartUp/TARROW.lnk" 2>/dev/null || fail "no Startup entry for TARROW.exe after /INICIO"
ok "then it goes into the same folder, replaces the programs, keeps the store's files and adds the Startup entry when asked"

# ---- The scheduled sender instead: the Startup entry goes, the task the installer describes is
# registered, and a later update keeps it. Wine's schtasks takes only /Create /XML and /Delete, and
# Wine runs no task: the XML is read here for what Task Scheduler would do with it.
status=0
wine64 "$SETUP" /S /INICIO /AGENDAR 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "/INICIO with /AGENDAR ended with $status, not 2"
TASK=$PREFIX/drive_c/windows/system32/tasks/TARROW\ tarrow-send
WINEDEBUG=-all,fixme+icacls wine64 "$SETUP" /S /AGENDAR 2>"$WORK/task.log" || fail "the installation with /AGENDAR failed ($?)"
[ ! -e "$MENU/StartUp/TARROW.lnk" ] || fail "/AGENDAR left the Startup entry"
[ -f "$TASK" ] || fail "no task registered"
[ "$(icacls_asked "$WORK/task.log" | tail -n "$(rights "$DIR_WIN" own task | wc -l)")" = "$(rights "$DIR_WIN" own task)" ] \
    || fail "with the task icacls was asked for
$(icacls_asked "$WORK/task.log")"
check_task() {  # task XML file, "settings" to check only those
    /usr/bin/python3 - "$1" "$DIR_WIN" "${2:-}" <<'EOF'
import sys
import xml.etree.ElementTree as ET

n = {"t": "http://schemas.microsoft.com/windows/2004/02/mit/task"}
task = ET.parse(sys.argv[1]).getroot()
folder = sys.argv[2]
def text(path):
    found = task.find(path, n)
    return None if found is None else found.text
expected = {
    "t:Triggers/t:TimeTrigger/t:Repetition/t:Interval": "PT5M",
    "t:Triggers/t:TimeTrigger/t:Enabled": "true",
    "t:Principals/t:Principal/t:UserId": "S-1-5-19",
    "t:Principals/t:Principal/t:RunLevel": "LeastPrivilege",
    "t:Settings/t:DisallowStartIfOnBatteries": "false",
    "t:Settings/t:StopIfGoingOnBatteries": "false",
    "t:Settings/t:MultipleInstancesPolicy": "IgnoreNew",
    "t:Settings/t:ExecutionTimeLimit": "PT1H",
    "t:Settings/t:Enabled": "true",
    "t:Actions/t:Exec/t:Command": '"%s\\tarrow-send.exe"' % folder,
    "t:Actions/t:Exec/t:Arguments": '--log "%s\\tarrow-send.log"' % folder,
}
if sys.argv[3] == "settings":
    expected = {p: v for p, v in expected.items() if p.startswith("t:Settings/")}
wrong = ["%s is %r, not %r" % (p, text(p), v) for p, v in expected.items() if text(p) != v]
# Whether anyone is logged on or not: a service account, no interactive logon asked for.
if task.find("t:Principals/t:Principal/t:LogonType", n) is not None and sys.argv[3] != "settings":
    wrong.append("the principal asks for a logon type")
if task.get("version") != "1.2":
    wrong.append("version %r" % task.get("version"))
sys.exit("\n".join(wrong) or None)
EOF
}
check_task "$DIR/tarrow-send-tarefa.xml" || fail "the task is not as described"
# Wine's task service keeps only part of what it reads (no triggers, principal or command), but
# the settings it read back are those of the XML.
check_task "$TASK" settings || fail "the task service did not read the task's settings"
wine64 "$SETUP" /S 2>/dev/null || fail "an update after /AGENDAR failed ($?)"
[ -f "$TASK" ] && check_task "$DIR/tarrow-send-tarefa.xml" || fail "an update dropped the task"
[ ! -e "$MENU/StartUp/TARROW.lnk" ] || fail "an update after /AGENDAR added the Startup entry"
ok "/AGENDAR (never with /INICIO) replaces the Startup entry by a task of LOCAL SERVICE every 5 minutes, on battery too, one at a time, an hour at most, with --log, granted the folder; an update keeps it"

# ---- The uninstaller stops while a program runs, and fails, keeping its entry, when one cannot be
# deleted (held open with writing shared, as no running program is).
holding "$DIR_WIN\\TARROW_Manual.exe" wine64 "$DIR_WIN\\Uninstall.exe" /S '_?=C:\Loja' 'Centro\TARROW'
[ "$status" -eq 2 ] || fail "an uninstall while a program runs ended with $status, not 2"
for program in "${PROGRAMS[@]}"; do [ -e "$DIR/$program" ] || fail "an uninstall while a program runs deleted $program"; done
holding "$DIR_WIN\\TARROW_Manual.exe" escrita wine64 "$DIR_WIN\\Uninstall.exe" /S '_?=C:\Loja' 'Centro\TARROW'
[ "$status" -eq 2 ] || fail "an uninstall that could not delete a program ended with $status, not 2"
wine64 reg query "$UNINSTALL_KEY" >/dev/null 2>&1 || fail "an uninstall that could not delete a program removed its entry"
[ -f "$TASK" ] || fail "an uninstall that could not delete a program removed the task"
ok "the uninstaller stops while a program is in use, and ends with 2 keeping its entry when one cannot be deleted"

# ---- Uninstalled silently. _? keeps the uninstaller in place (else it copies itself away, starts the
# copy and returns at once); like /D=, it is read only unquoted.
wine64 "$DIR_WIN\\Uninstall.exe" /S '_?=C:\Loja' 'Centro\TARROW' 2>/dev/null || fail "the uninstaller failed ($?)"
for program in "${PROGRAMS[@]}"; do [ ! -e "$DIR/$program" ] || fail "the uninstaller left $program"; done
for file in "$WORK"/store-files/*; do
    cmp -s "$file" "$DIR/$(basename "$file")" || fail "the uninstaller removed or changed $(basename "$file")"
done
[ ! -e "$MENU/TARROW Manual.lnk" ] && [ ! -e "$MENU/StartUp/TARROW.lnk" ] || fail "the uninstaller left an entry"
[ ! -e "$TASK" ] || fail "the uninstaller left the task"
! wine64 reg query "$UNINSTALL_KEY" >/dev/null 2>&1 || fail "the uninstaller left its registry entry"
ok "uninstalled: programs, entries and the task gone, sistema_kesto.ini, Tarrow.conf and the list file kept"

# ---- Into the management system's own folder: its other files and folders keep their rights (the
# folder keeps its inheritance; icacls is asked about the folder itself and our files only).
GESTAO=$PREFIX/drive_c/Gestao
mkdir -p "$GESTAO/dados"
cp "$WORK/store-files/sistema_kesto.ini" "$GESTAO/"
printf 'cadastro\r\n' >"$GESTAO/dados/clientes.dat"
WINEDEBUG=-all,fixme+icacls wine64 "$SETUP" /S /AGENDAR '/D=C:\Gestao' 2>"$WORK/gestao.log" \
    || fail "the installation into C:\\Gestao failed ($?)"
expected=$(rights 'C:\Gestao' foreign task; rights 'C:\Gestao' foreign task)
actual=$(icacls_asked "$WORK/gestao.log")
[ "$actual" = "$expected" ] || fail "in C:\\Gestao icacls was asked for
$actual
instead of
$expected"
wine64 'C:\Gestao\Uninstall.exe' /S '_?=C:\Gestao' 2>/dev/null || fail "the uninstaller failed in C:\\Gestao ($?)"
[ -f "$GESTAO/sistema_kesto.ini" ] && [ -f "$GESTAO/dados/clientes.dat" ] || fail "the uninstaller took the management system's files"
[ ! -e "$TASK" ] || fail "the uninstaller left the task"
ok "into another program's folder: the rights of the folder itself and of our files only, its own files kept"

cleanup
trap - EXIT
rm -rf "$WORK"  # the prefix alone is some 700 MB; a failed run leaves it for a look
echo "windows-install-test: $passed passed, 0 failed"
