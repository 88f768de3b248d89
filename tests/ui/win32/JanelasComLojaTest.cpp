// Both windows over a store on the test server and the scripted web service peer: the manual
// sender's counts and a send with its progress, the automatic sender's start, hide-once and menu.
#include "tests/ui/win32/Win32Harness.h"
#include "tests/ui/UiHarness.h"

#include "platform/ProgramDir.h"
#include "relay/Funcoes.h"
#include "ui/win32/FMainAutomatico.h"
#include "ui/win32/FMainManual.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>

namespace tarrow::test {
namespace {

void Clica(HWND botao) { SendMessageW(botao, BM_CLICK, 0, 0); }
void Comanda(TFMainAutomatico& janela, int id) { SendMessageW(janela.Handle(), WM_COMMAND, id, 0); }

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
    TLoja loja_;
    TMensagensGravadas caixas_;
    TFMainManual janela_{loja_.Diretorio.Path()};
};

TEST_F(JanelaManualComLoja, TheCountReportsSalesAndReturnsOfTheChoice)
{
    loja_.Sql(Linha(600, 1, "1") + ";" + Linha(601, 2, "-1"));
    Inicia();
    Clica(janela_.opcoes[2]);
    Clica(janela_.btnVerificar);
    Clica(janela_.opcoes[3]);
    Clica(janela_.btnVerificar);
    EXPECT_EQ(caixas_.Textos(), (std::vector<std::string>{
                                    "Existe(m) 1 venda(s) e 1 devolução(ões) pendente(s) a enviar.",
                                    "Existe(m) 0 venda(s) e 0 devolução(ões) pendente(s) a enviar."}));
    EXPECT_EQ(caixas_.Caixas[0].Icone, TIconeMensagem::Informacao);
}

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
    EXPECT_TRUE(abertaNaMensagem) << "the close waited for the send's end";
    EXPECT_FALSE(IsWindow(janela)) << "and then took effect";
}

class JanelaAutomaticaComLoja : public ::testing::Test {
protected:
    JanelaAutomaticaComLoja() : relogio_(kHojeUi + EncodeTime(15, 0, 0, 0))
    {
        DefineHostTesteInternet(kSemInternet);
        Cadastra(loja_);
        janela_.DefineMensagens(&caixas_);
    }

    TScopedClock relogio_;
    TLoja loja_;
    TMensagensGravadas caixas_;
    TFMainAutomatico janela_{loja_.Diretorio.Path()};
};

TEST_F(JanelaAutomaticaComLoja, AStartHidesTheWindowOnceAndTheIconsMenuOpensMinimisesAndCloses)
{
    janela_.FormCreate();
    ASSERT_EQ(caixas_.Caixas.size(), 1u) << "the connectivity warning";
    EXPECT_EQ(TextoDe(janela_.Handle()), "TarrowKesto " + VersaoArquivo(ProgramFilePath()));
    ASSERT_TRUE(janela_.BandejaAtiva()) << "the notification area took the icon";
    HWND h = janela_.Handle();
    janela_.Mostra();
    EXPECT_TRUE(IsWindowVisible(h));
    ProcessaPor(200);
    EXPECT_FALSE(IsWindowVisible(h)) << "the first tick hid the window";
    EXPECT_FALSE(janela_.MinimizarAtivo()) << "once";

    Comanda(janela_, TFMainAutomatico::idMinimizar1);
    EXPECT_FALSE(IsWindowVisible(h)) << "hidden stays hidden";
    Comanda(janela_, TFMainAutomatico::idAbrir1);
    EXPECT_TRUE(IsWindowVisible(h));
    ShowWindow(h, SW_MINIMIZE);
    Comanda(janela_, TFMainAutomatico::idAbrir1);
    EXPECT_FALSE(IsIconic(h)) << "Abrir brings a minimised window back";
    Comanda(janela_, TFMainAutomatico::idMinimizar1);
    EXPECT_FALSE(IsWindowVisible(h));

    // A shell that restarts has forgotten the icon; its broadcast brings it back.
    NOTIFYICONDATAW icone{};
    icone.cbSize = sizeof(icone);
    icone.hWnd = h;
    icone.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icone));
    SendMessageW(h, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &icone)) << "the icon is there again";

    Comanda(janela_, TFMainAutomatico::idFechar1);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &icone)) << "the icon went with the window";
    EXPECT_TRUE(loja_.Peer.Requests().empty()) << "no send in the first five minutes";
}

}  // namespace
}  // namespace tarrow::test
