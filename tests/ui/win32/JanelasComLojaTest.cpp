// The manual sender's window over a store on the test server and the scripted web service peer:
// a send with its progress, its end message and a close during it, from a store's folder named
// with accents and a "✓".
#include "tests/ui/win32/Win32Harness.h"
#include "tests/ui/UiHarness.h"

#include "relay/Funcoes.h"
#include "ui/win32/FMainManual.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace tarrow::test {
namespace {

void Clica(HWND botao) { SendMessageW(botao, BM_CLICK, 0, 0); }

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

}  // namespace
}  // namespace tarrow::test
