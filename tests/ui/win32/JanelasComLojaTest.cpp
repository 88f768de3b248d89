// Both windows over a store on the test server and the scripted web service peer: the manual
// sender's send with its progress, its end message and a close during it, from a store's folder
// named with accents and a "✓"; a session's end in the middle of either window's send.
#include "tests/ui/win32/Win32Harness.h"
#include "tests/ui/UiHarness.h"

#include "relay/Funcoes.h"
#include "tests/support/Wine.h"
#include "ui/win32/FMainAutomatico.h"
#include "ui/win32/FMainManual.h"
#include "ui/win32/Texto.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <optional>
#include <thread>

namespace tarrow::test {
namespace {

void Clica(HWND botao) { SendMessageW(botao, BM_CLICK, 0, 0); }

// Two sales of today (600 with two rows, 601) and a return of 600.
const std::string kDuasVendas = Linha(600, 1, "1") + ";" + Linha(600, 2, "2") + ";" + Linha(601, 1, "1") + ";" +
                                Linha(600, 1, "-1");

// The system's question at a session's end, sent from a thread of its own as the system sends it,
// while the window's thread is in a send.
// On the window's thread, until another thread's message waits for it.
void EsperaMensagemEnviada()
{
    for (int i = 0; i < 500 && !(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE); ++i) Sleep(10);
}

class TFimDeSessao {
public:
    explicit TFimDeSessao(HWND janela) : janela_(janela) {}
    ~TFimDeSessao() { Espera(); }
    TFimDeSessao(const TFimDeSessao&) = delete;
    TFimDeSessao& operator=(const TFimDeSessao&) = delete;

    // On the window's thread: returns once the question waits for that thread.
    void Pergunta()
    {
        pergunta_ = std::thread([this] {
            const ULONGLONG antes = GetTickCount64();
            DWORD_PTR resposta = TRUE;
            Respondida = SendMessageTimeoutW(janela_, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000,
                                             &resposta) != 0;
            Resposta = static_cast<LRESULT>(resposta);
            Demora = GetTickCount64() - antes;
        });
        EsperaMensagemEnviada();
    }
    void Espera()
    {
        if (pergunta_.joinable()) pergunta_.join();
    }

    bool Respondida = false;
    LRESULT Resposta = TRUE;
    ULONGLONG Demora = 0;

private:
    HWND janela_;
    std::thread pergunta_;
};

// The reason the window gives the system while it holds the session's end; Wine keeps none.
std::optional<std::string> MotivoBloqueio(HWND janela)
{
    using TConsulta = BOOL(WINAPI*)(HWND, LPWSTR, DWORD*);
    const auto consulta = reinterpret_cast<TConsulta>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "ShutdownBlockReasonQuery")));
    if (consulta == nullptr) return std::nullopt;
    wchar_t texto[256] = {};
    DWORD tamanho = 256;
    if (!consulta(janela, texto, &tamanho)) return std::string();
    return Estreito(texto);
}

// What both windows do when the session ends during their send: the question, asked between the
// sale's first and second item calls, is answered within the system's limit and refused; the
// sale in hand goes to its end and its mark, nothing of the next sale or the returns goes out,
// the lock is let go, no box shows, and the window closes by itself.
void ConfereFimDeSessao(const TFimDeSessao& fim, TLoja& loja, TUMain& logica)
{
    EXPECT_TRUE(fim.Respondida);
    EXPECT_EQ(fim.Resposta, FALSE) << "a sale was in hand";
    EXPECT_LT(fim.Demora, 2000u) << "answered between two calls";
    EXPECT_EQ(Resumo(loja.Peer), (std::vector<std::string>{"venda 600", "item 600/1 V", "item 600/2 V"}));
    EXPECT_EQ(Marcas(loja, 600), "V\nV\n-\n");
    EXPECT_EQ(Marcas(loja, 601), "-\n");
    EXPECT_FALSE(logica.EnvioEmAndamento());
    TTravaAlheia outro(loja, logica.NomeTrava());
    EXPECT_EQ(outro.Toma(), 1) << "the lock was let go";
}

// The window over a store on the test server and the scripted web service peer.
class JanelaManualComLoja : public ::testing::Test {
protected:
    JanelaManualComLoja() : relogio_(kHojeUi + EncodeTime(15, 0, 0, 0))
    {
        DefineHostTesteInternet(kSemInternet);
        Cadastra(loja_);
        janela_.DefineMensagens(&caixas_);
    }

    void Inicia()
    {
        janela_.FormCreate();
        ASSERT_EQ(caixas_.Caixas.size(), 1u);
        EXPECT_EQ(caixas_.Caixas[0].Texto.rfind("A conexão com a internet não está ativa.", 0), 0u);
        caixas_.Caixas.clear();
        janela_.Mostra();
    }

    TScopedClock relogio_;
    // A folder named outside the ANSI code page: the settings, the database and the service are
    // reached only when its name crosses to the system whole.
    TLoja loja_{"Loja São João ✓"};
    TMensagensGravadas caixas_;
    TFMainManual janela_{loja_.Diretorio.Path()};
};

// What the window showed at one service call of a send.
struct TAmostra {
    std::string Rotulo;
    LRESULT Posicao;
    bool Botoes;
};

TEST_F(JanelaManualComLoja, ASendShowsItsProgressAndAtItsEndTheMessageAndACloseDuringItWaitsForThat)
{
    loja_.Sql(Linha(600, 1, "1") + ";" + Linha(600, 2, "2") + ";" + Linha(601, 1, "1") + ";" + Linha(600, 1, "-1"));
    Inicia();
    Clica(janela_.opcoes[2]);
    HWND janela = janela_.Handle();
    std::vector<TAmostra> amostras;
    AntesDeCadaChamada(janela_.Logica(), [&] {
        amostras.push_back({TextoDe(janela_.lblProgresso), SendMessageW(janela_.Progresso, PBM_GETPOS, 0, 0),
                            IsWindowEnabled(janela_.btnEnviar) || IsWindowEnabled(janela_.btnVerificar)});
        if (amostras.size() == 1) PostMessageW(janela, WM_CLOSE, 0, 0);
    });
    bool abertaNaMensagem = false;
    caixas_.AoMostrar = [&](const TCaixa& caixa) {
        if (caixa.Texto == "Envio concluído.") abertaNaMensagem = IsWindow(janela) && IsWindowVisible(janela);
    };
    Clica(janela_.btnEnviar);
    // The returns' range of one sale: at rest the gauge prints its minimum, not a full bar.
    const std::string gaugeEmRepouso = TextoDe(janela_.Progresso);
    ProcessaPor(50);

    EXPECT_EQ(caixas_.Textos(), (std::vector<std::string>{"Deseja enviar as vendas?", "Envio concluído."}));
    ASSERT_EQ(amostras.size(), 7u) << "three calls for the sale of two rows, two for the others";
    EXPECT_EQ(amostras[0].Rotulo, "Enviando vendas (1 de 2)");
    EXPECT_EQ(amostras[0].Posicao, 2);
    EXPECT_EQ(amostras[3].Rotulo, "Enviando vendas (2 de 2)");
    EXPECT_EQ(amostras[5].Rotulo, "Enviando devoluções (1 de 1)");
    for (const TAmostra& a : amostras) EXPECT_FALSE(a.Botoes);
    EXPECT_EQ(Marcas(loja_, 600), "V\nV\nV\n");
    EXPECT_EQ(Marcas(loja_, 601), "V\n");
    EXPECT_EQ(gaugeEmRepouso, "0%");
    EXPECT_TRUE(abertaNaMensagem) << "the close waited for the send's end";
    EXPECT_FALSE(IsWindow(janela)) << "and then took effect";
}

TEST_F(JanelaManualComLoja, ASessionsEndDuringASendFinishesTheSaleInHandAndClosesTheWindow)
{
    loja_.Sql(kDuasVendas);
    Inicia();
    Clica(janela_.opcoes[2]);
    HWND janela = janela_.Handle();
    TFimDeSessao fim(janela);
    int chamadas = 0;
    AntesDeCadaChamada(janela_.Logica(), [&] {
        if (++chamadas == 2) fim.Pergunta();
    });
    Clica(janela_.btnEnviar);
    fim.Espera();
    ConfereFimDeSessao(fim, loja_, janela_.Logica());
    EXPECT_EQ(caixas_.Textos(), std::vector<std::string>{"Deseja enviar as vendas?"}) << "no \"Envio concluído.\"";
    ProcessaPor(50);
    EXPECT_FALSE(IsWindow(janela));
}

// The automatic sender's tick, hidden in the notification area; with no send in hand it agrees
// at once.
TEST(JanelaAutomaticaComLojaEServico, ASessionsEndDuringATickFinishesTheSaleInHandAndEndsTheProgram)
{
    TScopedClock relogio(kHojeUi + EncodeTime(15, 0, 0, 0));
    DefineHostTesteInternet(kSemInternet);
    TLoja loja;
    Cadastra(loja);
    loja.Sql(kDuasVendas);
    TMensagensGravadas caixas;
    TFMainAutomatico automatico(loja.Diretorio.Path());
    automatico.DefineMensagens(&caixas);
    automatico.FormCreate();
    caixas.Caixas.clear();
    HWND janela = automatico.Handle();
    EXPECT_EQ(SendMessageW(janela, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE) << "no send in hand";

    TFimDeSessao fim(janela);
    int chamadas = 0;
    std::optional<std::string> motivo;
    // Another program's close arrives nested in the send as well: it must wait for the send's end.
    std::thread fecho;
    bool abertaAposFecho = false;
    AntesDeCadaChamada(automatico.Logica(), [&] {
        if (++chamadas == 2) {
            fecho = std::thread([janela] {
                DWORD_PTR resposta = 0;
                SendMessageTimeoutW(janela, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, &resposta);
            });
            EsperaMensagemEnviada();
            fim.Pergunta();
        }
        if (chamadas == 3) {
            motivo = MotivoBloqueio(janela);
            abertaAposFecho = IsWindow(janela) != FALSE;
        }
    });
    automatico.TimerTimer();
    fim.Espera();
    fecho.join();
    EXPECT_TRUE(abertaAposFecho) << "the close waited for the send";
    ConfereFimDeSessao(fim, loja, automatico.Logica());
    if (!RunsUnderWine()) {
        EXPECT_EQ(motivo, std::optional<std::string>("Enviando vendas..."));
    }
    EXPECT_TRUE(caixas.Caixas.empty()) << "no box, not even for the stop";
    ProcessaPor(50);
    EXPECT_FALSE(IsWindow(janela));
}

}  // namespace
}  // namespace tarrow::test
