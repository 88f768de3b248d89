// Open of the sales selection (every row read and converted) against the raw protocol fetch of the
// same rows, in the same run, on a server named by the environment:
//   TARROW_TEST_DB_HOST, TARROW_TEST_DB_PORT (3306), TARROW_TEST_DB_PASSWORD; BENCH_ROWS (200000).
// Prints the times, their ratio, the size of the result on the wire and the memory Open took.

#include "bench/common/Median.h"
#include "bench/common/BenchStore.h"
#include "dataaccess/MyCommand.h"
#include "dataaccess/MyConnection.h"
#include "dataaccess/MyQuery.h"
#include "mysql/MySqlApiDirect.h"
#include "platform/DateTime.h"
#include "relay/Sentencas.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace tarrow;
using tarrow::bench::Env;
using tarrow::bench::Run;

using tarrow::bench::Median;

namespace {

// Peak resident memory of the process so far, in bytes (VmHWM).
std::size_t PeakResident()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6)) * 1024;
    return 0;
}

void ResetPeakResident()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

struct TRawFigures {
    double Seconds = 0;
    std::size_t Rows = 0;
    std::size_t WireBytes = 0;  // row packets with their headers, and the column descriptions
};

// The protocol alone: query, every row fetched and its bindings touched, nothing converted.
TRawFigures RawFetch(TMyConnection& connection, const std::string& sql)
{
    auto& api = MySQLAPIDirect();
    TMySqlSession* session = connection.Session().Session();
    TRawFigures figures;
    const auto start = std::chrono::steady_clock::now();
    if (api.mysql_real_query(session, sql) != 0) {
        std::fprintf(stderr, "raw query failed: %s\n", api.mysql_error(session).c_str());
        std::exit(1);
    }
    TMySqlResultPtr result(api.mysql_use_result(session));
    std::size_t touched = 0;
    while (const TMySqlBinds* row = api.mysql_fetch_row(result.get())) {
        ++figures.Rows;
        figures.WireBytes += row->Row.size() + 4;
        for (const auto& b : row->Binds) touched += b.Length;
    }
    result.reset();
    figures.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (touched == 0) std::fprintf(stderr, "no data\n");
    return figures;
}

// Processor time of this thread, in seconds: the client's own share of a fetch.
double ThreadCpu()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

}  // namespace

int main()
{
    const int rows = std::stoi(Env("BENCH_ROWS", "200000"));
    const int rounds = std::stoi(Env("BENCH_ROUNDS", "5"));
    TMyConnection connection("oConnect");
    connection.SetServer(Env("TARROW_TEST_DB_HOST", "127.0.0.2"));
    connection.SetPort(std::stoi(Env("TARROW_TEST_DB_PORT", "3306")));
    connection.SetUsername("root");
    connection.SetPassword(Env("TARROW_TEST_DB_PASSWORD", "tarrow-test"));
    connection.SetLoginPrompt(false);
    connection.Connect();
    bench::FillStore(connection, "tarrow_bench", rows);

    // The automatic sender's selection of the day the rows were filled for.
    const TScopedClock day(EncodeDate(2024, 5, 15) + 0.5);
    const std::string sql = SqlVendas(1);
    TMyQuery query("oQuery");
    query.SetConnection(&connection);

    // Memory first, while the process has not yet held a result.
    const TRawFigures wire = RawFetch(connection, sql);
    ResetPeakResident();
    const std::size_t before = PeakResident();
    query.SetSQL(sql);
    query.Open();
    const std::size_t peak = PeakResident() - before;
    const std::size_t held = query.RowMemory();
    const int count = query.RecordCount();
    query.Close();

    std::vector<double> raw, open, rawCpu, openCpu;
    for (int i = 0; i < rounds; ++i) {
        double cpu = ThreadCpu();
        raw.push_back(RawFetch(connection, sql).Seconds);
        rawCpu.push_back(ThreadCpu() - cpu);
        query.Close();
        query.SetSQL(sql);
        cpu = ThreadCpu();
        const auto start = std::chrono::steady_clock::now();
        query.Open();
        open.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        query.Close();
        openCpu.push_back(ThreadCpu() - cpu);
    }
    const double rawMedian = Median(raw), openMedian = Median(open);
    std::printf("rows selected           %d (raw fetch saw %zu)\n", count, wire.Rows);
    std::printf("result on the wire      %.1f MiB\n", wire.WireBytes / 1048576.0);
    std::printf("raw protocol fetch      %.3f s (median of %d)\n", rawMedian, rounds);
    std::printf("TMyQuery.Open           %.3f s (median of %d)\n", openMedian, rounds);
    std::printf("Open / raw              %.2f (target <= 1.5)\n", openMedian / rawMedian);
    std::printf("client CPU: raw %.3f s, Open (with Close) %.3f s, ratio %.2f\n", Median(rawCpu), Median(openCpu),
                Median(openCpu) / Median(rawCpu));
    std::printf("rows held by the query  %.1f MiB (%.2f x wire)\n", held / 1048576.0, double(held) / wire.WireBytes);
    std::printf("peak resident growth    %.1f MiB (%.2f x wire, target <= 3)\n", peak / 1048576.0,
                double(peak) / wire.WireBytes);
    Run(connection, "DROP DATABASE tarrow_bench");
    return 0;
}
