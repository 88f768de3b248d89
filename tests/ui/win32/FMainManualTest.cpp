// TARROW_Manual's Win32 window: the design, layout by option, the key filter, the warnings, the
// real question box, counts and a send from the window to the rows marked in the store.
#include "tests/ui/win32/Win32Harness.h"

#include "tests/support/Wine.h"

#include "relay/Funcoes.h"
#include "ui/win32/FMainManual.h"
#include "ui/win32/Texto.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>

namespace tarrow::test {
namespace {

namespace d = manual;

int LarguraDoTexto(HWND controle, const std::string& texto)
{
    HDC dc = GetDC(controle);
    HGDIOBJ antes = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(controle, WM_GETFONT, 0, 0)));
    const std::wstring largo = Largo(texto);
    SIZE tamanho{};
    GetTextExtentPoint32W(dc, largo.c_str(), static_cast<int>(largo.size()), &tamanho);
    SelectObject(dc, antes);
    ReleaseDC(controle, dc);
    return tamanho.cx;
}

std::string FaceDaFonte(HWND controle)
{
    HDC dc = GetDC(controle);
    HGDIOBJ antes = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(controle, WM_GETFONT, 0, 0)));
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, antes);
    ReleaseDC(controle, dc);
    return Estreito(face);
}

void Clica(HWND botao) { SendMessageW(botao, BM_CLICK, 0, 0); }

// The window alone, with no store behind it: nothing here reaches the database.
class JanelaManualWin32 : public ::testing::Test {
protected:
    JanelaManualWin32() : relogio_(kHojeUi + EncodeTime(15, 0, 0, 0))
    {
        janela_ = std::make_unique<TFMainManual>(diretorio_.Path());
        janela_->DefineMensagens(&caixas_);
        janela_->Mostra();
    }

    TScopedClock relogio_;
    TTempDir diretorio_;
    TMensagensGravadas caixas_;
    std::unique_ptr<TFMainManual> janela_;
};

TEST_F(JanelaManualWin32, TheDesignPlacesEveryControlInItsTabOrderAndEveryCaptionFitsTheDesignFace)
{
    TFMainManual& j = *janela_;
    EXPECT_EQ(TextoDe(j.Handle()), "TarrowKesto 1.1 (Manual)");
    RECT cliente;
    GetClientRect(j.Handle(), &cliente);
    EXPECT_EQ(cliente.right, 224);
    EXPECT_EQ(cliente.bottom, 264);
    const LONG_PTR estilo = GetWindowLongPtrW(j.Handle(), GWL_STYLE);
    EXPECT_TRUE(estilo & WS_SYSMENU);
    EXPECT_FALSE(estilo & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) << "fixed, close button only";
    RECT janela, area;
    GetWindowRect(j.Handle(), &janela);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_LE(std::abs((janela.left + janela.right) - (area.left + area.right)), 1) << "centred";
    EXPECT_LE(std::abs((janela.top + janela.bottom) - (area.top + area.bottom)), 1);

    EXPECT_EQ(PosicaoNoPai(j.grpOpcao), d::grpOpcao);
    EXPECT_EQ(TextoDe(j.grpOpcao), " Enviar vendas por: ");
    const char* itens[4] = {"Número de lançamento", "Período", "Dia", "Pendências registradas"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(TextoDe(j.opcoes[i]), itens[i]);
    EXPECT_EQ(PosicaoNoPai(j.pnlDados), d::pnlDados);
    EXPECT_TRUE(GetWindowLongPtrW(j.pnlDados, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    EXPECT_EQ(PosicaoNoPai(j.EditNumLanc), d::EditNumLanc);
    EXPECT_EQ(PosicaoNoPai(j.EditDia), d::EditDia);
    EXPECT_EQ(PosicaoNoPai(j.EditAte), d::EditAte);
    EXPECT_FALSE(GetWindowLongPtrW(j.EditDia, GWL_STYLE) & DTS_LONGDATEFORMAT) << "the short date format";
    EXPECT_EQ(PosicaoNoPai(j.btnVerificar), d::btnVerificar);
    EXPECT_EQ(TextoDe(j.btnVerificar), "Verificar vendas pendentes");
    EXPECT_NE(SendMessageW(j.btnVerificar, BM_GETIMAGE, IMAGE_ICON, 0), 0);
    EXPECT_EQ(PosicaoNoPai(j.btnEnviar), d::btnEnviar);
    EXPECT_EQ(TextoDe(j.btnEnviar), "Enviar vendas pendentes");
    EXPECT_NE(SendMessageW(j.btnEnviar, BM_GETIMAGE, IMAGE_ICON, 0), 0);
    EXPECT_EQ(PosicaoNoPai(j.pnlGauge), d::pnlGauge);
    EXPECT_EQ(PosicaoNoPai(j.Progresso), d::Progresso);
    EXPECT_EQ(PosicaoNoPai(j.lblProgresso), d::lblProgresso);
    EXPECT_TRUE(GetWindowLongPtrW(j.lblProgresso, GWL_STYLE) & SS_CENTER);

    // Tab order as the design lists the controls; hidden fields are passed over.
    auto cadeia = [&](HWND inicio) {
        std::vector<HWND> passos{inicio};
        for (HWND c = GetNextDlgTabItem(j.Handle(), inicio, FALSE); c != inicio && passos.size() < 10;
             c = GetNextDlgTabItem(j.Handle(), c, FALSE))
            passos.push_back(c);
        return passos;
    };
    EXPECT_EQ(cadeia(j.opcoes[0]), (std::vector<HWND>{j.opcoes[0], j.EditNumLanc, j.btnVerificar, j.btnEnviar}));
    Clica(j.opcoes[1]);
    EXPECT_EQ(cadeia(j.opcoes[1]),
              (std::vector<HWND>{j.opcoes[1], j.EditDia, j.EditAte, j.btnVerificar, j.btnEnviar}));

    // Wine has no "MS Sans Serif" of its own and gives what its font substitutes name.
    EXPECT_EQ(FaceDaFonte(j.btnEnviar), RunsUnderWine() ? "Liberation Sans" : "MS Sans Serif");
    // A caption beside a 16-pixel picture, with the button's margins.
    EXPECT_LE(LarguraDoTexto(j.btnVerificar, d::kVerificar) + 16 + 12, d::btnVerificar.Largura);
    EXPECT_LE(LarguraDoTexto(j.btnEnviar, d::kEnviar) + 16 + 12, d::btnEnviar.Largura);
    for (int i = 0; i < 4; ++i) EXPECT_LE(LarguraDoTexto(j.opcoes[i], itens[i]) + 20, d::Opcao(i).Largura);
    EXPECT_LE(LarguraDoTexto(j.lblProgresso, "Enviando devoluções (999 de 999)"), d::lblProgresso.Largura);
    EXPECT_LE(LarguraDoTexto(j.pnlDados, d::kAvisoPendentes) + 4, d::pnlDados.Largura);
}

TEST_F(JanelaManualWin32, StartsOnTheNumberWithTodayInTheDatesAndEachOptionShowsAndPlacesItsFields)
{
    TFMainManual& j = *janela_;
    EXPECT_EQ(j.Opcao(), TOpcaoEnvio::NumeroLancamento);
    EXPECT_TRUE(Visivel(j.EditNumLanc));
    EXPECT_FALSE(Visivel(j.EditDia));
    EXPECT_FALSE(Visivel(j.EditAte));
    EXPECT_EQ(DataDoCampo(j.EditDia), kHojeUi);
    EXPECT_EQ(DataDoCampo(j.EditAte), kHojeUi);
    EXPECT_EQ(TextoDe(j.lblProgresso), "Aguardando envio");
    EXPECT_EQ(SendMessageW(j.Progresso, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(TextoDe(j.Progresso), "0%") << "what the gauge prints at rest";
    EXPECT_EQ(GetFocus(), j.opcoes[0]) << "the first control in tab order, as in a dialog";

    Clica(j.opcoes[2]);
    EXPECT_EQ(j.Opcao(), TOpcaoEnvio::Dia);
    EXPECT_FALSE(Visivel(j.EditNumLanc));
    EXPECT_TRUE(Visivel(j.EditDia));
    EXPECT_EQ(PosicaoNoPai(j.EditDia).Esquerda, 58);
    EXPECT_FALSE(Visivel(j.EditAte));

    Clica(j.opcoes[1]);
    EXPECT_TRUE(Visivel(j.EditDia) && Visivel(j.EditAte));
    EXPECT_EQ(PosicaoNoPai(j.EditDia).Esquerda, 8);
    EXPECT_EQ(PosicaoNoPai(j.EditAte).Esquerda, 109);

    Clica(j.opcoes[3]);
    EXPECT_FALSE(Visivel(j.EditNumLanc) || Visivel(j.EditDia) || Visivel(j.EditAte));
    EXPECT_EQ(TextoDe(j.pnlDados), "Vendas registradas como pendentes");
    Clica(j.opcoes[0]);
    EXPECT_EQ(TextoDe(j.pnlDados), "") << "the notice goes with its option";

    // Every show sets both dates to today again.
    DefineDataDoCampo(j.EditDia, EncodeDate(2026, 11, 1));
    ShowWindow(j.Handle(), SW_HIDE);
    ShowWindow(j.Handle(), SW_SHOW);
    EXPECT_EQ(DataDoCampo(j.EditDia), kHojeUi);
}

TEST_F(JanelaManualWin32, TheNumberTakesTypedDigitsOnlyAndAPasteAsItIs)
{
    HWND campo = janela_->EditNumLanc;
    for (wchar_t c : std::wstring(L"12a3")) SendMessageW(campo, WM_CHAR, c, 0);
    EXPECT_EQ(TextoDe(campo), "123");
    SendMessageW(campo, WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(TextoDe(campo), "12");

    ASSERT_TRUE(OpenClipboard(janela_->Handle()));
    EmptyClipboard();
    const std::wstring colado = L"9-x";
    HGLOBAL memoria = GlobalAlloc(GMEM_MOVEABLE, (colado.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(memoria), colado.c_str(), (colado.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memoria);
    SetClipboardData(CF_UNICODETEXT, memoria);
    CloseClipboard();
    SendMessageW(campo, WM_PASTE, 0, 0);
    EXPECT_EQ(TextoDe(campo), "129-x") << "a paste is not filtered: the relay refuses such a number";
}

TEST_F(JanelaManualWin32, BothWarningsPutTheFocusOnTheirFieldAndAskNothing)
{
    TFMainManual& j = *janela_;
    SetFocus(j.btnVerificar);
    Clica(j.btnEnviar);
    ASSERT_EQ(caixas_.Caixas.size(), 1u);
    EXPECT_EQ(caixas_.Caixas[0].Texto, "Informe o número de lançamento.");
    EXPECT_EQ(caixas_.Caixas[0].Titulo, "Atenção");
    EXPECT_EQ(caixas_.Caixas[0].Icone, TIconeMensagem::Aviso);
    EXPECT_EQ(GetFocus(), j.EditNumLanc);

    caixas_.Caixas.clear();
    Clica(j.opcoes[1]);
    DefineDataDoCampo(j.EditDia, EncodeDate(2026, 12, 10));
    DefineDataDoCampo(j.EditAte, EncodeDate(2026, 12, 9));
    SetFocus(j.btnVerificar);
    Clica(j.btnVerificar);
    ASSERT_EQ(caixas_.Caixas.size(), 1u);
    EXPECT_EQ(caixas_.Caixas[0].Texto, "Data final é menor que a data inicial.");
    EXPECT_EQ(GetFocus(), j.EditAte);
}

// A real box: the question's default button is No, so Enter sends nothing and nothing follows.
TEST_F(JanelaManualWin32, TheRealQuestionDefaultsToNoAndNoChangesNothing)
{
    TFMainManual& j = *janela_;
    j.DefineMensagens(nullptr);
    Clica(j.opcoes[3]);
    std::vector<TCaixaReal> vistas;
    SetFocus(j.btnEnviar);
    {
        TOperador operador;
        Clica(j.btnEnviar);
        vistas = operador.Vistas();
    }
    ASSERT_EQ(vistas.size(), 1u) << "nothing after the question";
    EXPECT_EQ(vistas[0].Titulo, "Atenção");
    EXPECT_EQ(vistas[0].Texto, "Deseja enviar as vendas?");
    EXPECT_EQ(vistas[0].BotaoPadrao, IDNO);
    EXPECT_EQ(vistas[0].Icone, TIconeMensagem::Pergunta);
    EXPECT_TRUE(IsWindowEnabled(j.btnEnviar) && IsWindowEnabled(j.btnVerificar));
    EXPECT_EQ(TextoDe(j.lblProgresso), "Aguardando envio");
    EXPECT_EQ(GetFocus(), j.btnEnviar) << "the focus came back from the box";

    // The real warning: its picture, and the focus on the field once it is closed.
    Clica(j.opcoes[0]);
    {
        TOperador operador;
        Clica(j.btnEnviar);
        vistas = operador.Vistas();
    }
    ASSERT_EQ(vistas.size(), 1u);
    EXPECT_EQ(vistas[0].Texto, "Informe o número de lançamento.");
    EXPECT_EQ(vistas[0].Icone, TIconeMensagem::Aviso);
    EXPECT_EQ(GetFocus(), j.EditNumLanc);
}

TEST(JanelaManualWin32ComLoja, WithNothingPendingTheCountReportsBothAsZero)
{
    TScopedClock relogio(kHojeUi + EncodeTime(15, 0, 0, 0));
    DefineHostTesteInternet(kSemInternet);
    TLojaSemServico loja;
    TMensagensGravadas caixas;
    TFMainManual janela(loja.Diretorio.Path());
    janela.DefineMensagens(&caixas);
    janela.FormCreate();
    ASSERT_EQ(caixas.Caixas.size(), 1u) << "the connectivity warning only";
    caixas.Caixas.clear();
    janela.Mostra();
    Clica(janela.opcoes[3]);
    // The real box, with its picture.
    janela.DefineMensagens(nullptr);
    std::vector<TCaixaReal> vistas;
    {
        TOperador operador;
        Clica(janela.btnVerificar);
        vistas = operador.Vistas();
    }
    ASSERT_EQ(vistas.size(), 1u);
    EXPECT_EQ(vistas[0].Texto, "Existe(m) 0 venda(s) e 0 devolução(ões) pendente(s) a enviar.");
    EXPECT_EQ(vistas[0].Titulo, "Atenção");
    EXPECT_EQ(vistas[0].Icone, TIconeMensagem::Informacao);
}

}  // namespace
}  // namespace tarrow::test
