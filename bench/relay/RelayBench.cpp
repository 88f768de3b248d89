// A day of sale lines relayed by the automatic sender through the whole stack (statements, rows, a
// fresh proxy per call, SOAP over HTTP and over HTTPS) across a slow link: a loopback relay of
// ours that delays each direction and counts the connections it carries. Each send is compared in
// the same round with its floor: the same request bodies posted bare with libcurl one after another
// on one kept-alive connection over the same link, with the same statements in the relay's order.
//
// Usage: bench_relay (environment: BENCH_LINES (500), BENCH_ROUNDS (1), BENCH_DELAY_MS (20 each
// way), TARROW_TEST_DB_HOST/PASSWORD)

#include "bench/common/BenchStore.h"
#include "bench/common/JanelaMuda.h"
#include "bench/common/Median.h"
#include "bench/relay/DelayRelay.h"
#include "dataaccess/MyCommand.h"
#include "dataaccess/MyConnection.h"
#include "dataaccess/MyQuery.h"
#include "relay/Funcoes.h"
#include "relay/Sentencas.h"
#include "relay/UMain.h"
#include "service/EndpointConfig.h"
#include "tests/peers/HttpPeer.h"
#include "tests/peers/TlsPeer.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace tarrow;
using tarrow::bench::Env;
using tarrow::bench::Median;
using tarrow::bench::Run;
using tarrow::bench::TJanelaMuda;

namespace {

using Clock = std::chrono::steady_clock;

struct TCall {
    std::string Action;
    std::string Body;
};

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) { return size * count; }

// Bare libcurl posts with our headers, one after another on one handle and so on one kept-alive
// connection.
class TKeptAlivePoster {
public:
    TKeptAlivePoster(const std::string& url, const std::string& caFile) : easy_(curl_easy_init(), curl_easy_cleanup)
    {
        curl_easy_setopt(easy_.get(), CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy_.get(), CURLOPT_WRITEFUNCTION, Discard);
        curl_easy_setopt(easy_.get(), CURLOPT_NOSIGNAL, 1L);
        if (!caFile.empty()) {
            curl_easy_setopt(easy_.get(), CURLOPT_CAINFO, caFile.c_str());
            curl_easy_setopt(easy_.get(), CURLOPT_CAPATH, static_cast<const char*>(nullptr));
        }
    }

    void Post(const TCall& call)
    {
        std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr, curl_slist_free_all);
        for (const std::string& line : {"SOAPAction: \"" + call.Action + "\"",
                                        std::string("Content-Type: text/xml; charset=\"utf-8\""),
                                        std::string("Accept:"), std::string("Expect:")})
            headers.reset(curl_slist_append(headers.release(), line.c_str()));
        curl_easy_setopt(easy_.get(), CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(easy_.get(), CURLOPT_POSTFIELDS, call.Body.data());
        curl_easy_setopt(easy_.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(call.Body.size()));
        long status = 0;
        if (curl_easy_perform(easy_.get()) != CURLE_OK ||
            curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status != 200)
            throw std::runtime_error("a bare post failed");
    }

private:
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy_;
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::int64_t Count(TMyConnection& connection, const std::string& sql)
{
    TMyQuery query("oContagem");
    query.SetConnection(&connection);
    query.SetSQL(sql);
    query.Open();
    return std::stoll(query.Fields(0).AsString());
}

}  // namespace

int main()
{
    const int lines = std::stoi(Env("BENCH_LINES", "500"));
    const int rounds = std::stoi(Env("BENCH_ROUNDS", "1"));
    const std::chrono::milliseconds delay(std::stoi(Env("BENCH_DELAY_MS", "20")));
    const std::string host = Env("TARROW_TEST_DB_HOST", "127.0.0.2");
    const std::string password = Env("TARROW_TEST_DB_PASSWORD", "tarrow-test");
    curl_global_init(CURL_GLOBAL_DEFAULT);
    DefineHostTesteInternet("bench.invalid");
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        unsetenv(name);

    TMyConnection connection("oConnect");
    connection.SetServer(host);
    connection.SetUsername("root");
    connection.SetPassword(password);
    connection.SetLoginPrompt(false);
    connection.Connect();
    bench::FillStore(connection, "tarrow_bench_relay", lines);
    const int sales = (lines + 3) / 4;
    const int calls = lines + sales;

    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tarrow-bench-relay";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "tls");
    // The service over http in process; over https a peer with a certificate of a test authority
    // made now, for the address the relay listens on.
    test::THttpPeer peer;
    peer.SetDefaultAnswer(test::SoapResultOfRequest("0"));
    test::TTlsPeer tls((dir / "tls").string() + "/");
    std::ofstream(dir / "sistema_kesto.ini") << "[ip]\r\ndatabase=tarrow_bench_relay\r\nlocal=" << host
                                             << "\r\nsenha=" << Cripto("E", password, "QXR")
                                             << "\r\n[FilialMatriz]\r\nCodLogica=1\r\n";

    const TScopedClock day(EncodeDate(2024, 5, 15) + 0.5);
    TJanelaMuda janela;
    TUMain relay(TVariante::Automatico, janela, nullptr, dir.string() + "/");
    relay.FormCreate();

    const double roundTrip = 2 * std::chrono::duration<double>(delay).count();
    std::printf("lines %d, sales %d, calls %d, round trip %.0f ms: one connection needs at least (calls + 1) x "
                "round trip = %.2f s\n",
                lines, sales, calls, roundTrip * 1e3, (calls + 1) * roundTrip);
    bool met = true;
    std::vector<TCall> sent;  // the calls of the http send, posted again by every floor
    for (int round = 0; round < rounds; ++round) {
        for (const std::string scheme : {"http", "https"}) {
            const bool https = scheme == "https";
            bench::TDelayRelay link(test::PeerHost(), https ? tls.Port(test::TTlsCertificate::Valid) : peer.Port(),
                                    delay);
            const std::string url =
                scheme + "://" + test::PeerHost() + ":" + std::to_string(link.Port()) + "/parceiros/orvane/van/van.asmx";
            const std::string ca = https ? tls.CaFile() : "";
            std::ofstream(dir / "Tarrow.conf")
                << "[WebService]\r\nURL=" << url << "\r\n" << (https ? "CertificadoCA=" + ca + "\r\n" : "");

            Run(connection, "UPDATE movment SET lojas_leram2 = NULL");
            const std::size_t before = peer.Requests().size();
            auto start = Clock::now();
            relay.EnviarVendas();
            const double relayTime = Seconds(Clock::now() - start);
            const int relayConnections = link.Connections();
            const std::int64_t unsent = Count(connection, "SELECT COUNT(*) FROM movment WHERE lojas_leram2 IS NULL");
            if (unsent != 0) {
                std::fprintf(stderr, "%s: %lld lines were not relayed\n", scheme.c_str(), static_cast<long long>(unsent));
                return 1;
            }
            if (!https) {
                const auto requests = peer.Requests();
                sent.clear();
                for (std::size_t i = before; i < requests.size(); ++i) {
                    const std::string action = requests[i].Header("SOAPAction").value_or("\"\"");
                    sent.push_back({action.substr(1, action.size() - 2), requests[i].Body});
                }
            }
            if (sent.size() != static_cast<std::size_t>(calls)) {
                std::fprintf(stderr, "expected %d calls, the service received %zu\n", calls, sent.size());
                return 1;
            }

            // The floor: the same calls and statements without the relay around them.
            Run(connection, "UPDATE movment SET lojas_leram2 = NULL");
            start = Clock::now();
            {
                TKeptAlivePoster poster(url, ca);
                TMyQuery query("oQuery");
                query.SetConnection(&connection);
                query.SetSQL(SqlVendas(1));
                query.Open();
                TMyQuery lookup("oQuery2");
                lookup.SetConnection(&connection);
                TMyCommand mark("oCommand");
                mark.SetConnection(&connection);
                // In the relay's order: a sale's header and lines, then its two statements.
                std::size_t next = 0;
                for (int sale = 0; sale < sales; ++sale) {
                    for (const std::size_t end = std::min(sent.size(), next + 5); next < end; ++next)
                        poster.Post(sent[next]);
                    mark.SetSQL(SqlMarcaEnviada(TTipoMovimento::Vendas, 1, 900000000 + sale));
                    mark.Execute();
                    lookup.Close();
                    lookup.SetSQL(SqlBuscaPendente(TTipoMovimento::Vendas, 1, 900000000 + sale));
                    lookup.Open();
                }
                query.Close();
            }
            const double floorTime = Seconds(Clock::now() - start);
            const int floorConnections = link.Connections() - relayConnections;
            const double ratio = relayTime / floorTime;
            const bool roundMet = relayConnections == 1 && ratio <= 1.1;
            met = met && roundMet;
            std::printf("round %d %-5s: relay %.2f s on %d connection(s), floor %.2f s on %d, relay / floor %.3f "
                        "(target: 1 connection, <= 1.1) %s\n",
                        round + 1, scheme.c_str(), relayTime, relayConnections, floorTime, floorConnections, ratio,
                        roundMet ? "met" : "NOT MET");
        }
    }
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
    std::filesystem::remove_all(dir);
    curl_global_cleanup();
    return met ? 0 : 1;
}
