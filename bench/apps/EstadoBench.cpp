// tarrow-send --estado on a busy store: today BENCH_SALES sales of four lines still to relay, the
// BENCH_DAYS - 1 days before with as many sales each already relayed, and open registrations. Times,
// BENCH_ROUNDS times each: the program started as a monitoring agent starts it (process, settings,
// login, statements, its line), the check in process (settings, login, statements), and the
// statements alone on an open connection. Prints medians and maxima, and checks the figures.
//
// Usage: bench_estado (environment: BENCH_SALES (5000), BENCH_DAYS (7), BENCH_ROUNDS (20),
// TARROW_TEST_DB_HOST/PASSWORD)

#include "apps/tarrow-send/Estado.h"
#include "bench/common/BenchStore.h"
#include "bench/common/JanelaMuda.h"
#include "bench/common/Median.h"
#include "platform/DateTime.h"
#include "relay/Funcoes.h"
#include "relay/Sentencas.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace tarrow;
using tarrow::bench::Env;
using tarrow::bench::Median;
using tarrow::bench::Run;
using tarrow::bench::TJanelaMuda;

namespace {

using Clock = std::chrono::steady_clock;

struct TTempos {
    std::vector<double> Ms;
    double Mediana() const { return Median(Ms); }
    double Maximo() const { return *std::max_element(Ms.begin(), Ms.end()); }
};

template <typename F> double Cronometra(F&& f)
{
    const auto inicio = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - inicio).count();
}

} // namespace

int main()
{
    const int vendas = std::stoi(Env("BENCH_SALES", "5000"));
    const int dias = std::stoi(Env("BENCH_DAYS", "7"));
    const int rodadas = std::stoi(Env("BENCH_ROUNDS", "20"));
    const std::string host = Env("TARROW_TEST_DB_HOST", "127.0.0.2");
    const std::string password = Env("TARROW_TEST_DB_PASSWORD", "tarrow-test");
    const std::string banco = "tarrow_bench_estado";

    TMyConnection connection("oConnect");
    connection.SetServer(host);
    connection.SetUsername("root");
    connection.SetPassword(password);
    connection.SetLoginPrompt(false);
    connection.Connect();
    // One sale's four lines a day, release numbers by day; today's sales spread over the hour
    // before now and none relayed, the earlier days' all relayed.
    bench::FillStore(connection, banco, 4);
    Run(connection, "DELETE FROM movment");
    const int linhas = vendas * 4;
    Run(connection,
        "INSERT INTO movment (numlanc, filial_id, num_caixa, num_ecf, data_hora, produto_id, quanti_uni,"
        " preco_unit, usuario_id, oper, cancelado, entrega, lojas_leram2) "
        "SELECT 100000000 * (1 + d.seq) + l.seq DIV 4, 1, 1 + l.seq % 5, 100000 + l.seq DIV 4,"
        " NOW() - INTERVAL d.seq DAY - INTERVAL (l.seq DIV 4) * 3600 DIV " +
            std::to_string(vendas) +
            " SECOND, 1 + l.seq % 5000, 1 + l.seq % 3, 1.99, 10 + l.seq % 7, 2, 'N', 'N',"
            " IF(d.seq = 0, NULL, 'V') "
            "FROM seq_0_to_" +
            std::to_string(dias - 1) + " d, seq_0_to_" + std::to_string(linhas - 1) + " l");
    // Registrations: sales of the earlier days given up and sent later, and 20 of today's open.
    Run(connection, "INSERT INTO van_pendentes (filial_id, numlanc, devolucao, enviado) "
                    "SELECT 1, 200000000 + seq, 'N', 'S' FROM seq_0_to_499");
    Run(connection, "INSERT INTO van_pendentes (filial_id, numlanc, devolucao, enviado) "
                    "SELECT 1, 100000000 + seq, 'N', 'N' FROM seq_0_to_19");

    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tarrow-bench-estado";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "sistema_kesto.ini")
        << "[ip]\r\ndatabase=" << banco << "\r\nlocal=" << host
        << "\r\nsenha=" << Cripto("E", password, "QXR") << "\r\n[FilialMatriz]\r\nCodLogica=1\r\n";
    std::printf(
        "store: %d sales (%d lines) today to relay, %d days of %d sales before, relayed; %d lines in all\n",
        vendas, linhas, dias - 1, vendas, linhas * dias);

    TOpcoesEnvio opcoes;
    opcoes.Estado = true;
    opcoes.Diretorio = dir.string() + "/";
    const std::string esperado = "pendentes=" + std::to_string(vendas) + " devolucoes=0 registradas=20 ";
    std::string linha;
    TTempos programa, processo, sentencas;
    const std::string comando = std::string(TARROW_SEND_PATH) + " --estado --dir " + opcoes.Diretorio +
                                " > " + (dir / "linha").string();
    for (int rodada = 0; rodada < rodadas; ++rodada) {
        int status = 0;
        programa.Ms.push_back(Cronometra([&] { status = std::system(comando.c_str()); }));
        std::ostringstream saida;
        processo.Ms.push_back(Cronometra([&] { ExecutaEstado(opcoes, saida); }));
        linha = saida.str();
        if (linha.find(esperado) == std::string::npos || status == -1) {
            std::fprintf(stderr, "unexpected figures: %s", linha.c_str());
            return 1;
        }
    }
    {
        TJanelaMuda janela;
        TUMain logica(TVariante::Automatico, janela, nullptr, opcoes.Diretorio);
        logica.oConnect.SetServer(host);
        logica.oConnect.SetDatabase(banco);
        logica.oConnect.SetPassword(password);
        logica.CodLogica = 1;
        logica.oConnect.Connect();
        for (int rodada = 0; rodada < rodadas; ++rodada)
            sentencas.Ms.push_back(Cronometra([&] { LeFigurasEstado(logica, Now()); }));
        // Where the time goes: each statement once.
        const TDateTime hoje = Date();
        const std::pair<const char*, std::string> cada[] = {
            {"sales count", SqlContaSelecao(TTipoMovimento::Vendas, 1)},
            {"returns count", SqlContaSelecao(TTipoMovimento::Devolucoes, 1)},
            {"registrations", SqlContaRegistradas(1)},
            {"oldest", SqlMaisAntiga(1, hoje - (kDiasAtraso - 1), hoje)},
            {"lock holder", SqlDonoTrava(logica.NomeTrava())},
        };
        for (const auto& [nome, sql] : cada) {
            const double ms = Cronometra([&] {
                logica.oQuery2.Close();
                logica.oQuery2.SetSQL(sql);
                logica.oQuery2.Open();
                logica.oQuery2.Close();
            });
            std::printf("  %-14s %.1f ms\n", nome, ms);
        }
    }
    std::ifstream arquivo(dir / "linha");
    std::string linhaPrograma;
    std::getline(arquivo, linhaPrograma);
    std::printf("line: %s", linha.c_str());
    std::printf("program's line: %s\n", linhaPrograma.c_str());
    std::printf(
        "rounds %d: program %.1f ms (max %.1f), check in process %.1f ms (max %.1f), statements alone "
        "%.1f ms (max %.1f)\n",
        rodadas, programa.Mediana(), programa.Maximo(), processo.Mediana(), processo.Maximo(),
        sentencas.Mediana(), sentencas.Maximo());
    Run(connection, "DROP DATABASE " + banco);
    std::filesystem::remove_all(dir);
    return 0;
}
