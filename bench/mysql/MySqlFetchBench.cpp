// Fetches every row of a 200000-line day, through the sales selection and as a plain
// "select * from movment", with our call surface and with the peer client library, on the same
// server in the same run, alternating which goes first. Prints rows/s of each, the ratios, and a
// checksum of the bytes read so both are seen to read the same rows.
//
// Usage: bench_mysql_fetch [rounds]   (server from TARROW_TEST_DB_HOST/PORT/PASSWORD, root user)

#include "bench/common/Median.h"
#include "mysql/MySqlApiDirect.h"
#include "platform/DateTime.h"
#include "relay/Sentencas.h"

#include <mysql.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using tarrow::bench::Median;

namespace {

using tarrow::EncodeDate;
using tarrow::SqlVendas;
using tarrow::TScopedClock;

using Clock = std::chrono::steady_clock;

constexpr int kRows = 200000;
constexpr const char* kDatabase = "tarrow_bench";
constexpr const char* kDay = "2024/05/15";

struct TServer {
    std::string Host = "127.0.0.3";
    int Port = 3306;
    std::string Password = "tarrow-test";
};

std::string Env(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

// The sales selection of the automatic sender for the benchmark's day, as the relay builds it.
std::string SalesStatement(int branch)
{
    const TScopedClock day(EncodeDate(2024, 5, 15) + 0.5);
    return SqlVendas(branch);
}

// A word-at-a-time checksum of every value's length and bytes (NULL distinct from empty).
struct TChecksum {
    std::uint64_t Value = 1469598103934665603ull;
    void Mix(std::uint64_t word) { Value = (Value ^ word) * 1099511628211ull; }
    void Add(const void* bytes, std::size_t length, bool isNull)
    {
        Mix(isNull ? ~0ull : length);
        const auto* p = static_cast<const unsigned char*>(bytes);
        std::size_t i = 0;
        for (; i + 8 <= length; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            Mix(word);
        }
        std::uint64_t tail = 0;
        if (i < length) {
            std::memcpy(&tail, p + i, length - i);
            Mix(tail);
        }
    }
};

struct TRun {
    long Rows = 0;
    std::uint64_t Checksum = 0;
    double Seconds = 0;
    double CpuSeconds = 0; // the client's own processor time
};

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// -- Our call surface

class TOurs {
  public:
    explicit TOurs(const TServer& server) : session_(api_.mysql_init())
    {
        const int timeout = 15;
        api_.mysql_options(session_.get(), tarrow::kMySqlOptConnectTimeout, &timeout);
        if (api_.mysql_real_connect(session_.get(), server.Host, "root", server.Password, kDatabase,
                                    server.Port, "", 0x10002) == nullptr)
            throw std::runtime_error("ours: " + api_.mysql_error(session_.get()));
    }
    void Execute(const std::string& sql)
    {
        if (api_.mysql_real_query(session_.get(), sql) != 0)
            throw std::runtime_error("ours: " + api_.mysql_error(session_.get()));
        do {
            api_.mysql_free_result(api_.mysql_use_result(session_.get()));
        } while (api_.mysql_next_result(session_.get()) == 0);
    }
    TRun Fetch(const std::string& sql)
    {
        TRun run;
        TChecksum sum;
        const auto start = Clock::now();
        const double cpuStart = ThreadCpuSeconds();
        if (api_.mysql_real_query(session_.get(), sql) != 0)
            throw std::runtime_error("ours: " + api_.mysql_error(session_.get()));
        tarrow::TMySqlResultPtr result(api_.mysql_use_result(session_.get()));
        while (const tarrow::TMySqlBinds* row = api_.mysql_fetch_row(result.get())) {
            for (const auto& bind : row->Binds)
                sum.Add(row->Row.data() + bind.Offset, bind.Length, bind.IsNull);
            ++run.Rows;
        }
        if (api_.mysql_errno(session_.get()) != 0)
            throw std::runtime_error("ours: " + api_.mysql_error(session_.get()));
        result.reset();
        run.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
        run.CpuSeconds = ThreadCpuSeconds() - cpuStart;
        run.Checksum = sum.Value;
        return run;
    }

  private:
    tarrow::TMySQLAPIDirect& api_ = tarrow::MySQLAPIDirect();
    tarrow::TMySqlSessionPtr session_;
};

// -- The peer client library

class TPeer {
  public:
    explicit TPeer(const TServer& server) : connection_(mysql_init(nullptr))
    {
        unsigned int timeout = 15;
        mysql_options(connection_, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
        if (mysql_real_connect(connection_, server.Host.c_str(), "root", server.Password.c_str(), kDatabase,
                               static_cast<unsigned>(server.Port), nullptr,
                               CLIENT_FOUND_ROWS | CLIENT_MULTI_STATEMENTS) == nullptr)
            throw std::runtime_error(std::string("peer: ") + mysql_error(connection_));
    }
    ~TPeer() { mysql_close(connection_); }
    TPeer(const TPeer&) = delete;
    TPeer& operator=(const TPeer&) = delete;

    TRun Fetch(const std::string& sql)
    {
        TRun run;
        TChecksum sum;
        const auto start = Clock::now();
        const double cpuStart = ThreadCpuSeconds();
        if (mysql_real_query(connection_, sql.data(), sql.size()) != 0)
            throw std::runtime_error(std::string("peer: ") + mysql_error(connection_));
        MYSQL_RES* result = mysql_use_result(connection_);
        const unsigned columns = mysql_num_fields(result);
        while (MYSQL_ROW row = mysql_fetch_row(result)) {
            const unsigned long* lengths = mysql_fetch_lengths(result);
            for (unsigned i = 0; i < columns; ++i) sum.Add(row[i], lengths[i], row[i] == nullptr);
            ++run.Rows;
        }
        if (mysql_errno(connection_) != 0)
            throw std::runtime_error(std::string("peer: ") + mysql_error(connection_));
        mysql_free_result(result);
        run.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
        run.CpuSeconds = ThreadCpuSeconds() - cpuStart;
        run.Checksum = sum.Value;
        return run;
    }

  private:
    MYSQL* connection_;
};

void Prepare(const TServer& server)
{
    tarrow::TMySQLAPIDirect& api = tarrow::MySQLAPIDirect();
    tarrow::TMySqlSessionPtr session(api.mysql_init());
    if (api.mysql_real_connect(session.get(), server.Host, "root", server.Password, "", server.Port, "",
                               0x10002) == nullptr)
        throw std::runtime_error("prepare: " + api.mysql_error(session.get()));
    const std::string day = std::string(kDay).replace(4, 1, "-").replace(7, 1, "-");
    const std::string rows = std::to_string(kRows);
    const std::string script =
        std::string("drop database if exists ") + kDatabase + "; create database " + kDatabase + "; use " +
        kDatabase +
        ";"
        "create table filial (filial_id int primary key, cgc varchar(14));"
        "create table produto (produto_id int primary key, barras varchar(14), grupo_id int, curvaabc "
        "char(1),"
        " totfisc varchar(4));"
        "create table estoque_minimo (filial_id int, produto_id int, estoque decimal(12,3),"
        " primary key (filial_id, produto_id));"
        "create table totalfisc (totalizador varchar(4) primary key, icms decimal(5,2), apagado char(1));"
        "create table movment (movment_id int primary key, numlanc bigint, filial_id int, num_caixa int,"
        " num_ecf int, data_hora datetime, produto_id int, quanti_uni decimal(12,3), preco_unit "
        "decimal(12,2),"
        " usuario_id int, oper int, cancelado char(1), entrega char(1), dtchegada_entrega datetime,"
        " lojas_leram2 char(1), key (numlanc, movment_id));"
        "insert into filial values (1, '12345678000195'), (2, '98765432000110');"
        "insert into totalfisc values ('T01', 18.00, 'N'), ('T02', 12.00, 'N'), ('F', 0, 'N'), ('T99', 7, "
        "'S');"
        "insert into produto select seq, lpad(7890000000000 + seq, 13, '0'), if(seq % 7 = 0, null, seq % 40),"
        " if(seq % 11 = 0, null, elt(1 + seq % 4, 'A', 'B', 'C', 'D')), elt(1 + seq % 4, 'T01', 'T02', 'F', "
        "'T99')"
        " from seq_1_to_5000;"
        "insert into estoque_minimo select 1, seq, seq % 97 + 0.5 from seq_1_to_5000 where seq % 13 <> 0;"
        "insert into movment select seq, 100000 + seq div 3, 1, 1 + seq % 4, 500000 + seq div 3,"
        " '" +
        day + " 00:00:00' + interval (seq * 86399 div " + rows +
        ") second, 1 + seq % 5000,"
        " 1 + seq % 5, 1.99 + (seq % 300), 10 + seq % 9, 2 + seq % 2, 'N', 'N', null, null"
        " from seq_1_to_" +
        rows + ";";
    if (api.mysql_real_query(session.get(), script) != 0)
        throw std::runtime_error("prepare: " + api.mysql_error(session.get()));
    do {
        api.mysql_free_result(api.mysql_use_result(session.get()));
        if (api.mysql_errno(session.get()) != 0)
            throw std::runtime_error("prepare: " + api.mysql_error(session.get()));
    } while (api.mysql_next_result(session.get()) == 0);
    if (api.mysql_errno(session.get()) != 0)
        throw std::runtime_error("prepare: " + api.mysql_error(session.get()));
}

} // namespace

int main(int argc, char** argv)
{
    try {
        TServer server;
        server.Host = Env("TARROW_TEST_DB_HOST", server.Host);
        server.Port = std::stoi(Env("TARROW_TEST_DB_PORT", "3306"));
        server.Password = Env("TARROW_TEST_DB_PASSWORD", server.Password);
        const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;

        std::printf("preparing %d movement lines of %s on %s:%d ...\n", kRows, kDay, server.Host.c_str(),
                    server.Port);
        Prepare(server);
        TOurs ours(server);
        TPeer peer(server);

        struct TCase {
            const char* Name;
            std::string Sql;
        };
        const TCase cases[] = {{"sales selection", SalesStatement(1)},
                               {"select * from movment", "select * from movment"}};
        bool allEqual = true;
        bool allAtLeastPeer = true;
        for (const TCase& c : cases) {
            ours.Fetch(c.Sql); // warm the server's caches for both
            peer.Fetch(c.Sql);
            std::vector<double> oursRate, peerRate, oursCpu, peerCpu;
            std::uint64_t oursSum = 0, peerSum = 0;
            long oursRows = 0, peerRows = 0;
            for (int round = 0; round < rounds; ++round) {
                TRun a, b;
                if (round % 2 == 0) {
                    a = ours.Fetch(c.Sql);
                    b = peer.Fetch(c.Sql);
                } else {
                    b = peer.Fetch(c.Sql);
                    a = ours.Fetch(c.Sql);
                }
                oursRate.push_back(a.Rows / a.Seconds);
                peerRate.push_back(b.Rows / b.Seconds);
                oursCpu.push_back(a.CpuSeconds * 1e9 / a.Rows);
                peerCpu.push_back(b.CpuSeconds * 1e9 / b.Rows);
                oursSum = a.Checksum;
                peerSum = b.Checksum;
                oursRows = a.Rows;
                peerRows = b.Rows;
            }
            const double o = Median(oursRate), p = Median(peerRate);
            std::printf("\n%s (%d rounds, median)\n", c.Name, rounds);
            const double oc = Median(oursCpu), pc = Median(peerCpu);
            std::printf("  ours: %8.0f rows/s  %6.0f ns client CPU/row  rows %ld  checksum %016llx\n", o, oc,
                        oursRows, static_cast<unsigned long long>(oursSum));
            std::printf("  peer: %8.0f rows/s  %6.0f ns client CPU/row  rows %ld  checksum %016llx\n", p, pc,
                        peerRows, static_cast<unsigned long long>(peerSum));
            std::printf("  ratio ours/peer: %.3f rows/s, %.3f client CPU per row\n", o / p, oc / pc);
            allEqual = allEqual && oursSum == peerSum && oursRows == peerRows && oursRows == kRows;
            allAtLeastPeer = allAtLeastPeer && o >= p;
        }
        std::printf("\nsame rows and bytes: %s; ours at least the peer's rate on both: %s\n",
                    allEqual ? "yes" : "NO", allAtLeastPeer ? "yes" : "no");
        return allEqual ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_mysql_fetch: %s\n", e.what());
        return 2;
    }
}
