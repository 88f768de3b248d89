#!/usr/bin/env bash
# The whole system on this machine in one command: a scratch MariaDB with a sample store, a
# stand-in of the Van service that records what it receives, a demo folder with the programs,
# sistema_kesto.ini and Tarrow.conf, one run of tarrow-send and a short table of what happened.
#
#   ./scripts/demo.sh            set up (again) and send
#   ./scripts/demo.sh --windows  the same with tarrow-send.exe of the windows-x64 build, under wine64
#   ./scripts/demo.sh stop       stop the demo's database server and service
#
# Everything stays on loopback: the database on TARROW_DEMO_HOST:3306 (127.0.0.20 by default), the
# service on the same address. TARROW_DEMO_BUILD reuses a build directory (default build/default,
# or build/windows-x64 with --windows).
set -euo pipefail
cd "$(dirname "$0")/.."

WINDOWS=false
if [ "${1:-}" = --windows ]; then WINDOWS=true; shift; fi
HOST=${TARROW_DEMO_HOST:-127.0.0.20}
DEMO=${TARROW_DEMO_DIR:-/tmp/tarrow-demo}
if $WINDOWS; then BUILD=${TARROW_DEMO_BUILD:-build/windows-x64}; else BUILD=${TARROW_DEMO_BUILD:-build/default}; fi
PASSWORD=demo-tarrow
if [ "$(id -u)" -eq 0 ]; then VAN_PORT=80; else VAN_PORT=8080; fi  # port 80 also answers the start-up's check
SERVICE_URL=http://$HOST:$VAN_PORT/van.asmx
LOJA=$DEMO/loja
RECORD=$DEMO/van-recebido.jsonl

case "$HOST" in 127.*) ;; *) echo "demo: $HOST is not a loopback address" >&2; exit 1 ;; esac

db_env() { env TARROW_TEST_DB_HOST="$HOST" TARROW_TEST_DB_PORT=3306 TARROW_TEST_DB_PASSWORD="$PASSWORD" \
               TARROW_TEST_DB_DIR="$DEMO/mariadb" "$@"; }
sql() { mariadb --no-defaults -uroot -p"$PASSWORD" -h "$HOST" -P 3306 --protocol=TCP \
            --default-character-set=utf8mb4 --batch --skip-column-names gerente "$@"; }

stop_van() {
    local pid
    pid=$(cat "$DEMO/van.pid" 2>/dev/null || true)
    # Only the process this script started, recognised by its command line.
    if [ -n "$pid" ] && grep -qs van_demo.py "/proc/$pid/cmdline"; then
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -f "$DEMO/van.pid"
}

# The demo's own Wine prefix, booted once and kept beside the demo folder; its server is the demo's.
export WINEPREFIX=$DEMO/wineprefix WINEDEBUG=-all
PATH="$PATH:/usr/lib/wine"  # where Debian's wine64 keeps its loader without the 32-bit package
stop_wine() { if [ -d "$WINEPREFIX" ]; then wineserver -k 2>/dev/null || true; fi; }

stop_all() {
    stop_van
    stop_wine
    if [ -d "$DEMO/mariadb" ]; then db_env bash tests/fixtures/mariadb.sh stop >/dev/null; fi
}

if [ "${1:-}" = stop ]; then
    stop_all
    echo "demo: stopped (the demo folder $DEMO stays; remove it when you like)"
    exit 0
fi

step() { echo; echo "== $*"; }

step "Packages"
if [ "$(id -u)" -eq 0 ]; then ./scripts/install-deps.sh; else echo "not root: assuming scripts/install-deps.sh has run"; fi

step "Build ($BUILD)"
if $WINDOWS; then
    # The preset's tree is also the Windows tests' one: configured as the preset says, tests on.
    if [ ! -f "$BUILD/build.ninja" ]; then
        if [ "$BUILD" = build/windows-x64 ]; then cmake --preset windows-x64 >/dev/null
        else cmake -S . -B "$BUILD" -G Ninja --toolchain cmake/toolchains/mingw-x86_64.cmake \
                 -DCMAKE_BUILD_TYPE=Release -DTARROW_BUILD_TESTS=OFF >/dev/null; fi
    fi
    cmake --build "$BUILD" -j "$(nproc)" --target tarrow-send | tail -n 1
    PROGRAMS=("$BUILD/apps/tarrow-send.exe")
else
    if [ ! -f "$BUILD/build.ninja" ]; then
        if [ "$BUILD" = build/default ]; then cmake --preset default -DTARROW_BUILD_TESTS=OFF >/dev/null
        else cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARROW_BUILD_TESTS=OFF >/dev/null; fi
    fi
    cmake --build "$BUILD" -j "$(nproc)" --target tarrow-send TARROW TARROW_Manual | tail -n 1
    PROGRAMS=("$BUILD/apps/tarrow-send" "$BUILD/apps/TARROW" "$BUILD/apps/TARROW_Manual")
fi

step "Database server on $HOST:3306 with the sample store"
stop_all  # whatever an earlier run left
mkdir -p "$DEMO"
db_env bash tests/fixtures/mariadb.sh start >/dev/null
sql < tests/support/sql/store_schema.sql
sql < scripts/demo/loja_demo.sql
echo "$(sql -e 'SELECT COUNT(DISTINCT numlanc) FROM movment') sales in the store today, $(sql -e "SELECT COUNT(*) FROM movment WHERE cancelado = 'S'") return lines"

step "Van service stand-in on $SERVICE_URL"
rm -f "$RECORD"
setsid /usr/bin/python3 scripts/demo/van_demo.py "$HOST" "$VAN_PORT" "$RECORD" </dev/null >"$DEMO/van.log" 2>&1 &
echo $! >"$DEMO/van.pid"
for _ in $(seq 1 100); do (exec 3<>"/dev/tcp/$HOST/$VAN_PORT") 2>/dev/null && break; sleep 0.1; done
cat "$DEMO/van.log"

step "Demo folder $LOJA"
rm -rf "$LOJA"
mkdir -p "$LOJA"
cp "${PROGRAMS[@]}" "$LOJA/"
if $WINDOWS; then
    if [ ! -d "$WINEPREFIX" ]; then echo "booting the Wine prefix $WINEPREFIX (once)"; wine64 wineboot -i 2>/dev/null; fi
    # The Windows program, from its own folder like a store's; the Unix environment reaches it.
    # It writes UTF-8 into a file or a pipe, and a terminal is a console to it.
    tarrow_send() { wine64 "$LOJA/tarrow-send.exe" "$@"; }
    SEND="wine64 $LOJA/tarrow-send.exe"
else
    tarrow_send() { "$LOJA/tarrow-send" "$@"; }
    SEND=$LOJA/tarrow-send
fi
SENHA=$(tarrow_send --cifra-senha "$PASSWORD" | tr -d '\r')
printf '[ip]\r\ndatabase=gerente\r\nlocal=%s\r\nsenha=%s\r\n[FilialMatriz]\r\nCodLogica=1\r\n' "$HOST" "$SENHA" \
    >"$LOJA/sistema_kesto.ini"
printf '[WebService]\r\nURL=%s\r\n' "$SERVICE_URL" >"$LOJA/Tarrow.conf"
ls "$LOJA"

step "$(basename "$SEND") (one tick of the automatic sender)"
export TARROW_INTERNET_HOST=$HOST TARROW_SERVICE_URL=$SERVICE_URL
set +e
tarrow_send
status=$?
set -e
echo "tarrow-send exit status: $status"

step "Result"
marked() { sql -e "SELECT COUNT(DISTINCT numlanc), COUNT(*) FROM movment WHERE lojas_leram2 = 'V' AND $1"; }
read -r sales lines < <(marked "quanti_uni > 0 AND numlanc <> 90001")
read -r returns return_lines < <(marked "quanti_uni < 0")
given_up=$(sql -e "SELECT COUNT(*) FROM van_pendentes WHERE enviado = 'N'")
waiting=$(sql -e "SELECT COUNT(DISTINCT numlanc) FROM movment WHERE coalesce(lojas_leram2, '') <> 'V'")
read -r calls heads items_v items_d total < <(/usr/bin/python3 - "$RECORD" <<'PY'
import json, sys
calls = [json.loads(l) for l in open(sys.argv[1], encoding="utf-8")] if __import__("os").path.exists(sys.argv[1]) else []
heads = sum(c["operation"] == "inserir_vendas" for c in calls)
items = [c["args"] for c in calls if c["operation"] == "inserir_vendas_itens_V3"]
v = [i for i in items if i.get("tipo") == "V"]
d = [i for i in items if i.get("tipo") == "D"]
print(len(calls), heads, len(v), len(d), "%.2f" % sum(float(i.get("total_liquido", "0")) for i in v))
PY
)
printf '%-44s %s\n' "what" "count"
printf '%-44s %s\n' "sales relayed (lines)" "$sales ($lines)"
printf '%-44s %s\n' "returns relayed (lines)" "$returns ($return_lines)"
printf '%-44s %s\n' "given up (registered as pending)" "$given_up"
printf '%-44s %s\n' "left in the store (the delivery on its way)" "$waiting"
printf '%-44s %s\n' "service received: calls" "$calls"
printf '%-44s %s\n' "  inserir_vendas (sale and return headers)" "$heads"
printf '%-44s %s\n' "  sale lines (tipo V), total_liquido" "$items_v, $total"
printf '%-44s %s\n' "  return lines (tipo D)" "$items_d"
echo "(every call, with its arguments: $RECORD)"

cat <<EOT

== Next
The database server and the service stand-in keep running. In a shell, keep everything on loopback:
    export TARROW_INTERNET_HOST=$HOST TARROW_SERVICE_URL=$SERVICE_URL
EOT
if $WINDOWS; then
    echo "Under Wine, with this demo's prefix:  export WINEPREFIX=$WINEPREFIX WINEDEBUG=-all PATH=\$PATH:/usr/lib/wine"
else
    cat <<EOT
With a display, open the two windows against the same demo (their files live beside them, in $LOJA):
    $LOJA/TARROW_Manual      # pick an option, "Verificar vendas pendentes", "Enviar vendas pendentes"
    $LOJA/TARROW             # the automatic sender: a send every few minutes, from the tray
EOT
fi
cat <<EOT
Send again without a window:  $SEND --count   (or --day $(date +%F), --pending, --help)
Stop the demo:                ./scripts/demo.sh stop
EOT

if [ "$status" -ne 0 ] || [ "$heads" -eq 0 ]; then
    echo "demo: the send did not relay the store's sales (status $status)" >&2
    exit 1
fi
