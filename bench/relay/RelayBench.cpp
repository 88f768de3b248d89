// A day of sale lines relayed through the whole stack (statements, rows, proxies, SOAP over HTTP)
// against the loopback test peer, compared with its floor: the same number of bare HTTP posts of
// the same request bytes, each on a new connection, plus the same SQL statements run alone.
//
// Usage: bench_relay (environment: BENCH_LINES, BENCH_ROUNDS, TARROW_TEST_DB_HOST/PORT/PASSWORD)

#include "bench/common/BenchStore.h"
#include "dataaccess/MyCommand.h"
#include "dataaccess/MyConnection.h"
#include "dataaccess/MyQuery.h"
#include "relay/Funcoes.h"
#include "relay/Sentencas.h"
#include "relay/UMain.h"
#include "service/EndpointConfig.h"
#include "tests/peers/HttpPeer.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace tarrow;
using tarrow::bench::Env;
using tarrow::bench::Run;

namespace {

using Clock = std::chrono::steady_clock;

class TJanelaMuda final : public TJanelaEnvio {
public:
    void Mensagem(const std::string&, const std::string&, TIconeMensagem) override {}
    bool Pergunta(const std::string&, const std::string&) override { return false; }
    void HabilitaEnvio(bool) override {}
    void IniciaProgresso(int, int, int) override {}
    void AvancaProgresso(const std::string&) override {}
    void DefineTitulo(const std::string&) override {}
    void SolicitaTermino() override {}
};

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

// One bare post on a new connection, as each proxy makes.
void BarePost(const std::string& url, const std::string& action, const std::string& body)
{
    CURL* curl = curl_easy_init();
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, ("SOAPAction: \"" + action + "\"").c_str());
    headers = curl_slist_append(headers, "Content-Type: text/xml; charset=\"utf-8\"");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    if (curl_easy_perform(curl) != CURLE_OK) std::fprintf(stderr, "bare post failed\n");
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Processor time of this process so far (all its threads, the in-process peer's included).
double ProcessCpu()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main()
{
    const int lines = std::stoi(Env("BENCH_LINES", "10000"));
    const int rounds = std::stoi(Env("BENCH_ROUNDS", "3"));
    const std::string host = Env("TARROW_TEST_DB_HOST", "127.0.0.2");
    const std::string password = Env("TARROW_TEST_DB_PASSWORD", "tarrow-test");
    curl_global_init(CURL_GLOBAL_DEFAULT);
    DefineHostTesteInternet("bench.invalid");

    TMyConnection connection("oConnect");
    connection.SetServer(host);
    connection.SetUsername("root");
    connection.SetPassword(password);
    connection.SetLoginPrompt(false);
    connection.Connect();
    bench::FillStore(connection, "tarrow_bench_relay", lines);
    const int sales = (lines + 3) / 4;

    test::THttpPeer peer;
    peer.SetDefaultAnswer(test::SoapResultOfRequest("0"));
    DefineEnderecoPadraoServico(peer.Url());

    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tarrow-bench-relay";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "sistema_kesto.ini") << "[ip]\r\ndatabase=tarrow_bench_relay\r\nlocal=" << host
                                             << "\r\nsenha=" << Cripto("E", password, "QXR")
                                             << "\r\n[FilialMatriz]\r\nCodLogica=1\r\n";
    std::ofstream(dir / "Tarrow.conf") << "[WebService]\r\nURL=" << peer.Url() << "\r\n";

    const TScopedClock day(EncodeDate(2024, 5, 15) + 0.5);
    TJanelaMuda janela;
    TUMain relay(TVariante::Automatico, janela, nullptr, dir.string() + "/");
    relay.FormCreate();

    if (std::getenv("BENCH_PROXY_ONLY") != nullptr) {
        // Diagnosis: proxies alone against bare posts, no database around them.
        const auto sample = peer.Requests();
        for (int round = 0; round < rounds; ++round) {
            auto start = Clock::now();
            double cpu = ProcessCpu();
            for (int i = 0; i < lines; ++i) {
                TVanSoapRef van = relay.ObtemVanSoap();
                van->inserir_vendas(1, "x", 1, 1, "15/05/2024", "15/05/2024");
            }
            std::printf("proxies %.2f s (CPU %.2f)", Seconds(Clock::now() - start), ProcessCpu() - cpu);
            start = Clock::now();
            cpu = ProcessCpu();
            for (int i = 0; i < lines; ++i) BarePost(peer.Url(), "http://tempuri.org/inserir_vendas", "<x/>");
            std::printf(", bare %.2f s (CPU %.2f)\n", Seconds(Clock::now() - start), ProcessCpu() - cpu);
        }
        return 0;
    }

    std::vector<double> full, floor;
    for (int round = 0; round < rounds; ++round) {
        Run(connection, "UPDATE movment SET lojas_leram2 = NULL");
        const std::size_t before = peer.Requests().size();
        auto start = Clock::now();
        double cpu = ProcessCpu();
        relay.EnviarVendas();
        full.push_back(Seconds(Clock::now() - start));
        const double relayCpu = ProcessCpu() - cpu;
        const auto requests = peer.Requests();
        if (requests.size() - before != static_cast<std::size_t>(lines + sales)) {
            std::fprintf(stderr, "expected %d calls, the peer received %zu\n", lines + sales, requests.size() - before);
            return 1;
        }

        // The floor: the same posts and statements, without the relay around them.
        Run(connection, "UPDATE movment SET lojas_leram2 = NULL");
        start = Clock::now();
        cpu = ProcessCpu();
        TMyQuery query("oQuery");
        query.SetConnection(&connection);
        query.SetSQL(SqlVendas(1));
        query.Open();
        TMyQuery lookup("oQuery2");
        lookup.SetConnection(&connection);
        // In the relay's order: a sale's posts (its header, then its lines), then its two statements.
        TMyCommand mark("oCommand");
        mark.SetConnection(&connection);
        std::size_t next = before;
        for (int sale = 0; sale < sales; ++sale) {
            const std::size_t end = std::min(requests.size(), next + 1 + 4);
            for (; next < end; ++next) {
                std::string action = requests[next].Header("SOAPAction").value_or("");
                BarePost(peer.Url(), action.substr(1, action.size() - 2), requests[next].Body);
            }
            mark.SetSQL(SqlMarcaEnviada(TTipoMovimento::Vendas, 1, 900000000 + sale));
            mark.Execute();
            lookup.Close();
            lookup.SetSQL(SqlBuscaPendente(TTipoMovimento::Vendas, 1, 900000000 + sale));
            lookup.Open();
        }
        query.Close();
        floor.push_back(Seconds(Clock::now() - start));
        std::printf("round %d: relay %.2f s (process CPU %.2f s), floor %.2f s (process CPU %.2f s)\n", round + 1,
                    full.back(), relayCpu, floor.back(), ProcessCpu() - cpu);
    }
    const double f = Median(full), b = Median(floor);
    std::printf("lines %d, sales %d, calls %d\n", lines, sales, lines + sales);
    std::printf("relay: %.0f lines/s (%.2f s); floor: %.0f lines/s (%.2f s); relay / floor time = %.3f (target <= 1.3)\n",
                lines / f, f, lines / b, b, f / b);

    {
        // The send lock's cost: sends of a day with nothing to relay, with and without the lock
        // around them (the clock is plain again once this scope ends; nothing runs after it).
        const TScopedClock empty(EncodeDate(2024, 5, 16) + 0.5);
        constexpr int kSends = 200;
        auto perSend = [&](auto&& send) {
            std::vector<double> times;
            for (int round = 0; round < 3; ++round) {
                const auto start = Clock::now();
                for (int i = 0; i < kSends; ++i) send();
                times.push_back(Seconds(Clock::now() - start) / kSends * 1000.0);
            }
            return Median(times);
        };
        const double locked = perSend([&] { (void)relay.Enviar(); });
        const double bare = perSend([&] {
            relay.EnviarVendas();
            relay.EnviarDevolucoes();
        });
        std::printf("send lock: %.3f ms per send (an empty send takes %.3f ms with it, %.3f ms without; "
                    "median of 3 x %d)\n",
                    locked - bare, locked, bare, kSends);
    }
    curl_global_cleanup();
    return 0;
}
