// What one sale line costs the web service client: encoding and decoding alone, and whole calls
// through a fresh proxy (Tarrow.conf read, encode, post on the kept-alive connection, decode)
// against the loopback test peer, compared in the same run with bare libcurl posts of the same
// bytes on one kept-alive connection of their own.
//
// Usage: bench_service [calls per round] [rounds]

#include "bench/common/Median.h"
#include "service/EndpointConfig.h"
#include "service/SoapDecoder.h"
#include "service/SoapEncoder.h"
#include "service/van.h"
#include "tests/peers/HttpPeer.h"

#include <curl/curl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using tarrow::bench::Median;

namespace {

using namespace tarrow;
using Clock = std::chrono::steady_clock;

std::vector<TSoapValue> SaleLine()
{
    return {234567890,
            std::string("12.345.678/0001-95"),
            3,
            1,
            std::string("05/03/2024"),
            std::string("7891234567895"),
            2,
            std::string("12.50"),
            std::string("18"),
            std::string("7"),
            std::string("N"),
            std::string("Genérico"),
            std::string("A"),
            std::string("12"),
            std::string("V")};
}

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double ThreadCpu()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

// Bare libcurl posts with our headers and bytes, one after another on one handle, so on one
// kept-alive connection.
class TBarePoster {
public:
    TBarePoster(const std::string& url, const std::string& request, curl_slist* headers)
        : easy_(curl_easy_init(), curl_easy_cleanup)
    {
        curl_easy_setopt(easy_.get(), CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy_.get(), CURLOPT_POSTFIELDS, request.data());
        curl_easy_setopt(easy_.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.size()));
        curl_easy_setopt(easy_.get(), CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(easy_.get(), CURLOPT_WRITEFUNCTION, Collect);
        curl_easy_setopt(easy_.get(), CURLOPT_WRITEDATA, &body_);
        curl_easy_setopt(easy_.get(), CURLOPT_NOSIGNAL, 1L);
    }

    void Post()
    {
        body_.clear();
        if (curl_easy_perform(easy_.get()) != CURLE_OK || body_.empty()) throw std::runtime_error("bare post failed");
    }

private:
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy_;
    std::string body_;
};

// The test peer in a child process: it reports its port, serves until the parent is done, then
// reports how many connections it accepted.
class TPeerProcess {
public:
    explicit TPeerProcess(const test::TPeerAnswer& answer)
    {
        int report[2], done[2];
        if (pipe(report) != 0 || pipe(done) != 0) throw std::runtime_error("pipe failed");
        pid_ = fork();
        if (pid_ < 0) throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            close(report[0]);
            close(done[1]);
            int connections = 0;
            {
                test::THttpPeer peer;
                peer.SetDefaultAnswer(answer);
                const std::string port = std::to_string(peer.Port()) + "\n";
                (void)!write(report[1], port.data(), port.size());
                char c;
                while (read(done[0], &c, 1) > 0) {
                }
                connections = peer.Connections();
            }
            const std::string count = std::to_string(connections) + "\n";
            (void)!write(report[1], count.data(), count.size());
            _exit(0);
        }
        close(report[1]);
        close(done[0]);
        report_ = report[0];
        done_ = done[1];
        url_ = "http://" + test::PeerHost() + ":" + std::to_string(ReadNumber()) + "/parceiros/orvane/van/van.asmx";
    }
    ~TPeerProcess() { Stop(); }
    TPeerProcess(const TPeerProcess&) = delete;
    TPeerProcess& operator=(const TPeerProcess&) = delete;

    const std::string& Url() const { return url_; }

    // Ends the peer and gives the number of connections it accepted.
    int Stop()
    {
        if (pid_ <= 0) return 0;
        close(done_);
        const int connections = ReadNumber();
        waitpid(pid_, nullptr, 0);
        close(report_);
        pid_ = -1;
        return connections;
    }

private:
    int ReadNumber()
    {
        std::string line;
        char c;
        while (read(report_, &c, 1) == 1 && c != '\n') line += c;
        return std::atoi(line.c_str());
    }

    pid_t pid_ = -1;
    int report_ = -1;
    int done_ = -1;
    std::string url_;
};

}  // namespace

int main(int argc, char** argv)
{
    const int calls = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const test::TPeerAnswer answer = test::SoapResult("inserir_vendas_itens_V3", "0");
    // The peer runs in a process of its own, as the service would, so that its threads do not take
    // turns with ours inside one process; it is forked before this process starts anything.
    TPeerProcess peer(answer);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    RegistraVanSoapDocumento();
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(name);

    const TSoapOperation& op = VanOperation(TVanOperation::inserir_vendas_itens_V3);
    const std::vector<TSoapValue> args = SaleLine();

    // 1. Encode + decode, no network.
    {
        const int n = 20000;
        std::vector<double> perCall;
        for (int r = 0; r < 5; ++r) {
            const auto start = Clock::now();
            std::size_t sink = 0;
            for (int i = 0; i < n; ++i) {
                sink += EncodeSoapRequest(op, args, ServiceNamespace).size();
                sink += static_cast<std::size_t>(DecodeIntResponse(answer.Body));
            }
            perCall.push_back(Seconds(Clock::now() - start) / n * 1e6);
            if (sink == 0) std::puts("");
        }
        std::printf("encode + decode of one inserir_vendas_itens_V3: %.1f us (median of 5 x %d)\n",
                    Median(perCall), n);
    }

    // 2. Whole calls against the loopback peer.
    const auto dir = std::filesystem::temp_directory_path() / ("tarrow-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    TOpcoesVanSoap opcoes = OpcoesVanSoapAutomatico();
    opcoes.ArquivoConf = (dir / "Tarrow.conf").string();
    DefineEnderecoPadraoServico(peer.Url());

    const std::string request = EncodeSoapRequest(op, args, ServiceNamespace);
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr, curl_slist_free_all);
    for (const char* line : {"SOAPAction: \"http://tempuri.org/inserir_vendas_itens_V3\"",
                             "Content-Type: text/xml; charset=\"utf-8\"", "Accept:", "Expect:"})
        headers.reset(curl_slist_append(headers.release(), line));

    // The two sides take turns call by call, so that a machine busy with something else slows
    // both alike; each round adds up the time of its own calls.
    // The processor time of this thread per call shows what each side costs whatever the load.
    std::vector<double> ours, bare, oursCpu, bareCpu;
    TBarePoster poster(peer.Url(), request, headers.get());
    for (int r = 0; r < rounds; ++r) {
        Clock::duration oursTime{}, bareTime{};
        double oursThread = 0, bareThread = 0;
        for (int i = 0; i < calls; ++i) {
            const double cpuStart = ThreadCpu();
            auto start = Clock::now();
            {
                TVanSoapRef van = ObtemVanSoap(opcoes);
                if (van->inserir_vendas_itens_V3(234567890, "12.345.678/0001-95", 3, 1, "05/03/2024", "7891234567895",
                                                 2, "12.50", "18", "7", "N", "Genérico", "A", "12", "V") != 0)
                    throw std::runtime_error("refused");
            }
            auto middle = Clock::now();
            const double cpuMiddle = ThreadCpu();
            poster.Post();
            bareTime += Clock::now() - middle;
            bareThread += ThreadCpu() - cpuMiddle;
            oursTime += middle - start;
            oursThread += cpuMiddle - cpuStart;
        }
        ours.push_back(calls / Seconds(oursTime));
        bare.push_back(calls / Seconds(bareTime));
        oursCpu.push_back(oursThread / calls * 1e6);
        bareCpu.push_back(bareThread / calls * 1e6);
        std::printf("round %d: proxies %.0f calls/s (%.0f us CPU each), bare libcurl %.0f posts/s (%.0f us), ratio %.2f\n",
                    r + 1, ours.back(), oursCpu.back(), bare.back(), bareCpu.back(), ours.back() / bare.back());
    }
    std::printf("median of %d rounds x %d: proxies %.0f calls/s (%.0f us CPU each), bare libcurl %.0f posts/s "
                "(%.0f us), ratio %.2f\n",
                rounds, calls, Median(ours), Median(oursCpu), Median(bare), Median(bareCpu),
                Median(ours) / Median(bare));
    // One kept-alive connection for all the proxies, one for the bare posts.
    if (const int connections = peer.Stop(); connections != 2)
        throw std::runtime_error(std::to_string(connections) + " connections instead of 2");

    std::filesystem::remove_all(dir);
    curl_global_cleanup();
    return 0;
}
