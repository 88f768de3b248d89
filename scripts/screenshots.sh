#!/usr/bin/env bash
# Screenshots of both programs as an operator sees them, for the README, on Linux and on Windows:
# each program runs under a virtual X display, against a scratch MariaDB server and a local SOAP
# peer, all on loopback. On Linux a small window manager and a notification-area host stand in for
# the desktop; the Windows programs run under wine64 in Wine's own virtual desktop, whose taskbar
# holds the notification area and which draws the title bars as Windows does. Writes
# docs/screenshots/*.png (the Windows ones named windows-*.png).
#
#   scripts/screenshots.sh [linux|windows]     both when none is named
#
# Needs root the first time (installs the X and Wine pieces with apt-get, adds the pt_BR locale
# Wine takes its language from) and for the peer on port 80, which doubles as the host of the
# connectivity check. TARROW_BUILD_DIR and TARROW_WINDOWS_BUILD_DIR pick the builds whose programs
# are used (build/default and build/windows-x64 by default; built when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
WHAT=${1:-all}
case "$WHAT" in all|linux|windows) ;; *) echo "usage: scripts/screenshots.sh [linux|windows]" >&2; exit 64 ;; esac
BUILD=${TARROW_BUILD_DIR:-build/default}
WINDOWS_BUILD=${TARROW_WINDOWS_BUILD_DIR:-build/windows-x64}
OUT=$ROOT/docs/screenshots
DB_HOST=${TARROW_SCREENSHOT_DB_HOST:-127.0.0.30}
PEER_HOST=${TARROW_SCREENSHOT_PEER_HOST:-127.0.0.31}
DISPLAY_NUMBER=${TARROW_SCREENSHOT_DISPLAY:-:93}
DB_PASSWORD=tarrow-telas
linux() { [ "$WHAT" != windows ]; }
windows() { [ "$WHAT" != linux ]; }

packages=(xvfb xdotool)
linux && packages+=(openbox trayer scrot fonts-liberation qt6-translations-l10n)
windows && packages+=(wine64 fonts-wine imagemagick locales)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "screenshots: installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if linux && { [ ! -x "$BUILD/apps/TARROW" ] || [ ! -x "$BUILD/apps/TARROW_Manual" ]; }; then
    [ -f "$BUILD/CMakeCache.txt" ] || cmake --preset default
    cmake --build "$BUILD" --target TARROW TARROW_Manual -j 2
fi
if windows && { [ ! -f "$WINDOWS_BUILD/apps/TARROW.exe" ] || [ ! -f "$WINDOWS_BUILD/apps/TARROW_Manual.exe" ]; }; then
    [ -f "$WINDOWS_BUILD/CMakeCache.txt" ] || cmake --preset windows-x64
    cmake --build "$WINDOWS_BUILD" --target TARROW TARROW_Manual -j 2
fi

WORK=$(mktemp -d /tmp/tarrow-screenshots.XXXXXX)
export TARROW_TEST_DB_HOST=$DB_HOST TARROW_TEST_DB_PORT=3306 TARROW_TEST_DB_PASSWORD=$DB_PASSWORD
export TARROW_TEST_DB_DIR=$WORK/mariadb
pids=()
peer=
stop_desktop() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -z "${WINEPREFIX:-}" ] || wineserver -k 2>/dev/null || true
    [ ${#pids[@]} -eq 0 ] || wait "${pids[@]}" 2>/dev/null || true
    pids=()
}
cleanup() {
    stop_desktop
    [ -z "$peer" ] || kill "$peer" 2>/dev/null || true
    wait 2>/dev/null || true
    bash tests/fixtures/mariadb.sh stop >/dev/null 2>&1 || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# The store: one branch, two products, four sales of today with two lines each; laid anew for
# each system, since a send marks the sales relayed.
bash tests/fixtures/mariadb.sh start
sql() { mariadb --no-defaults -h "$DB_HOST" -u root -p"$DB_PASSWORD" "$@"; }
store() {
    sql -e "DROP DATABASE IF EXISTS loja; CREATE DATABASE loja"
    sql loja < tests/support/sql/store_schema.sql
    {
        echo "INSERT INTO filial VALUES (12, 'Loja Centro', '11222333000181');"
        echo "INSERT INTO totalfisc VALUES ('T18', 18.00, 'N');"
        echo "INSERT INTO produto VALUES (1, 'Dipirona', '7891234567895', 4, 'ABC', 'T18'),"
        echo "                           (2, 'Soro', '7890000000024', 7, 'C', 'T18');"
        echo "INSERT INTO estoque_minimo VALUES (12, 1, 40), (12, 2, 5);"
        for numlanc in 1001 1002 1003 1004; do
            for produto in 1 2; do
                echo "INSERT INTO movment (numlanc, filial_id, num_caixa, num_ecf, data_hora, produto_id, quanti_uni," \
                     "preco_unit, usuario_id, oper, cancelado, entrega) VALUES ($numlanc, 12, 3, 5000," \
                     "concat(curdate(), ' 10:00:00'), $produto, 1, 7.50, 21, 2, 'N', 'N');"
            done
        done
    } | sql loja
}

# The web service: accepts every call, slowly enough for a send to be seen in progress.
python3 - "$PEER_HOST" > "$WORK/peer.log" 2>&1 <<'PY' &
import sys, time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

class Van(BaseHTTPRequestHandler):
    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length", "0")))
        op = self.headers.get("SOAPAction", "").strip('"').rsplit("/", 1)[-1]
        time.sleep(0.25)
        body = ('<?xml version="1.0" encoding="utf-8"?><soap:Envelope '
                'xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body>'
                '<%sResponse xmlns="http://tempuri.org/"><%sResult>0</%sResult></%sResponse>'
                '</soap:Body></soap:Envelope>' % (op, op, op, op)).encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/xml; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass

ThreadingHTTPServer((sys.argv[1], 80), Van).serve_forever()
PY
peer=$!

# The programs read their settings beside the program file.
encipher() {
    python3 - "$1" <<'PY'
import sys
key, prev, out = b"QXR", 0x10, "10"
for i, c in enumerate(sys.argv[1].encode()):
    v = ((prev + c) % 255) ^ key[i % len(key)]
    out += "%02X" % v
    prev = v
print(out)
PY
}
settings() {  # the program folder
    mkdir -p "$1"
    printf '[ip]\r\ndatabase=loja\r\nlocal=%s\r\nsenha=%s\r\n[FilialMatriz]\r\nCodLogica=12\r\n' \
        "$DB_HOST" "$(encipher "$DB_PASSWORD")" > "$1/sistema_kesto.ini"
    printf '[WebService]\r\nURL=http://%s/van.asmx\r\n' "$PEER_HOST" > "$1/Tarrow.conf"
}
export TARROW_SERVICE_URL=http://$PEER_HOST/van.asmx TARROW_INTERNET_HOST=$PEER_HOST
export ASAN_OPTIONS=detect_leaks=0
mkdir -p "$OUT"

window() {  # the id of a window whose name matches, waiting for it
    local id
    for _ in $(seq 1 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1) && [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.1
    done
    echo "screenshots: no window \"$1\"" >&2
    return 1
}
display() {  # a fresh virtual display of the given size
    Xvfb "$DISPLAY_NUMBER" -screen 0 "$1"x24 -nolisten tcp > "$WORK/xvfb.log" 2>&1 &
    pids+=($!)
    export DISPLAY=$DISPLAY_NUMBER
    for _ in $(seq 1 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
    # An Xvfb that found its display taken has ended: the pictures would show another desktop.
    kill -0 "${pids[-1]}" 2>/dev/null || { echo "screenshots: display $DISPLAY_NUMBER is taken" >&2; exit 1; }
}

linux_screenshots() {
    store
    settings "$WORK/programa"
    cp "$BUILD/apps/TARROW" "$BUILD/apps/TARROW_Manual" "$WORK/programa/"

    # The desktop: display, window manager, notification area.
    display 640x480
    openbox > "$WORK/openbox.log" 2>&1 &
    pids+=($!)
    trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true > "$WORK/trayer.log" 2>&1 &
    pids+=($!)
    sleep 1

    shoot() {  # the window with its frame
        xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
        sleep 0.3
        scrot --focused --border --overwrite "$OUT/$2"
        echo "screenshots: $2"
}

# TARROW: it hides into the notification area; "Abrir" from the icon's menu brings it back.
"$WORK/programa/TARROW" > "$WORK/tarrow.log" 2>&1 &
tarrow=$!
pids+=($tarrow)
sleep 2
tray=$(xdotool search --class trayer | tail -1)
eval "$(xdotool getwindowgeometry --shell "$tray")"
xdotool mousemove $((X + 10)) $((Y + HEIGHT / 2)) click 3
sleep 0.5
xdotool key Down Return
shoot "$(window '^TarrowKesto 1')" tarrow-automatico.png
kill "$tarrow"

# TARROW_Manual: each option, then a send in progress.
"$WORK/programa/TARROW_Manual" > "$WORK/manual.log" 2>&1 &
manual=$!
pids+=($manual)
main=$(window 'TarrowKesto 1.1 \(Manual\)')
click() { xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true; xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.3; }
option() { click 25 $((8 + 18 + $1 * 21 + 9)); }
option 0
click 100 136
xdotool type 1001
shoot "$main" manual-numero.png
option 1
shoot "$main" manual-periodo.png
option 2
shoot "$main" manual-dia.png
option 3
shoot "$main" manual-pendencias.png
option 2
click 112 244
sleep 0.5
xdotool key shift+Tab space   # "Sim"; the default is "Não"
sleep 1.2
shoot "$main" manual-enviando.png
sleep 4
xdotool key Return            # "Envio concluído."
kill "$manual"
stop_desktop
}

windows_screenshots() {
    # A Windows of its own. Debian's wine64 alone (without the 32-bit wine package) leaves Wine's
    # own fonts out of a new prefix, and without Marlett the title bars' buttons are drawn as
    # letters. A virtual desktop has no taskbar, and so no notification area, unless EnableShell is
    # set. Wine takes its language (the message boxes' "Sim" and "Não") from LANG.
    PATH="$PATH:/usr/lib/wine"
    export WINEPREFIX=$WORK/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d LANG=pt_BR.UTF-8
    locale -a | grep -qix 'pt_BR.utf8' || localedef -i pt_BR -f UTF-8 pt_BR.UTF-8
    wine64 wineboot -i > "$WORK/wineboot.log" 2>&1
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    wine64 reg add 'HKCU\Software\Wine\Explorer\Desktops\shot' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1
    wineserver -w
    store
    settings "$WINEPREFIX/drive_c/TARROW"
    cp "$WINDOWS_BUILD/apps/TARROW.exe" "$WINDOWS_BUILD/apps/TARROW_Manual.exe" "$WINEPREFIX/drive_c/TARROW/"
    display 800x600
    run() { wine64 explorer /desktop=shot,800x600 "C:\\TARROW\\$1" > "$WORK/$1.log" 2>&1 & }
    # Wine draws the frame inside the X window it gives each top-level window of its desktop.
    wshoot() {
        sleep 0.5
        import -window "$1" "$OUT/$2"
        echo "screenshots: $2"
    }
    visible() { xdotool search --onlyvisible --name '.*' 2>/dev/null | sort; }

    # TARROW: its icon sits at the right end of the taskbar; "Abrir" is the first item of its menu,
    # clicked, since Wine's menus take no keys from xdotool.
    run TARROW.exe
    sleep 4
    visible > "$WORK/before"
    xdotool mousemove 790 590 click 3
    sleep 0.5
    xdotool mousemove --window "$(visible | comm -13 "$WORK/before" - | head -1)" 30 10 click 1
    wshoot "$(window '^TarrowKesto 1')" windows-tarrow-automatico.png
    wine64 taskkill /f /im TARROW.exe >/dev/null 2>&1 || true

    # TARROW_Manual: a release number typed in, then a send in progress. Clicks are given in the
    # client area, as on Linux: the frame is what the window has beyond it.
    run TARROW_Manual.exe
    main=$(window 'TarrowKesto 1.1 \(Manual\)')
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$main")"
    border=$(((WIDTH - 224) / 2))
    top=$((HEIGHT - 264 - border))
    click() { xdotool mousemove --window "$main" $((border + $1)) $((top + $2)) click 1; sleep 0.3; }
    option() { click 25 $((8 + 18 + $1 * 21 + 9)); }
    option 0
    click 100 136
    xdotool type 1001
    wshoot "$main" windows-manual-numero.png
    option 2
    click 112 244
    sleep 0.5
    xdotool key shift+Tab space   # "Sim"; the default is "Não"
    sleep 1.2
    wshoot "$main" windows-manual-enviando.png
    sleep 4
    xdotool key Return            # "Envio concluído."
    stop_desktop
}

linux && linux_screenshots
windows && windows_screenshots
echo "screenshots: done"
