#!/usr/bin/env bash
# Runs every benchmark of bench/ in turn (bench/README.md has the table of figures): a Release
# build in build/bench, one scratch MariaDB server on its own loopback address for the database
# benchmarks, stopped at the end even after a failure. A benchmark added later (a folder of
# bench/ with a bench_* program) is listed here too.
set -euo pipefail
cd "$(dirname "$0")/.."

export TARROW_TEST_DB_HOST=${TARROW_BENCH_DB_HOST:-127.0.0.21}
export TARROW_TEST_DB_DIR=/tmp/tarrow-bench-mariadb-$TARROW_TEST_DB_HOST

cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARROW_BENCH=ON -DTARROW_BUILD_TESTS=OFF >/dev/null
# Every bench_* program the bench folders declare.
mapfile -t targets < <(grep -ho 'add_executable(bench_[A-Za-z0-9_]*' bench/*/CMakeLists.txt | cut -d'(' -f2 | sort -u)
cmake --build build/bench -j 2 --target "${targets[@]}"

trap 'bash tests/fixtures/mariadb.sh stop >/dev/null 2>&1 || true' EXIT
bash tests/fixtures/mariadb.sh start

echo "== machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), load $(cut -d' ' -f1-3 /proc/loadavg), $(date -u +%F)"
echo "== bench_service (web service client against bare libcurl, both kept alive)"
./build/bench/bench/service/bench_service 1000 5
echo "== bench_mysql_fetch (our protocol against the peer client library)"
./build/bench/bench/mysql/bench_mysql_fetch 9
echo "== bench_dataaccess_open (TMyQuery.Open against the raw fetch)"
./build/bench/bench/dataaccess/bench_dataaccess_open
for target in "${targets[@]}"; do
    case "$target" in bench_service|bench_mysql_fetch|bench_dataaccess_open) continue ;; esac
    echo "== $target"
    "$(find build/bench/bench -type f -name "$target" -perm -u+x | head -n 1)"
done
