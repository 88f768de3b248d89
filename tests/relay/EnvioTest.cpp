// Sends end to end: the relay core over the real database components against the test server's
// store, and the real web service client against the scripted peer.
#include "tests/relay/RelayHarness.h"

#include "platform/Errors.h"
#include "platform/RegionalSettings.h"
#include "relay/Funcoes.h"
#include "tests/support/Sockets.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tarrow::test {
namespace {

using ::testing::ElementsAre;

const TDateTime kHoje = EncodeDate(2026, 12, 9);

// Products, branch and tax data every scenario shares.
const char* const kCadastro = R"(
INSERT INTO filial VALUES (12, 'Loja Centro', '11222333000181'), (13, 'Loja Norte', '191');
INSERT INTO totalfisc VALUES ('T18', 18.00, 'N'), ('F', NULL, 'N');
INSERT INTO produto VALUES (1, 'Dipirona sódica', '7891234567895', 4, 'ABC', 'T18'),
                           (2, 'Curativo', 'SEM CÓDIGO', NULL, NULL, 'F'),
                           (3, 'Soro fisiológico', '7890000000024', 7, 'C', 'T18');
INSERT INTO estoque_minimo VALUES (12, 1, 40), (12, 2, NULL), (12, 3, 5);
)";

// A movement line of branch 12, today unless told otherwise.
std::string Linha(std::int64_t numlanc, int produto, const char* quantidade, const char* preco,
                  const char* quando = "2026-12-09 10:00:00")
{
    return "INSERT INTO movment (numlanc, filial_id, num_caixa, num_ecf, data_hora, produto_id, quanti_uni, preco_unit,"
           " usuario_id, oper, cancelado, entrega) VALUES (" +
           std::to_string(numlanc) + ", 12, 3, 5000, '" + quando + "', " + std::to_string(produto) + ", " + quantidade +
           ", " + preco + ", 21, 2, " + (std::string(quantidade).starts_with("-") ? "'S'" : "'N'") + ", 'N')";
}

// Stands between a program and the test server, passing bytes both ways until Congela: from then
// on it passes nothing and takes no new connection, as a server stopped with SIGSTOP behind a
// refusing address would look (the shared server itself keeps running for the other tests).
class TServidorCongelavel {
public:
    TServidorCongelavel(const std::string& destino, std::uint16_t porta) : destino_(destino), portaDestino_(porta)
    {
        int local = 0;
        escuta_ = ListenOn(PeerHost(), local);
        porta_ = static_cast<std::uint16_t>(local);
        fio_ = std::thread([this] { Passa(); });
    }
    ~TServidorCongelavel()
    {
        fim_ = true;
        fio_.join();
        if (escuta_ != kNoTestSocket) CloseSocket(escuta_);
    }
    std::uint16_t Porta() const { return porta_; }
    void Congela() { congelado_ = true; }

private:
    void Passa()
    {
        TTestSocket cliente = kNoTestSocket, servidor = kNoTestSocket;
        const auto fecha = [&] {
            if (cliente != kNoTestSocket) CloseSocket(cliente), CloseSocket(servidor);
            cliente = servidor = kNoTestSocket;
        };
        // Moves what one side has for the other; false when that side has closed.
        const auto passa = [&](TTestSocket de, TTestSocket para) {
            if (!WaitReadable(de, 5)) return true;
            char bytes[16384];
            const std::ptrdiff_t n = ReceiveSome(de, bytes, sizeof bytes);
            if (n <= 0) return false;
            SendSome(para, bytes, static_cast<std::size_t>(n));
            return true;
        };
        while (!fim_) {
            if (congelado_ && escuta_ != kNoTestSocket) {
                CloseSocket(escuta_);
                escuta_ = kNoTestSocket;
            }
            if (congelado_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            } else if (cliente == kNoTestSocket) {
                if (escuta_ != kNoTestSocket && WaitReadable(escuta_, 50)) {
                    cliente = AcceptOne(escuta_);
                    servidor = ConnectTo(destino_, portaDestino_);
                }
            } else if (!passa(cliente, servidor) || !passa(servidor, cliente)) {
                fecha();
            }
        }
        fecha();
    }

    std::string destino_;
    std::uint16_t portaDestino_;
    TTestSocket escuta_ = kNoTestSocket;
    std::uint16_t porta_ = 0;
    std::atomic<bool> congelado_{false}, fim_{false};
    std::thread fio_;
};

class Envio : public ::testing::Test {
protected:
    Envio() : clock_(kHoje + EncodeTime(15, 0, 0, 0))
    {
        DefineHostTesteInternet("sem-internet.invalid");
        loja_.Sql(kCadastro);
    }

    // The relay core of one program, started as the window would start it.
    std::unique_ptr<TUMain> Programa(TVariante variante)
    {
        auto logica = std::make_unique<TUMain>(variante, janela_, &janela_, loja_.Diretorio.Path());
        logica->FormCreate();
        janela_.Mensagens.clear();  // the connectivity warning of the start-up
        return logica;
    }

    std::string Marcas(std::int64_t numlanc)
    {
        return loja_.Sql("SELECT coalesce(lojas_leram2, '-') FROM movment WHERE numlanc = " + std::to_string(numlanc) +
                         " ORDER BY movment_id");
    }

    TScopedClock clock_;
    TLoja loja_;
    TJanelaGravadora janela_;
};

TEST_F(Envio, AnEmptySelectionMakesNoCallAndWritesNoFile)
{
    auto logica = Programa(TVariante::Automatico);
    logica->Enviar();
    EXPECT_TRUE(loja_.Peer.Requests().empty());
    EXPECT_TRUE(loja_.ListasPendentes().empty());
    EXPECT_THAT(janela_.EstadosBotao, ElementsAre(false, true, false, true));

    auto manual = Programa(TVariante::Manual);
    janela_.OpcaoAtual = TOpcaoEnvio::Dia;
    janela_.Inicio = kHoje;
    manual->Enviar();
    EXPECT_TRUE(janela_.Progresso.empty());
    EXPECT_EQ(janela_.Maximo, 0) << "the gauge is not touched";
}

TEST_F(Envio, AThreeRowSaleIsOneHeaderThreeItemsOneMarkAndOneClosedRegistration)
{
    loja_.Sql(Linha(500, 1, "2", "7.50") + ";" + Linha(500, 2, "1", "3.20") + ";" + Linha(500, 3, "4", "2.00"));
    loja_.Sql("INSERT INTO van_pendentes (filial_id, numlanc, devolucao, enviado) VALUES (12, 500, 'N', 'N'),"
              " (12, 500, 'N', 'N'), (12, 500, 'S', 'N')");
    auto logica = Programa(TVariante::Automatico);
    logica->Enviar();

    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 500", "item 500/1 V", "item 500/2 V", "item 500/3 V"));
    EXPECT_EQ(Marcas(500), "V\nV\nV\n");
    // Every open registration of the sale is closed; its return's stays open.
    EXPECT_EQ(loja_.Sql("SELECT enviado FROM van_pendentes ORDER BY van_pendentes_id"), "S\nS\nN\n");

    const auto chamadas = Chamadas(loja_.Peer);
    const TChamada& venda = chamadas[0];
    EXPECT_EQ(venda.Arg("cnpj_estabelecimento"), "11.222.333/0001-81");
    EXPECT_EQ(venda.Arg("maquina"), "3");
    EXPECT_EQ(venda.Arg("cupom"), "5000");
    EXPECT_EQ(venda.Arg("data_movimento"), "09/12/2026");
    EXPECT_EQ(venda.Arg("data_hora"), "09/12/2026");
    const TChamada& item = chamadas[2];
    EXPECT_EQ(item.Arg("ean"), "SEM CÓDIGO");
    EXPECT_EQ(item.Arg("quantidade"), "1");
    EXPECT_EQ(item.Arg("total_liquido"), "3.20");
    EXPECT_EQ(item.Arg("curva"), "D");
    EXPECT_EQ(item.Arg("linha"), "0");
    EXPECT_EQ(item.Arg("estoque"), "");
    EXPECT_EQ(item.Arg("pendencia"), "0");
    EXPECT_EQ(item.Arg("vendedor"), "21");
    EXPECT_EQ(chamadas[1].Arg("curva"), "A");
    EXPECT_EQ(chamadas[1].Arg("total_liquido"), "15.00");
    EXPECT_EQ(chamadas[1].Arg("estoque"), "40");
}

TEST_F(Envio, AHeaderRefusedThreeTimesAndAcceptedAtTheFourthGoesOn)
{
    loja_.Sql(Linha(501, 1, "1", "7.50"));
    Recusa(loja_.Peer, 3);
    auto logica = Programa(TVariante::Automatico);
    logica->Enviar();
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 501", "venda 501", "venda 501", "venda 501", "item 501/1 V"));
    EXPECT_EQ(Marcas(501), "V\n");
    EXPECT_TRUE(loja_.ListasPendentes().empty());
}

TEST_F(Envio, ALastSaleRefusedFourTimesIsRegisteredListedAndTheRunEndsNormally)
{
    loja_.Sql(Linha(502, 1, "1", "7.50") + ";" + Linha(503, 1, "1", "7.50") + ";" + Linha(503, 2, "1", "3.20"));
    loja_.Peer.Answer(SoapResultOfRequest("0"));
    loja_.Peer.Answer(SoapResultOfRequest("0"));
    Recusa(loja_.Peer, 4);
    auto logica = Programa(TVariante::Automatico);
    logica->Enviar();

    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 502", "item 502/1 V", "venda 503", "venda 503", "venda 503",
                                                "venda 503"));
    EXPECT_EQ(Marcas(502), "V\n");
    EXPECT_EQ(Marcas(503), "-\n-\n");
    EXPECT_EQ(loja_.Sql("SELECT filial_id, numlanc, devolucao, enviado FROM van_pendentes"), "12\t503\tN\tN\n");
    const auto listas = loja_.ListasPendentes();
    ASSERT_EQ(listas.size(), 1u);
    EXPECT_EQ(listas[0].first, "VendasPendentes20261209150000.txt");
    EXPECT_EQ(listas[0].second, "Num. Lanc.: 503\r\n");
    EXPECT_THAT(janela_.EstadosBotao, ElementsAre(false, true, false, true));
}

TEST_F(Envio, AnItemRefusedFourTimesOnRowTwoOfThreeGivesUpTheSaleAndTheNextOneStartsWithItsHeader)
{
    loja_.Sql(Linha(504, 1, "1", "7.50") + ";" + Linha(504, 2, "1", "3.20") + ";" + Linha(504, 3, "1", "2.00") + ";" +
              Linha(505, 3, "2", "2.00"));
    loja_.Peer.Answer(SoapResultOfRequest("0"));
    loja_.Peer.Answer(SoapResultOfRequest("0"));
    Recusa(loja_.Peer, 4);
    auto logica = Programa(TVariante::Automatico);
    logica->EnviarVendas();

    EXPECT_THAT(Resumo(loja_.Peer),
                ElementsAre("venda 504", "item 504/1 V", "item 504/2 V", "item 504/2 V", "item 504/2 V",
                            "item 504/2 V", "venda 505", "item 505/1 V"));
    EXPECT_EQ(Marcas(504), "-\n-\n-\n");
    EXPECT_EQ(Marcas(505), "V\n");
    EXPECT_EQ(loja_.Sql("SELECT numlanc FROM van_pendentes"), "504\n");
    ASSERT_EQ(loja_.ListasPendentes().size(), 1u);
    EXPECT_EQ(loja_.ListasPendentes()[0].second, "Num. Lanc.: 504\r\n");
}

TEST_F(Envio, ALongReleaseNumberIsCutToNineDigitsForTheServiceOnly)
{
    loja_.Sql(Linha(1234567890, 1, "1", "7.50") + ";UPDATE movment SET num_ecf = NULL");
    Recusa(loja_.Peer, 1);
    loja_.Peer.Answer(SoapResultOfRequest("0"));
    Recusa(loja_.Peer, 4);
    auto logica = Programa(TVariante::Automatico);
    logica->EnviarVendas();

    const auto chamadas = Chamadas(loja_.Peer);
    ASSERT_GE(chamadas.size(), 2u);
    EXPECT_EQ(chamadas[1].Arg("registro"), "234567890");
    EXPECT_EQ(chamadas[1].Arg("cupom"), "234567890");
    EXPECT_EQ(loja_.Sql("SELECT numlanc FROM van_pendentes"), "1234567890\n");
    EXPECT_EQ(loja_.ListasPendentes().at(0).second, "Num. Lanc.: 1234567890\r\n");
}

TEST_F(Envio, AmountsAreSentWithTwoDecimalsAndAPointWhateverTheRegionalSeparator)
{
    TFormatSettings virgula;
    virgula.DecimalSeparator = ',';
    TScopedFormatSettings regional(virgula);
    loja_.Sql(Linha(506, 1, "1", "12.50") + ";" + Linha(506, 2, "1", "0.125"));
    auto logica = Programa(TVariante::Automatico);
    logica->Enviar();
    const auto chamadas = Chamadas(loja_.Peer);
    ASSERT_EQ(chamadas.size(), 3u);
    EXPECT_EQ(chamadas[1].Arg("total_liquido"), "12.50");
    EXPECT_EQ(chamadas[2].Arg("total_liquido"), "0.13");
}

TEST_F(Envio, ACancelledLineIsLeftOutButMarkedWithItsSale)
{
    loja_.Sql(Linha(507, 1, "1", "7.50") + ";" + Linha(507, 2, "1", "3.20") + ";UPDATE movment SET cancelado = 'S'"
              " WHERE produto_id = 2");
    auto logica = Programa(TVariante::Automatico);
    logica->EnviarVendas();
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 507", "item 507/1 V"));
    EXPECT_EQ(Marcas(507), "V\nV\n");
}

TEST_F(Envio, DeliveriesWaitForTheirArrival)
{
    loja_.Sql(Linha(508, 1, "1", "7.50") + ";" + Linha(509, 1, "1", "7.50") + ";" + Linha(510, 1, "1", "7.50") +
              ";UPDATE movment SET entrega = 'S' WHERE numlanc IN (508, 509, 510)"
              ";UPDATE movment SET dtchegada_entrega = '2026-12-09 11:00:00' WHERE numlanc = 509"
              ";UPDATE movment SET dtchegada_entrega = '1900-01-01 00:00:00' WHERE numlanc = 510");
    auto logica = Programa(TVariante::Automatico);
    logica->EnviarVendas();
    // The server compares the literal "19000101 00:00:00" as text, not as a date, so an arrival
    // recorded as 1900-01-01 counts as later than it: the statement stays as it is and this pins
    // what the server makes of it.
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 509", "item 509/1 V", "venda 510", "item 510/1 V"));
    EXPECT_EQ(Marcas(508), "-\n");
}

TEST_F(Envio, ReturnsFollowTheSalesWithTipoDAndEachReturnLineGoesOnce)
{
    // Sale 511 has two lines of product 1; its return of product 1 is joined to both.
    loja_.Sql(Linha(511, 1, "1", "7.50") + ";" + Linha(511, 1, "2", "7.50") + ";" + Linha(511, 1, "-1", "7.50") +
              ";UPDATE movment SET num_ecf = 6001 WHERE quanti_uni < 0");
    auto logica = Programa(TVariante::Automatico);
    logica->Enviar();
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 511", "item 511/1 V", "item 511/2 V", "venda 511",
                                                "item 511/1 D"));
    const auto chamadas = Chamadas(loja_.Peer);
    EXPECT_EQ(chamadas[3].Arg("cupom"), "5000") << "the coupon of the sale the line returns";
    EXPECT_EQ(chamadas[4].Arg("quantidade"), "1");
    EXPECT_EQ(chamadas[4].Arg("total_liquido"), "7.50");
    EXPECT_EQ(Marcas(511), "V\nV\nV\n");
}

// The error that ends a send after a give-up: the sale given up is listed all the same, and the
// error, still of its own type, names the list where it is shown.
TEST_F(Envio, AnErrorThatEndsARunAfterAGiveUpStillWritesTheListAndNamesIt)
{
    loja_.Sql(Linha(560, 1, "1", "7.50") + ";" + Linha(561, 1, "1", "7.50"));
    Recusa(loja_.Peer, 4);
    loja_.Peer.Answer(SoapFault("soap:Server", "Banco do parceiro fora do ar"));
    auto logica = Programa(TVariante::Automatico);
    try {
        logica->Enviar();
        ADD_FAILURE() << "no error";
    } catch (const ERemotableException& e) {
        const auto listas = loja_.ListasPendentes();
        ASSERT_EQ(listas.size(), 1u);
        EXPECT_EQ(listas[0].second, "Num. Lanc.: 560\r\n") << "the sale in hand is not listed";
        EXPECT_EQ(e.Message(), "Banco do parceiro fora do ar.\r\nVendas não enviadas listadas em " +
                                   loja_.Diretorio.Path() + listas[0].first);
        EXPECT_THAT(logica->ListasGravadas(), ElementsAre(loja_.Diretorio.Path() + listas[0].first));
    }
    EXPECT_EQ(loja_.Sql("SELECT numlanc FROM van_pendentes"), "560\n");
}

// What a window answers the system with runs before every attempt; a stop asked there, during
// the last sale of the sales run, finishes that sale and still ends the send as stopped: the
// returns are not sent and no one is told the send went to its end.
TEST_F(Envio, AStopAskedBetweenTwoCallsOfTheRunsLastSaleEndsTheSendAsStopped)
{
    loja_.Sql(Linha(512, 1, "1", "7.50") + ";" + Linha(512, 1, "-1", "7.50"));
    Recusa(loja_.Peer, 1);
    auto logica = Programa(TVariante::Automatico);
    int antesDasTentativas = 0;
    bool parar = false;
    logica->EntreChamadas = [&] { parar = ++antesDasTentativas == 3; };
    logica->Parar = [&] { return parar; };
    EXPECT_THROW(logica->Enviar(), EEnvioInterrompido);
    EXPECT_EQ(antesDasTentativas, 3) << "two header attempts and the item's";
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 512", "venda 512", "item 512/1 V"));
    EXPECT_EQ(Marcas(512), "V\n-\n");
    EXPECT_FALSE(logica->EnvioEmAndamento()) << "the lock was let go";
}

TEST_F(Envio, AutomaticSenderUnreachableServiceEndsTheRunAndRegistersNothing)
{
    loja_.Sql(Linha(512, 1, "1", "7.50"));
    loja_.EscreveConf("http://" + PeerHost() + ":" + std::to_string(ClosedPort()) + "/van.asmx");
    auto logica = Programa(TVariante::Automatico);
    EXPECT_THROW(logica->Enviar(), ESOAPHTTPException);
    EXPECT_THAT(janela_.EstadosBotao, ElementsAre(false)) << "the button stays disabled";
    EXPECT_EQ(loja_.Sql("SELECT COUNT(*) FROM van_pendentes"), "0\n");
    EXPECT_TRUE(loja_.ListasPendentes().empty());

    // Five minutes later the service is back: the same sale goes, and the button comes back.
    loja_.EscreveConf(loja_.Peer.Url());
    logica->Enviar();
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 512", "item 512/1 V"));
    EXPECT_EQ(janela_.EstadosBotao.back(), true);

    // The store's server unreachable: the lock's statement, the send's first, fails with the
    // button already off, and it stays off while another sender holds the lock.
    janela_.EstadosBotao.clear();
    const std::string servidor = logica->oConnect.Server();
    logica->oConnect.Disconnect();
    logica->oConnect.SetServer("127.0.0.54");
    EXPECT_THROW(logica->Enviar(), EDatabaseError);
    EXPECT_THAT(janela_.EstadosBotao, ElementsAre(false));
    logica->oConnect.SetServer(servidor);
    auto outro = std::make_unique<TTravaAlheia>(loja_, logica->NomeTrava());
    ASSERT_EQ(outro->Toma(), 1);
    EXPECT_FALSE(logica->Enviar());
    EXPECT_THAT(janela_.EstadosBotao, ElementsAre(false)) << "no send completed";
    outro.reset();
    EXPECT_TRUE(logica->Enviar());
    EXPECT_THAT(janela_.EstadosBotao, ElementsAre(false, true, false, true));
}

TEST_F(Envio, ManualSenderUnreachableServiceGivesUpRegistersAndListsEverySale)
{
    loja_.Sql(Linha(513, 1, "1", "7.50") + ";" + Linha(514, 1, "1", "7.50") + ";" + Linha(513, 1, "-1", "7.50"));
    loja_.EscreveConf("http://" + PeerHost() + ":" + std::to_string(ClosedPort()) + "/van.asmx");
    auto logica = Programa(TVariante::Manual);
    janela_.OpcaoAtual = TOpcaoEnvio::Dia;
    janela_.Inicio = kHoje;
    logica->Enviar();
    EXPECT_EQ(loja_.Sql("SELECT numlanc, devolucao FROM van_pendentes ORDER BY van_pendentes_id"),
              "513\tN\n514\tN\n513\tS\n");
    // Both runs finish within the same second: their lists share one file and both survive.
    const auto listas = loja_.ListasPendentes();
    ASSERT_EQ(listas.size(), 1u);
    EXPECT_EQ(listas[0].second, "Num. Lanc.: 513\r\nNum. Lanc.: 514\r\nNum. Lanc.: 513\r\n");
    EXPECT_THAT(janela_.Progresso, ElementsAre("Enviando vendas (1 de 2)", "Enviando vendas (2 de 2)",
                                               "Enviando devoluções (1 de 1)"));
}

TEST_F(Envio, ManualSenderCountsAFaultAsARefusedAttempt)
{
    loja_.Sql(Linha(515, 1, "1", "7.50"));
    loja_.Peer.Answer(SoapFault("soap:Server", "Banco do parceiro fora do ar"));
    loja_.Peer.Answer(SoapResultOfRequest("0"));
    auto logica = Programa(TVariante::Manual);
    janela_.OpcaoAtual = TOpcaoEnvio::NumeroLancamento;
    janela_.Numero = "515";
    logica->EnviarVendas();
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 515", "venda 515", "item 515/1 V"));
    EXPECT_EQ(Marcas(515), "V\n");
    EXPECT_EQ(janela_.Minimo, 1);
    EXPECT_EQ(janela_.Maximo, 1);
}

TEST_F(Envio, AGivenUpSaleIsSentWholeByALaterSendAndKeepsOneRegistrationMeanwhile)
{
    loja_.Sql(Linha(516, 1, "1", "7.50") + ";" + Linha(516, 2, "1", "3.20"));
    loja_.Peer.Answer(SoapResultOfRequest("0"));
    loja_.Peer.Answer(SoapResultOfRequest("0"));
    Recusa(loja_.Peer, 4);
    Recusa(loja_.Peer, 8);
    auto logica = Programa(TVariante::Automatico);
    auto contagem = Programa(TVariante::Manual);
    janela_.OpcaoAtual = TOpcaoEnvio::PendenciasRegistradas;
    for (int envio = 0; envio < 3; ++envio) logica->EnviarVendas();
    EXPECT_EQ(loja_.Sql("SELECT enviado FROM van_pendentes"), "N\n") << "three give-ups, one registration";
    EXPECT_EQ(contagem->ContaVendas(), 1);
    logica->EnviarVendas();
    EXPECT_THAT(Resumo(loja_.Peer),
                ElementsAre("venda 516", "item 516/1 V", "item 516/2 V", "item 516/2 V", "item 516/2 V",
                            "item 516/2 V", "venda 516", "venda 516", "venda 516", "venda 516", "venda 516",
                            "venda 516", "venda 516", "venda 516", "venda 516", "item 516/1 V", "item 516/2 V"));
    EXPECT_EQ(Marcas(516), "V\nV\n");
    EXPECT_EQ(loja_.Sql("SELECT enviado FROM van_pendentes"), "S\n");
    EXPECT_EQ(contagem->ContaVendas(), 0);
}

TEST_F(Envio, AroundMidnightEachRunSelectsItsOwnDay)
{
    loja_.Sql(Linha(517, 1, "1", "7.50", "2026-12-09 23:59:00") + ";" +
              Linha(518, 1, "1", "7.50", "2026-12-10 00:01:00"));
    TDateTime agora = kHoje + EncodeTime(23, 59, 59, 0);
    TScopedClock relogio([&agora] { return agora; });
    auto logica = Programa(TVariante::Automatico);
    logica->EnviarVendas();
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 517", "item 517/1 V"));
    agora = kHoje + 1 + EncodeTime(0, 5, 0, 0);
    logica->EnviarVendas();
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 517", "item 517/1 V", "venda 518", "item 518/1 V"));
}

TEST_F(Envio, PendingRegistrationsOption)
{
    loja_.Sql(Linha(5, 1, "1", "7.50") + ";" + Linha(9, 1, "1", "7.50") + ";" + Linha(7, 1, "1", "7.50"));
    auto logica = Programa(TVariante::Manual);
    janela_.OpcaoAtual = TOpcaoEnvio::PendenciasRegistradas;
    EXPECT_EQ(logica->FiltroOpcao(TTipoMovimento::Vendas), " and m.numlanc = -999999\r\n");
    EXPECT_EQ(logica->ContaVendas(), 0);

    loja_.Sql("INSERT INTO van_pendentes (filial_id, numlanc, devolucao, enviado) VALUES (12, 5, 'N', 'N'),"
              " (12, 9, 'N', 'N')");
    EXPECT_EQ(logica->FiltroOpcao(TTipoMovimento::Vendas), " and m.numlanc in (5,9)\r\n");
    // Registrations of other branches and repeats count too; closed ones and returns do not.
    loja_.Sql("INSERT INTO van_pendentes (filial_id, numlanc, devolucao, enviado) VALUES (13, 9, 'N', 'N'),"
              " (12, 7, 'N', 'S'), (12, 7, 'S', 'N')");
    EXPECT_EQ(logica->FiltroOpcao(TTipoMovimento::Vendas), " and m.numlanc in (5,9,9)\r\n");
    EXPECT_EQ(logica->ContaVendas(), 2) << "the branch's sales with an open registration";
    EXPECT_EQ(logica->ContaDevolucoes(), 1);
    logica->EnviarVendas();
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 5", "item 5/1 V", "venda 9", "item 9/1 V"));
}

TEST_F(Envio, ManualCountsFollowTheOption)
{
    loja_.Sql(Linha(520, 1, "1", "7.50") + ";" + Linha(520, 2, "1", "3.20") + ";" +
              Linha(521, 1, "1", "7.50", "2026-12-08 09:00:00") + ";" + Linha(520, 1, "-1", "7.50"));
    auto logica = Programa(TVariante::Manual);
    janela_.OpcaoAtual = TOpcaoEnvio::Periodo;
    janela_.Inicio = kHoje - 1;
    janela_.Fim = kHoje;
    EXPECT_EQ(logica->ContaVendas(), 2);
    EXPECT_EQ(logica->ContaDevolucoes(), 1);
    janela_.OpcaoAtual = TOpcaoEnvio::NumeroLancamento;
    janela_.Numero = "123";
    EXPECT_EQ(logica->FiltroOpcao(TTipoMovimento::Vendas), " and m.numlanc = 123\r\n");
    EXPECT_EQ(logica->ContaVendas(), 0);
}

TEST_F(Envio, OneSendAtATimePerStoreDatabaseAndBranch)
{
    loja_.Sql(Linha(520, 1, "1", "7.50"));
    auto automatico = Programa(TVariante::Automatico);
    auto manual = Programa(TVariante::Manual);
    janela_.OpcaoAtual = TOpcaoEnvio::Dia;
    janela_.Inicio = kHoje;
    const std::string nome = automatico->NomeTrava();
    EXPECT_LE(nome.size(), 64u);
    EXPECT_EQ(manual->NomeTrava(), nome);
    manual->CodLogica = 13;
    EXPECT_NE(manual->NomeTrava(), nome) << "another branch sends on its own";
    manual->CodLogica = 12;

    // Held elsewhere: nothing is sent, the manual gauge is not touched.
    auto outro = std::make_unique<TTravaAlheia>(loja_, nome);
    ASSERT_EQ(outro->Toma(), 1);
    EXPECT_FALSE(automatico->Enviar());
    EXPECT_FALSE(manual->Enviar());
    EXPECT_TRUE(loja_.Peer.Requests().empty());
    EXPECT_TRUE(janela_.Progresso.empty());
    EXPECT_EQ(janela_.Maximo, 0);

    // The holder dies: its session takes the lock with it.
    outro->Solta();
    EXPECT_TRUE(automatico->Enviar());
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 520", "item 520/1 V"));
    EXPECT_EQ(TTravaAlheia(loja_, nome).Toma(), 1) << "released after a send (one release per take)";

    // Released after an error too.
    loja_.Sql(Linha(521, 1, "1", "7.50"));
    loja_.EscreveConf("http://" + PeerHost() + ":" + std::to_string(ClosedPort()) + "/van.asmx");
    EXPECT_THROW(automatico->Enviar(), ESOAPHTTPException);
    EXPECT_EQ(TTravaAlheia(loja_, nome).Toma(), 1);

    // A lost session ends the send that meets it; the next send takes the lock on the new one.
    loja_.EscreveConf(loja_.Peer.Url());
    automatico->oQuery2.SetSQL("SELECT CONNECTION_ID() AS id");
    automatico->oQuery2.Open();
    const std::string id = automatico->oQuery2.FieldByName("id").AsString();
    automatico->oQuery2.Close();
    loja_.Sql("KILL " + id);
    EXPECT_THROW(automatico->Enviar(), EDatabaseError);
    EXPECT_TRUE(automatico->Enviar());
    EXPECT_EQ(Marcas(521), "V\n");
}

TEST_F(Envio, AMalformedAnswerIsNeverAnAcceptance)
{
    TPeerAnswer erro500;
    erro500.Status = 500;
    erro500.Reason = "Internal Server Error";
    erro500.ContentType = "text/xml";
    erro500.Body = "<erro>banco fora do ar</erro>";
    TPeerAnswer corpoVazio;
    corpoVazio.Body = SoapEnvelope("");
    const std::vector<std::pair<std::string, TPeerAnswer>> respostas = {
        {"empty Body", corpoVazio},
        {"empty result", SoapResult("inserir_vendas", "")},
        {"another operation", SoapResult("inserir_secoes", "0")},
        {"500 without a fault", erro500},
    };
    loja_.Sql(Linha(530, 1, "1", "7.50"));
    auto automatico = Programa(TVariante::Automatico);
    auto manual = Programa(TVariante::Manual);
    janela_.OpcaoAtual = TOpcaoEnvio::NumeroLancamento;
    janela_.Numero = "530";
    for (const auto& [nome, resposta] : respostas) {
        const std::size_t antes = loja_.Peer.Requests().size();
        loja_.Peer.Answer(resposta);
        EXPECT_THROW(automatico->Enviar(), Exception) << nome;
        for (int i = 0; i < 4; ++i) loja_.Peer.Answer(resposta);
        EXPECT_TRUE(manual->Enviar()) << nome;
        EXPECT_EQ(loja_.Peer.Requests().size(), antes + 5) << nome << ": one automatic call, four manual attempts";
        EXPECT_EQ(Marcas(530), "-\n") << nome;
        EXPECT_EQ(loja_.Sql("SELECT COUNT(*) FROM van_pendentes"), "1\n") << nome << ": the sale's one registration";
    }
}

TEST_F(Envio, ValuesTheServiceCannotTakeGiveTheirSaleUpAndTheRunGoesOn)
{
    loja_.Sql("ALTER TABLE movment MODIFY num_caixa BIGINT, MODIFY num_ecf BIGINT, MODIFY quanti_uni DECIMAL(20,3)");
    // 541's quantity rounds to 2147483648, one past the service's integer.
    loja_.Sql(Linha(540, 1, "99999999999", "7.50") + ";" + Linha(541, 1, "2147483647.5", "7.50") + ";" +
              Linha(542, 1, "1", "7.50") + ";UPDATE movment SET num_caixa = 2147483648 WHERE numlanc = 542;" +
              Linha(543, 1, "1", "7.50") + ";UPDATE movment SET num_ecf = -2147483649 WHERE numlanc = 543;" +
              Linha(544, 1, "1", "7.50") + ";" + Linha(544, 2, "2147483647", "0.01") + ";" +
              // Split packs: sold by the fraction of a box, sent rounded, halves to the even neighbour.
              Linha(546, 1, "1.5", "8.00") + ";" + Linha(546, 2, "0.125", "7.50") + ";" +
              Linha(546, 3, "2.5", "2.00") + ";UPDATE filial SET cgc = '11.222.333/0001-81'");
    for (TVariante variante : {TVariante::Automatico, TVariante::Manual}) {
        if (variante == TVariante::Manual)
            loja_.Sql(Linha(547, 1, "0.5", "7.50") + ";" + Linha(547, 3, "0.333", "2.00") + ";" +
                      Linha(547, 2, "3.5", "1.00"));
        auto logica = Programa(variante);
        janela_.OpcaoAtual = TOpcaoEnvio::Dia;
        janela_.Inicio = kHoje;
        EXPECT_TRUE(logica->Enviar());
    }
    // Nothing of a sale that does not convert goes out; the good ones go whole, once.
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 544", "item 544/1 V", "item 544/2 V", "venda 546",
                                                "item 546/1 V", "item 546/2 V", "item 546/3 V", "venda 547",
                                                "item 547/1 V", "item 547/2 V", "item 547/3 V"));
    const auto chamadas = Chamadas(loja_.Peer);
    EXPECT_EQ(chamadas[0].Arg("cnpj_estabelecimento"), "11.222.333/0001-81");
    EXPECT_EQ(chamadas[2].Arg("quantidade"), "2147483647");
    std::vector<std::string> quantidades;
    for (std::size_t i : {4u, 5u, 6u, 8u, 9u, 10u}) quantidades.push_back(chamadas[i].Arg("quantidade"));
    EXPECT_THAT(quantidades, ElementsAre("2", "0", "2", "0", "0", "4"));
    EXPECT_EQ(chamadas[5].Arg("total_liquido"), "0.94") << "the money of the fraction itself";
    EXPECT_EQ(Marcas(546) + Marcas(547), "V\nV\nV\nV\nV\nV\n");
    EXPECT_EQ(loja_.Sql("SELECT numlanc FROM van_pendentes ORDER BY van_pendentes_id"),
              "540\n541\n542\n543\n")
        << "given up by both senders, registered once";
    const std::string quatro = "Num. Lanc.: 540\r\nNum. Lanc.: 541\r\nNum. Lanc.: 542\r\nNum. Lanc.: 543\r\n";
    EXPECT_EQ(loja_.ListasPendentes().at(0).second, quatro + quatro) << "both senders, within the same second";

    // A branch's cgc that is no store's number ends the send, naming it, before any call.
    loja_.Sql(Linha(545, 1, "1", "7.50"));
    for (const char* cgc : {"NULL", "''", "'11222333000181.6'", "'-11222333000181'", "'11.222.333/0001'"}) {
        loja_.Sql(std::string("UPDATE filial SET cgc = ") + cgc);
        auto logica = Programa(TVariante::Automatico);
        try {
            logica->Enviar();
            ADD_FAILURE() << "no error for " << cgc;
        } catch (const EConvertError& e) {
            const std::string valor =
                cgc[0] == '\'' ? "\"" + std::string(cgc + 1, std::strlen(cgc) - 2) + "\"" : cgc;
            EXPECT_THAT(e.Message(),
                        ::testing::AllOf(::testing::HasSubstr("cgc"), ::testing::HasSubstr(valor)));
        }
    }
    EXPECT_EQ(Resumo(loja_.Peer).size(), 11u);
    EXPECT_EQ(Marcas(545), "-\n");
}

TEST_F(Envio, AServerThatStopsAnsweringEndsAnAutomaticSendWithinTheStatementLimit)
{
    loja_.Sql(Linha(550, 1, "1", "7.50"));
    auto logica = Programa(TVariante::Automatico);
    EXPECT_EQ(logica->oQuery.CommandTimeout, 300);
    EXPECT_EQ(logica->oCommand.CommandTimeout, 300);
    EXPECT_EQ(Programa(TVariante::Manual)->oQuery.CommandTimeout, 0) << "the manual sender keeps its limits";

    TServidorCongelavel servidor(loja_.Servidor.Host, loja_.Servidor.Port);
    logica->oConnect.Disconnect();
    logica->oConnect.SetServer(PeerHost());
    logica->oConnect.SetPort(servidor.Porta());
    logica->oConnect.Connect();
    for (TMyStatementComponent* c : {static_cast<TMyStatementComponent*>(&logica->oQuery),
                                     static_cast<TMyStatementComponent*>(&logica->oQuery2),
                                     static_cast<TMyStatementComponent*>(&logica->oCommand)})
        c->CommandTimeout = 2;
    servidor.Congela();
    const auto inicio = std::chrono::steady_clock::now();
    try {
        logica->Enviar();
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_THAT(e.Message(), ::testing::HasSubstr("Lost connection"));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(10));
    EXPECT_TRUE(loja_.Peer.Requests().empty());
}

TEST_F(Envio, AReleaseNumberThatIsNotMadeOfDigitsNeverReachesTheStatement)
{
    loja_.Sql(Linha(522, 1, "1", "7.50"));
    auto logica = Programa(TVariante::Manual);
    janela_.OpcaoAtual = TOpcaoEnvio::NumeroLancamento;
    for (const char* texto : {"1 or 1=1", "", "12a", "-5"}) {
        janela_.Numero = texto;
        EXPECT_THROW(logica->ContaVendas(), EConvertError) << texto;
        EXPECT_THROW(logica->Enviar(), EConvertError) << texto;
    }
    EXPECT_TRUE(loja_.Peer.Requests().empty());
}

// ---- start-up ---------------------------------------------------------------------------------

class Partida : public Envio {};

TEST_F(Partida, AutomaticCaptionCarriesTheVersionAndTheWarningSaysTheInternetIsDown)
{
    TUMain logica(TVariante::Automatico, janela_, nullptr, loja_.Diretorio.Path());
    logica.FormCreate();
    EXPECT_EQ(janela_.Titulo, "TarrowKesto 1.1.1.0");
    ASSERT_EQ(janela_.Mensagens.size(), 1u);
    EXPECT_EQ(janela_.Mensagens[0].Texto, "A conexão com a internet não está ativa.\r\n"
                                          "Verifique sua conexão com a internet antes de enviar as vendas ao WebService.");
    EXPECT_EQ(janela_.Mensagens[0].Titulo, "Atenção");
    EXPECT_EQ(janela_.Mensagens[0].Icone, TIconeMensagem::Aviso);
    EXPECT_FALSE(janela_.TerminoSolicitado);
    EXPECT_EQ(logica.CodLogica, 12);
}

TEST_F(Partida, ARefusedLoginShowsTheServersWordsAndAsksToEndAfterTheRestOfTheStartUp)
{
    loja_.EscreveIni(Cripto("E", "senha errada", "QXR"));
    TUMain logica(TVariante::Manual, janela_, &janela_, loja_.Diretorio.Path());
    logica.FormCreate();
    ASSERT_EQ(janela_.Mensagens.size(), 2u);
    EXPECT_TRUE(janela_.Mensagens[0].Texto.starts_with("Não foi possível conectar no banco de dados.\r\nErro original: "));
    EXPECT_NE(janela_.Mensagens[0].Texto.find("Access denied for user 'root'"), std::string::npos);
    EXPECT_EQ(janela_.Mensagens[0].Titulo, "Erro");
    EXPECT_EQ(janela_.Mensagens[0].Icone, TIconeMensagem::Erro);
    EXPECT_EQ(janela_.Mensagens[1].Titulo, "Atenção") << "the connectivity check still runs";
    EXPECT_TRUE(janela_.TerminoSolicitado);
    EXPECT_TRUE(janela_.Titulo.empty()) << "the manual sender keeps its design caption";
}

TEST_F(Partida, APasswordThatDoesNotDecipherEndsTheStartUpWithAConversionError)
{
    loja_.Diretorio.Write("sistema_kesto.ini", "[ip]\r\ndatabase=" + loja_.Banco.Name() + "\r\nlocal=" +
                                                   loja_.Servidor.Host + "\r\nsenha=\r\n[FilialMatriz]\r\nCodLogica=12\r\n");
    TUMain logica(TVariante::Automatico, janela_, nullptr, loja_.Diretorio.Path());
    EXPECT_THROW(logica.FormCreate(), EConvertError);
    EXPECT_TRUE(janela_.Mensagens.empty()) << "no connect, no connectivity check";
    EXPECT_EQ(logica.CodLogica, 0);
    EXPECT_FALSE(janela_.Titulo.empty()) << "the caption is set before anything else";
}

}  // namespace
}  // namespace tarrow::test
