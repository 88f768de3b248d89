// tarrow-send end to end: the program file run in a child process with its real exit status and
// output, the store on the test server and the web service on the scripted peer.
#include "apps/tarrow-send/EnvioSemJanela.h"
#include "apps/tarrow-send/Opcoes.h"
#include "relay/Funcoes.h"
#include "tests/apps/ProgramaFilho.h"
#include "tests/relay/Ambiente.h"
#include "tests/relay/RelayHarness.h"
#ifdef _WIN32
#include "tests/support/DllsPlantadas.h"
#endif
#include "tests/support/Wine.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tarrow::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

struct TExecucao {
    int Status = -1;
    std::string Saida;
    std::string Erros;
};

// The program started with stdout and stderr captured (neither is a terminal).
struct TProcesso {
    std::unique_ptr<TTempDir> Capturas = std::make_unique<TTempDir>();
    std::unique_ptr<TProgramaFilho> Programa;
};

TProcesso Inicia(const std::vector<std::string>& argumentos, const std::string& programa = TARROW_SEND_PATH)
{
    TProcesso processo;
    processo.Programa = std::make_unique<TProgramaFilho>(programa, argumentos,
                                                         processo.Capturas->Path() + "saida",
                                                         processo.Capturas->Path() + "erros");
    if (!processo.Programa->Iniciado()) ADD_FAILURE() << "cannot start " << programa;
    return processo;
}

// Windows' text mode ends each line the program writes with CR LF, Linux's with LF alone: the
// text compared is the one without the CRs, once every line end is checked.
std::string SemCr(const std::string& texto)
{
    std::string sem;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        if (texto[i] == '\n') {
#ifdef _WIN32
            EXPECT_TRUE(i > 0 && texto[i - 1] == '\r') << "a line end without CR: " << texto;
#else
            EXPECT_FALSE(i > 0 && texto[i - 1] == '\r') << "a CR before a line end: " << texto;
#endif
        }
        if (texto[i] == '\r' && i + 1 < texto.size() && texto[i + 1] == '\n') continue;
        sem += texto[i];
    }
    return sem;
}

TExecucao Espera(TProcesso& processo)
{
    TExecucao execucao;
    execucao.Status = processo.Programa->Espera();
    execucao.Saida = SemCr(processo.Capturas->Read("saida"));
    execucao.Erros = SemCr(processo.Capturas->Read("erros"));
    return execucao;
}

// The log's lines, each checked to be whole: the time, the run's process number, a text.
std::vector<std::string> LinhasDoLog(const std::string& bytes)
{
    static const std::regex kLinha(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[\d+\] \S.*)");
    std::vector<std::string> linhas;
    std::istringstream texto(SemCr(bytes));
    for (std::string linha; std::getline(texto, linha);) {
        EXPECT_TRUE(std::regex_match(linha, kLinha)) << "not a whole line: " << linha;
        linhas.push_back(linha.substr(linha.find("] ") + 2));
    }
    return linhas;
}

std::size_t Quantas(const std::vector<std::string>& linhas, const std::string& comeco)
{
    return static_cast<std::size_t>(
        std::count_if(linhas.begin(), linhas.end(), [&](const std::string& l) { return l.starts_with(comeco); }));
}

// Runs the program to its end.
TExecucao Executa(const std::vector<std::string>& argumentos, const std::string& programa = TARROW_SEND_PATH)
{
    TProcesso processo = Inicia(argumentos, programa);
    return Espera(processo);
}

// Each call the peer received, "operation registro/item", at most once.
std::vector<std::string> Repetidas(const THttpPeer& peer)
{
    std::set<std::string> vistas;
    std::vector<std::string> repetidas;
    for (const std::string& chamada : Resumo(peer))
        if (!vistas.insert(chamada).second) repetidas.push_back(chamada);
    return repetidas;
}

#ifdef _WIN32
// The session's end as Windows tells it to the program's hidden window: the question, which must
// be answered within the system's seconds and, with a sale in hand, refused; then the end itself,
// which returns once the send has stopped. The calls the peer had at that moment, or nothing when
// the program made no window.
std::optional<std::size_t> PedeFimDeSessao(const TProgramaFilho& programa, const THttpPeer& peer)
{
    HWND janela = nullptr;
    for (int i = 0; i < 200 && janela == nullptr; ++i) {
        for (HWND h = FindWindowExW(nullptr, nullptr, L"TarrowSessionEnd", nullptr); h != nullptr;
             h = FindWindowExW(nullptr, h, L"TarrowSessionEnd", nullptr)) {
            DWORD dono = 0;
            GetWindowThreadProcessId(h, &dono);
            if (dono == programa.Id()) janela = h;
        }
        if (janela == nullptr) Sleep(10);
    }
    if (janela == nullptr) return std::nullopt;
    DWORD_PTR resposta = TRUE;
    const ULONGLONG antes = GetTickCount64();
    EXPECT_NE(SendMessageTimeoutW(janela, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000, &resposta), 0);
    EXPECT_LT(GetTickCount64() - antes, 1000u) << "answered at once";
    EXPECT_EQ(resposta, static_cast<DWORD_PTR>(FALSE)) << "a sale is in hand";
    SendMessageTimeoutW(janela, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &resposta);
    return Resumo(peer).size();
}
#endif

const char* const kCadastro = R"(
INSERT INTO filial VALUES (12, 'Loja Centro', '11222333000181');
INSERT INTO totalfisc VALUES ('T18', 18.00, 'N');
INSERT INTO produto VALUES (1, 'Dipirona sódica', '7891234567895', 4, 'ABC', 'T18'),
                           (2, 'Soro fisiológico', '7890000000024', 7, 'C', 'T18');
INSERT INTO estoque_minimo VALUES (12, 1, 40), (12, 2, 5);
)";

std::string Linha(std::int64_t numlanc, int produto, const char* quantidade, const std::string& quando)
{
    return "INSERT INTO movment (numlanc, filial_id, num_caixa, num_ecf, data_hora, produto_id, quanti_uni, preco_unit,"
           " usuario_id, oper, cancelado, entrega) VALUES (" +
           std::to_string(numlanc) + ", 12, 3, 5000, '" + quando + "', " + std::to_string(produto) + ", " + quantidade +
           ", 7.50, 21, 2, " + (std::string(quantidade).starts_with("-") ? "'S'" : "'N'") + ", 'N')";
}

class TarrowSend : public ::testing::Test {
protected:
    explicit TarrowSend(const std::string& pasta = {}) : loja_(pasta)
    {
        // The start-up's connectivity check stays on this machine.
        DefineAmbiente("TARROW_INTERNET_HOST", "127.0.0.1");
        loja_.Sql(kCadastro);
    }

    TExecucao Envia(std::vector<std::string> argumentos)
    {
        argumentos.insert(argumentos.end(), {"--dir", loja_.Diretorio.Path()});
        return Executa(argumentos);
    }
    std::string Marcas(std::int64_t numlanc)
    {
        return loja_.Sql("SELECT coalesce(lojas_leram2, '-') FROM movment WHERE numlanc = " + std::to_string(numlanc) +
                         " ORDER BY movment_id");
    }
    // The store's send lock, as the program names it.
    std::string NomeTrava()
    {
        TJanelaGravadora muda;
        TUMain nome(TVariante::Automatico, muda, nullptr, loja_.Diretorio.Path());
        nome.oConnect.SetDatabase(loja_.Banco.Name());
        nome.CodLogica = 12;
        return nome.NomeTrava();
    }
    void ServicoFora()
    {
        loja_.EscreveConf("http://" + PeerHost() + ":" + std::to_string(ClosedPort()) + "/van.asmx");
    }

    const std::string hoje_ = FormatDateTime("yyyy-mm-dd", Date());
    TLoja loja_;
};

TEST_F(TarrowSend, WithoutOptionsSendsTheDaysSalesThenReturnsLikeOneTick)
{
    loja_.Sql(Linha(700, 1, "2", hoje_ + " 09:00:00") + ";" + Linha(700, 2, "1", hoje_ + " 09:00:00") + ";" +
              Linha(701, 1, "1", hoje_ + " 10:00:00") + ";" + Linha(701, 1, "-1", hoje_ + " 10:05:00") + ";" +
              Linha(690, 1, "1", "2020-01-02 10:00:00"));
    const TExecucao r = Envia({});
    EXPECT_EQ(r.Status, 0) << r.Erros;
    EXPECT_THAT(r.Saida, HasSubstr("Envio concluído."));
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 700", "item 700/1 V", "item 700/2 V", "venda 701",
                                                "item 701/1 V", "venda 701", "item 701/1 D"));
    EXPECT_EQ(Marcas(700), "V\nV\n");
    EXPECT_EQ(Marcas(690), "-\n") << "another day is not the tick's";
    EXPECT_THAT(loja_.ListasPendentes(), IsEmpty());

    // A second run finds nothing left.
    EXPECT_EQ(Envia({}).Status, 0);
    EXPECT_EQ(Resumo(loja_.Peer).size(), 7u);
}

// The store's folder named with accents and a character no ANSI code page has.
class TarrowSendNaPastaDaLoja : public TarrowSend {
protected:
    TarrowSendNaPastaDaLoja() : TarrowSend("Loja São João ✓") {}
};

TEST_F(TarrowSendNaPastaDaLoja, ItsProgramSettingsListsAndArgumentsKeepTheFolderName)
{
    loja_.Sql(Linha(760, 1, "1", hoje_ + " 10:00:00") + ";" + Linha(761, 1, "1", hoje_ + " 11:00:00"));
    loja_.Peer.Answer(SoapResultOfRequest("0"));
    loja_.Peer.Answer(SoapResultOfRequest("0"));
    Recusa(loja_.Peer, 4);
    // The program in the folder, as a store installs it, finds its files beside itself.
    const std::string origem = TARROW_SEND_PATH;
    std::string programa = loja_.Diretorio.Path() + origem.substr(origem.find_last_of('/') + 1);
    std::filesystem::copy_file(Utf8Path(origem.starts_with("/") && RunsUnderWine() ? "Z:" + origem : origem),
                               Utf8Path(programa));
    const TExecucao r = Executa({}, programa);
    EXPECT_EQ(r.Status, 1) << r.Erros;
    EXPECT_EQ(Marcas(760), "V\n");
    ASSERT_EQ(loja_.ListasPendentes().size(), 1u);
    EXPECT_EQ(loja_.ListasPendentes()[0].second, "Num. Lanc.: 761\r\n");
    // The list's name as printed opens the list.
    const std::string aviso = "Vendas não enviadas listadas em ";
    const auto inicio = r.Erros.find(aviso);
    ASSERT_NE(inicio, std::string::npos) << r.Erros;
    const std::size_t nome = inicio + aviso.size();
    const std::string lista = r.Erros.substr(nome, r.Erros.find('\n', nome) - nome);
    EXPECT_THAT(lista, HasSubstr("Loja São João ✓"));
    EXPECT_TRUE(std::filesystem::exists(Utf8Path(lista))) << lista;

    // The folder named on the command line.
    const TExecucao outra = Envia({"--numlanc", "761"});
    EXPECT_EQ(outra.Status, 0) << outra.Erros;
    EXPECT_EQ(Marcas(761), "V\n");
}

TEST_F(TarrowSend, EachManualOptionSendsWhatTheManualSenderWould)
{
    loja_.Sql(Linha(710, 1, "1", "2026-03-01 10:00:00") + ";" + Linha(711, 1, "1", "2026-03-02 10:00:00") + ";" +
              Linha(712, 1, "1", "2026-03-03 10:00:00") + ";" + Linha(713, 2, "1", "2026-03-05 10:00:00") + ";" +
              Linha(714, 2, "1", "2026-03-06 10:00:00"));
    loja_.Sql("INSERT INTO van_pendentes (filial_id, numlanc, devolucao, enviado) VALUES (12, 714, 'N', 'N')");

    TExecucao r = Envia({"--numlanc", "712"});
    EXPECT_EQ(r.Status, 0) << r.Erros;
    EXPECT_THAT(r.Saida, HasSubstr("Enviando vendas (1 de 1)\n"));
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 712", "item 712/1 V"));

    r = Envia({"--day", "2026-03-01"});
    EXPECT_EQ(r.Status, 0) << r.Erros;
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 712", "item 712/1 V", "venda 710", "item 710/1 V"));

    r = Envia({"--count", "--period", "2026-03-01", "2026-03-05"});
    EXPECT_EQ(r.Status, 0) << r.Erros;
    EXPECT_EQ(r.Saida, "Existe(m) 2 venda(s) e 0 devolução(ões) pendente(s) a enviar.\n");
    EXPECT_EQ(Resumo(loja_.Peer).size(), 4u) << "counting sends nothing";

    r = Envia({"--period", "2026-03-01", "2026-03-05"});
    EXPECT_EQ(r.Status, 0) << r.Erros;
    EXPECT_THAT(r.Saida, HasSubstr("Enviando vendas (1 de 2)\nEnviando vendas (2 de 2)\n"));
    EXPECT_EQ(Marcas(711), "V\n");
    EXPECT_EQ(Marcas(713), "V\n");
    EXPECT_EQ(Marcas(714), "-\n");

    r = Envia({"--count", "--pending"});
    EXPECT_EQ(r.Saida, "Existe(m) 1 venda(s) e 0 devolução(ões) pendente(s) a enviar.\n");
    r = Envia({"--pending"});
    EXPECT_EQ(r.Status, 0) << r.Erros;
    EXPECT_EQ(Marcas(714), "V\n");
    EXPECT_EQ(loja_.Sql("SELECT enviado FROM van_pendentes"), "S\n");
}

TEST_F(TarrowSend, GivenUpSalesAreListedAndExitWithOne)
{
    loja_.Sql(Linha(720, 1, "1", hoje_ + " 10:00:00") + ";" + Linha(721, 1, "1", hoje_ + " 11:00:00"));
    loja_.Peer.Answer(SoapResultOfRequest("0"));
    loja_.Peer.Answer(SoapResultOfRequest("0"));
    Recusa(loja_.Peer, 4);
    const TExecucao r = Envia({"--log", loja_.Diretorio.Path() + "envio.log"});
    EXPECT_EQ(r.Status, 1) << r.Erros;
    EXPECT_THAT(LinhasDoLog(loja_.Diretorio.Read("envio.log")),
                ::testing::IsSupersetOf({"Venda 720 enviada.", "Venda 721 não enviada: registrada como pendente.",
                                         "Fim: saída 1 (vendas não enviadas, listadas acima)."}));
    const auto listas = loja_.ListasPendentes();
    ASSERT_EQ(listas.size(), 1u);
    EXPECT_EQ(listas[0].second, "Num. Lanc.: 721\r\n");
    EXPECT_THAT(r.Erros, HasSubstr("Vendas não enviadas listadas em " + loja_.Diretorio.Path() + listas[0].first));
    EXPECT_EQ(loja_.Sql("SELECT numlanc, devolucao FROM van_pendentes"), "721\tN\n");

    // The list of an earlier send is not this one's.
    const TExecucao outra = Envia({"--numlanc", "720"});
    EXPECT_EQ(outra.Status, 0) << outra.Erros;
    EXPECT_THAT(outra.Erros, Not(HasSubstr("VendasPendentes")));
}

TEST_F(TarrowSend, UnreachableServiceEndsTheAutomaticSendAndGivesUpInTheManualOne)
{
    loja_.Sql(Linha(730, 1, "1", hoje_ + " 10:00:00"));
    ServicoFora();

    const TExecucao automatico = Envia({"--log", loja_.Diretorio.Path() + "envio.log"});
    EXPECT_EQ(automatico.Status, 2);
    EXPECT_THAT(LinhasDoLog(loja_.Diretorio.Read("envio.log")),
                ::testing::Contains("Venda 730 interrompida pelo erro que encerrou o envio; fica para o próximo envio."));
    EXPECT_THAT(automatico.Erros, HasSubstr("Erro: "));
    EXPECT_THAT(automatico.Saida, Not(HasSubstr("Envio concluído.")));
    EXPECT_EQ(loja_.Sql("SELECT COUNT(*) FROM van_pendentes"), "0\n") << "nothing registered for the sale in hand";
    EXPECT_THAT(loja_.ListasPendentes(), IsEmpty());

    const TExecucao manual = Envia({"--day", hoje_});
    EXPECT_EQ(manual.Status, 1) << manual.Erros;
    EXPECT_EQ(loja_.Sql("SELECT numlanc FROM van_pendentes"), "730\n");
    ASSERT_EQ(loja_.ListasPendentes().size(), 1u);
    EXPECT_THAT(manual.Erros, HasSubstr(loja_.ListasPendentes()[0].first));
    EXPECT_EQ(Marcas(730), "-\n");
}

TEST_F(TarrowSend, SettingsAndDatabaseFailuresEndWithTwoAndSayWhy)
{
    // A refused login: the start-up's box, on stderr.
    loja_.EscreveIni(Cripto("E", "senha-errada", "QXR"));
    TExecucao r = Envia({});
    EXPECT_EQ(r.Status, 2);
    EXPECT_THAT(r.Erros, HasSubstr("Erro: Não foi possível conectar no banco de dados.\nErro original: "));

    // A password that does not decipher.
    loja_.EscreveIni("ZZ");
    r = Envia({"--count"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_THAT(r.Erros, HasSubstr("Erro: "));

    // A branch that is no number: branch 0, with a warning; the count still runs.
    loja_.EscreveIni();
    loja_.Diretorio.Write("sistema_kesto.ini",
                          std::regex_replace(loja_.Diretorio.Read("sistema_kesto.ini"), std::regex("CodLogica=12"),
                                             "CodLogica=doze"));
    r = Envia({"--count"});
    EXPECT_EQ(r.Status, 0) << r.Erros;
    EXPECT_THAT(r.Erros, HasSubstr("Aviso: CodLogica em [FilialMatriz]"));
    EXPECT_THAT(r.Erros, HasSubstr("\"doze\"); vale a filial 0."));

    // No sistema_kesto.ini at all.
    std::remove((loja_.Diretorio.Path() + "sistema_kesto.ini").c_str());
    r = Envia({});
    EXPECT_EQ(r.Status, 2);
    EXPECT_THAT(r.Erros, HasSubstr("Aviso: " + loja_.Diretorio.Path() + "sistema_kesto.ini não existe"));
    EXPECT_THAT(r.Erros, HasSubstr("Erro: "));
    EXPECT_TRUE(loja_.Peer.Requests().empty());

    r = Executa({"--dir", loja_.Diretorio.Path() + "nao-existe"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_THAT(r.Erros, HasSubstr("não existe"));
}

TEST_F(TarrowSend, TwoSendersOnOneDatabaseSendEachSaleOnce)
{
    std::string linhas;
    for (int numlanc = 740; numlanc < 780; ++numlanc)
        linhas += Linha(numlanc, 1, "1", hoje_ + " 10:00:00") + ";" + Linha(numlanc, 2, "1", hoje_ + " 10:00:00") + ";";
    loja_.Sql(linhas.substr(0, linhas.size() - 1));
    TPeerAnswer lenta = SoapResultOfRequest("0");
    lenta.Delay = std::chrono::milliseconds(2);
    loja_.Peer.SetDefaultAnswer(lenta);
    // Another folder with the same settings: the lock is the store's, not a folder's.
    TTempDir outra;
    outra.Write("sistema_kesto.ini", loja_.Diretorio.Read("sistema_kesto.ini"));
    outra.Write("Tarrow.conf", loja_.Diretorio.Read("Tarrow.conf"));

    // Both runs append to one log.
    const std::string log = loja_.Diretorio.Path() + "envio.log";
    TProcesso primeiro = Inicia({"--dir", loja_.Diretorio.Path(), "--log", log});
    TProcesso segundo = Inicia({"--dir", outra.Path(), "--log", log});
    const TExecucao a = Espera(primeiro), b = Espera(segundo);
    EXPECT_THAT(Repetidas(loja_.Peer), IsEmpty());
    EXPECT_EQ(Resumo(loja_.Peer).size(), 120u);
    const TExecucao& parado = a.Status == 2 ? a : b;
    EXPECT_EQ(std::min(a.Status, b.Status), 0) << a.Erros << b.Erros;
    if (parado.Status == 2) {
        EXPECT_THAT(parado.Erros, HasSubstr(kOutroEnvio));
    }
    std::vector<std::string> doLog = LinhasDoLog(loja_.Diretorio.Read("envio.log"));
    EXPECT_EQ(Quantas(doLog, "Início: tarrow-send "), 2u);
    EXPECT_EQ(Quantas(doLog, "Início: tarrow-send " + VersaoArquivo(TARROW_SEND_PATH) + "; opções: --dir "), 2u);
    for (int numlanc = 740; numlanc < 780; ++numlanc)
        EXPECT_EQ(Quantas(doLog, "Venda " + std::to_string(numlanc) + " enviada."), 1u) << numlanc;
    EXPECT_EQ(Quantas(doLog, "Fim: saída " + std::to_string(a.Status) + " ("), a.Status == b.Status ? 2u : 1u);
    EXPECT_EQ(Quantas(doLog, "Fim: saída 0 (tudo enviado)."), a.Status == b.Status ? 2u : 1u);

    // Held by a sender of another program: status 2 and the message; back once its holder is gone.
    loja_.Sql(Linha(780, 1, "1", hoje_ + " 11:00:00"));
    TTravaAlheia outro(loja_, NomeTrava());
    ASSERT_EQ(outro.Toma(), 1);
    const TExecucao ocupado = Envia({"--log", log});
    EXPECT_EQ(ocupado.Status, 2);
    EXPECT_THAT(ocupado.Erros, HasSubstr("Erro: " + std::string(kOutroEnvio)));
    doLog = LinhasDoLog(loja_.Diretorio.Read("envio.log"));
    EXPECT_EQ(doLog.back(), "Fim: saída 2 (Erro: " + std::string(kOutroEnvio) + ").");
    EXPECT_EQ(Envia({"--count"}).Status, 0) << "counting takes no lock";
    outro.Solta();
    EXPECT_EQ(Envia({}).Status, 0);
    EXPECT_EQ(Marcas(780), "V\n");
}

TEST_F(TarrowSend, AFullLogIsRotatedByTheRunThatHoldsTheLockAndFiveFilesAreKept)
{
    loja_.Sql(Linha(790, 1, "1", hoje_ + " 10:00:00"));
    const std::string log = loja_.Diretorio.Path() + "envio.log";
    loja_.Diretorio.Write("envio.log", std::string(1024 * 1024, 'x') + "\n");
    for (int n = 1; n <= 4; ++n) loja_.Diretorio.Write("envio.log." + std::to_string(n), std::to_string(n) + "\n");

    // A run the lock refuses appends to the full file and leaves the older ones as they are.
    TTravaAlheia outro(loja_, NomeTrava());
    ASSERT_EQ(outro.Toma(), 1);
    EXPECT_EQ(Envia({"--log", log}).Status, 2);
    EXPECT_TRUE(loja_.Diretorio.Read("envio.log.1") == "1\n") << "the refused run rotated";
    outro.Solta();

    EXPECT_EQ(Envia({"--log", log}).Status, 0);
    EXPECT_EQ(loja_.Diretorio.Read("envio.log.4"), "3\n") << "the oldest went, the others moved one on";
    EXPECT_EQ(loja_.Diretorio.Read("envio.log.2"), "1\n");
    EXPECT_FALSE(std::filesystem::exists(Utf8Path(log + ".5")));
    const std::string cheio = loja_.Diretorio.Read("envio.log.1");
    EXPECT_TRUE(cheio.starts_with(std::string(1024 * 1024, 'x'))) << "the full file became the first of the older";
    EXPECT_EQ(Quantas(LinhasDoLog(cheio.substr(1024 * 1024 + 1)), "Início: tarrow-send "), 2u)
        << "both runs started there";
    EXPECT_THAT(LinhasDoLog(loja_.Diretorio.Read("envio.log")),
                ElementsAre("Venda 790 enviada.", "Fim: saída 0 (tudo enviado)."));
}

TEST_F(TarrowSend, AStopRequestFinishesTheSaleInHandAndNothingIsSentTwice)
{
    std::string linhas;
    for (int numlanc = 800; numlanc < 900; ++numlanc)
        for (int produto : {1, 2, 1})
            linhas += Linha(numlanc, produto, "1", hoje_ + " 10:00:00") + ";";
    loja_.Sql(linhas.substr(0, linhas.size() - 1) + ";" + Linha(800, 1, "-1", hoje_ + " 12:00:00"));
    TPeerAnswer lenta = SoapResultOfRequest("0");
    lenta.Delay = std::chrono::milliseconds(5);
    loja_.Peer.SetDefaultAnswer(lenta);

    TProcesso processo = Inicia({"--dir", loja_.Diretorio.Path()});
    while (loja_.Peer.Requests().size() < 30) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::string pedido = "parado pelo sinal";
#ifdef _WIN32
    if (RunsUnderWine()) {
        // Wine delivers no console control event to another program; the session's end is the
        // stop request there.
        const std::optional<std::size_t> noFim = PedeFimDeSessao(*processo.Programa, loja_.Peer);
        if (!noFim) GTEST_SKIP() << "no window could be made (no display): the session's end was not asked";
        EXPECT_EQ(*noFim % 4, 0u) << "the end itself waited for the sale's edge";
        EXPECT_EQ(*noFim, Resumo(loja_.Peer).size()) << "and nothing was sent after it";
        pedido += " WM_QUERYENDSESSION depois de concluir a venda em andamento";
    } else
#endif
        ASSERT_TRUE(processo.Programa->PedeParada()) << "the stop request was not delivered";
    const TExecucao parado = Espera(processo);
    EXPECT_EQ(parado.Status, 2);
    EXPECT_THAT(parado.Erros, HasSubstr(pedido));
    const std::size_t enviadas = Resumo(loja_.Peer).size();
    EXPECT_LT(enviadas, 400u);
    EXPECT_EQ(enviadas % 4, 0u) << "the sale in hand was finished, its calls and its mark";
    EXPECT_THAT(Resumo(loja_.Peer), Not(::testing::Contains(HasSubstr(" D")))) << "the returns run was skipped";

    const TExecucao depois = Envia({});
    EXPECT_EQ(depois.Status, 0) << depois.Erros;
    EXPECT_THAT(Repetidas(loja_.Peer), ElementsAre("venda 800")) << "only the return of sale 800 repeats its header";
    EXPECT_EQ(loja_.Sql("SELECT COUNT(*) FROM movment WHERE lojas_leram2 IS NULL"), "0\n");
}

// The health check's figures and its verdict as a monitoring agent reads them: one line, the
// plugin convention's status. It sends nothing and takes no lock.
class TarrowSendEstado : public TarrowSend {
protected:
    // A sale of two lines stamped some seconds ago.
    void VendaHa(std::int64_t numlanc, int segundos)
    {
        const std::string quando = FormatDateTime("yyyy-mm-dd hh:nn:ss", Now() - segundos / 86400.0);
        loja_.Sql(Linha(numlanc, 1, "1", quando) + ";" + Linha(numlanc, 2, "1", quando));
        hojeTem_ += quando.starts_with(hoje_) ? 1 : 0;
    }
    int hojeTem_ = 0;
};

TEST_F(TarrowSendEstado, EachStateGivesItsStatusAndLine)
{
    TExecucao r = Envia({"--estado"});
    EXPECT_EQ(r.Status, 0) << r.Erros;
    EXPECT_EQ(r.Saida, "TARROW OK - 0 venda(s) e 0 devolução(ões) do dia a enviar, 0 com registro pendente, nenhuma "
                       "sem envio em 7 dias | pendentes=0 devolucoes=0 registradas=0 atraso=0s;1800;7200\n");

    // A sale of 200 s ago and one of another branch: the delay against each threshold.
    VendaHa(900, 200);
    loja_.Sql("INSERT INTO movment (numlanc, filial_id, data_hora, produto_id, quanti_uni, preco_unit, oper, cancelado,"
              " entrega) VALUES (950, 13, NOW() - INTERVAL 5 HOUR, 1, 1, 1.00, 2, 'N', 'N')");
    const std::string vendas = std::to_string(hojeTem_) + " venda(s) e 0 devolução(ões) do dia a enviar";
    r = Envia({"--estado"});
    EXPECT_EQ(r.Status, 0) << r.Saida;
    EXPECT_THAT(r.Saida, HasSubstr("TARROW OK - " + vendas + ", 0 com registro pendente, a mais antiga sem envio há 3 min |"));
    EXPECT_TRUE(std::regex_search(r.Saida, std::regex("\\| pendentes=" + std::to_string(hojeTem_) +
                                                      " devolucoes=0 registradas=0 atraso=20[0-9]s;1800;7200\n$")))
        << r.Saida;
    r = Envia({"--estado", "--aviso", "3"});
    EXPECT_EQ(r.Status, 1) << r.Saida;
    EXPECT_THAT(r.Saida, HasSubstr("TARROW WARNING - atraso de 3 min (aviso a partir de 3 min) - " + vendas));
    EXPECT_THAT(r.Saida, HasSubstr("s;180;7200\n"));
    r = Envia({"--estado", "--aviso", "1", "--critico", "3"});
    EXPECT_EQ(r.Status, 2) << r.Saida;
    EXPECT_THAT(r.Saida, HasSubstr("TARROW CRITICAL - atraso de 3 min (crítico a partir de 3 min) - "));

    // The branch's open registrations, each sale once; closed ones and other branches' do not count.
    loja_.Sql("INSERT INTO van_pendentes (filial_id, numlanc, devolucao, enviado) VALUES (12, 900, 'N', 'N'),"
              " (12, 900, 'N', 'N'), (12, 900, 'S', 'N'), (12, 901, 'N', 'S'), (13, 950, 'N', 'N')");
    r = Envia({"--estado"});
    EXPECT_EQ(r.Status, 1) << r.Saida;
    EXPECT_THAT(r.Saida, HasSubstr("TARROW WARNING - 2 venda(s) com registro pendente em van_pendentes - "));
    EXPECT_THAT(r.Saida, HasSubstr(" registradas=2 "));

    // Another sender's lock is reported, and left where it is; the status stays the registrations'.
    TTravaAlheia outro(loja_, NomeTrava());
    ASSERT_EQ(outro.Toma(), 1);
    r = Envia({"--estado", "--aviso", "1", "--critico", "3"});
    EXPECT_EQ(r.Status, 2) << r.Saida;
    EXPECT_THAT(r.Saida, HasSubstr(", envio em andamento (conexão "));
    EXPECT_EQ(outro.Toma(), 1) << "still this session's";
    outro.Solta();
    EXPECT_THAT(Envia({"--estado"}).Saida, Not(HasSubstr("envio em andamento")));
    EXPECT_TRUE(loja_.Peer.Requests().empty());
    EXPECT_EQ(Marcas(900), "-\n-\n");

    // A bad threshold, and the store's server down: UNKNOWN with the reason.
    r = Envia({"--estado", "--aviso", "meia hora"});
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Saida, "TARROW UNKNOWN - Valor inválido em --aviso: \"meia hora\". Informe minutos de 1 a 10080.\n");
    loja_.Diretorio.Write("sistema_kesto.ini", std::regex_replace(loja_.Diretorio.Read("sistema_kesto.ini"),
                                                                  std::regex("local=[^\r]*"), "local=127.0.0.54"));
    r = Envia({"--estado"});
    EXPECT_EQ(r.Status, 3);
    EXPECT_THAT(r.Saida, ::testing::StartsWith("TARROW UNKNOWN - Não foi possível conectar no banco de dados: "));
    EXPECT_EQ(std::count(r.Saida.begin(), r.Saida.end(), '\n'), 1) << r.Saida;
}

TEST_F(TarrowSendEstado, JsonGivesTheSameFiguresAndStatus)
{
    VendaHa(910, 4000);
    TExecucao r = Envia({"--estado", "--json"});
    EXPECT_EQ(r.Status, 1) << r.Saida;
    EXPECT_TRUE(std::regex_match(r.Saida, std::regex(
                             "\\{\"estado\":\"WARNING\",\"status\":1,\"pendentes\":" + std::to_string(hojeTem_) +
                             ",\"devolucoes\":0,\"registradas\":0,\"atraso_s\":400[0-9],\"aviso_s\":1800,"
                             "\"critico_s\":7200,\"mais_antiga\":\"[-0-9]{10}T[:0-9]{8}\",\"envio_em_andamento\":false,"
                             "\"mensagem\":\"TARROW WARNING - atraso de 1 h 06 min \\(aviso a partir de 30 min\\) - "
                             "[0-9] venda\\(s\\) e 0 devolu\\\\u00e7\\\\u00e3o\\(\\\\u00f5es\\) .*\"\\}\n")))
        << r.Saida;
}

TEST(TarrowSendOpcoes, BadOptionsExitWith64AndSayWhat)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> casos = {
        {{"--bogus"}, "Opção desconhecida: \"--bogus\""},
        {{"--numlanc"}, "A opção --numlanc precisa de"},
        {{"--numlanc", ""}, "Informe o número de lançamento."},
        {{"--numlanc", "12 or 1=1"}, "Informe apenas dígitos."},
        {{"--day", "09/12/2026"}, "Data inválida em --day"},
        {{"--day", "2026-02-30"}, "Data inválida em --day"},
        {{"--period", "2026-03-01"}, "A opção --period precisa de"},
        {{"--period", "2026-03-05", "2026-03-01"}, "Data final é menor que a data inicial."},
        {{"--day", "2026-03-01", "--pending"}, "Use apenas uma das opções"},
        {{"--dir"}, "A opção --dir precisa de"},
        {{"--json"}, "A opção --json só vale com --estado."},
    };
    for (const auto& [argumentos, mensagem] : casos) {
        const TExecucao r = Executa(argumentos);
        EXPECT_EQ(r.Status, 64) << argumentos[0];
        EXPECT_THAT(r.Erros, HasSubstr(mensagem));
        EXPECT_THAT(r.Erros, HasSubstr("--help"));
    }
    const TExecucao ajuda = Executa({"--help"});
    EXPECT_EQ(ajuda.Status, 0);
    EXPECT_THAT(ajuda.Saida, HasSubstr("--period D1 D2"));
}

TEST(TarrowSendOpcoes, CountAloneCountsTheDayAndTheCipherMatchesTheReader)
{
    const TOpcoesEnvio contar = LeOpcoes({"--count"}, EncodeDate(2026, 12, 9));
    ASSERT_TRUE(contar.Opcao.has_value());
    EXPECT_EQ(*contar.Opcao, TOpcaoEnvio::Dia);
    EXPECT_EQ(contar.DataInicial, EncodeDate(2026, 12, 9));
    EXPECT_FALSE(LeOpcoes({}, 0).Opcao.has_value());
    EXPECT_EQ(LeOpcoes({"--dir", "/tmp/loja"}, 0).Diretorio, "/tmp/loja/");

    const TExecucao r = Executa({"--cifra-senha", "segredo-pão"});
    EXPECT_EQ(r.Status, 0) << r.Erros;
    ASSERT_TRUE(r.Saida.ends_with("\n"));
    // What the start-up deciphers from sistema_kesto.ini: the code page's bytes.
    EXPECT_EQ(Cripto("D", r.Saida.substr(0, r.Saida.size() - 1), "QXR"), "segredo-p\xE3o");

    // A character the code page lacks is refused, not enciphered as "?".
    const TExecucao fora = Executa({"--cifra-senha", "segredo✓"});
    EXPECT_EQ(fora.Status, 64);
    EXPECT_EQ(fora.Saida, "");
    EXPECT_THAT(fora.Erros, HasSubstr("\" (U+2713), que a página de código Windows-1252"));
}

TEST(TarrowSendTerminal, TheBarIsRedrawnInPlaceAndClosedBeforeTheNextMessage)
{
    std::ostringstream saida, erros;
    const TOpcoesEnvio opcoes;
    TJanelaTerminal janela(saida, erros, true, opcoes);
    janela.IniciaProgresso(1, 2, 1);
    janela.AvancaProgresso("Enviando vendas (1 de 2)");
    janela.AvancaProgresso("Enviando vendas (2 de 2)");
    janela.Mensagem("Envio concluído.", "Atenção", TIconeMensagem::Informacao);
    janela.Mensagem("A conexão caiu.\r\nTente de novo.", "Erro", TIconeMensagem::Erro);
    EXPECT_EQ(saida.str(), "\r\033[K[                              ] Enviando vendas (1 de 2)"
                           "\r\033[K[###############               ] Enviando vendas (2 de 2)\n"
                           "Envio concluído.\n");
    EXPECT_EQ(erros.str(), "Erro: A conexão caiu.\nTente de novo.\n");
}

#ifdef _WIN32
// The store's users may create files in the program's folder. DLLs planted there under the names
// of the system's DLLs the program uses that are not known DLLs are loaded neither at the start
// nor by the send's calls into WinInet, as the scheduler runs it: from its own folder, SYSTEM's
// rights on a store's machine.
TEST_F(TarrowSend, ADllPlantedBesideTheProgramIsNeverLoaded)
{
    loja_.Sql(Linha(760, 1, "1", hoje_ + " 10:00:00"));
    const TDllsPlantadas plantadas(TARROW_SEND_PATH, loja_.Diretorio.Path());
    const TExecucao r = Executa({}, plantadas.Programa());
    EXPECT_EQ(r.Status, 0) << r.Erros;
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 760", "item 760/1 V"));
    EXPECT_THAT(plantadas.Carregadas(), IsEmpty());
}
#endif

}  // namespace
}  // namespace tarrow::test
