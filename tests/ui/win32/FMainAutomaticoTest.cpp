// TARROW's Win32 window: the design, the hide-once timer, the icon's menu and the shell's
// restart, and the framework's real error boxes, which go on letting ticks through.
#include "tests/ui/win32/Win32Harness.h"

#include "platform/ProgramDir.h"
#include "relay/Funcoes.h"
#include "ui/win32/FMainAutomatico.h"
#include "ui/win32/Texto.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <memory>

namespace tarrow::test {
namespace {

void Comanda(TFMainAutomatico& janela, int id) { SendMessageW(janela.Handle(), WM_COMMAND, id, 0); }

std::string TextoDoItem(HMENU menu, int posicao)
{
    wchar_t texto[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(posicao), texto, 64, MF_BYPOSITION);
    return Estreito(texto);
}


TEST(JanelaAutomaticaWin32, TheDesignHasNoTitleBarButtonAndTheIconsMenu)
{
    TTempDir diretorio;
    TFMainAutomatico janela(diretorio.Path());
    RECT cliente;
    GetClientRect(janela.Handle(), &cliente);
    EXPECT_EQ(cliente.right, 169);
    EXPECT_EQ(cliente.bottom, 47);
    const LONG_PTR estilo = GetWindowLongPtrW(janela.Handle(), GWL_STYLE);
    EXPECT_TRUE(estilo & WS_CAPTION);
    EXPECT_FALSE(estilo & (WS_SYSMENU | WS_THICKFRAME)) << "no system menu, so no button at all";
    EXPECT_EQ(PosicaoNoPai(janela.btnEnviar), automatico::btnEnviar);
    EXPECT_EQ(TextoDe(janela.btnEnviar), "Enviar vendas");
    EXPECT_NE(SendMessageW(janela.btnEnviar, BM_GETIMAGE, IMAGE_ICON, 0), 0);
    ASSERT_EQ(GetMenuItemCount(janela.PopupMenu1), 3);
    EXPECT_EQ(TextoDoItem(janela.PopupMenu1, 0), "Abrir");
    EXPECT_EQ(TextoDoItem(janela.PopupMenu1, 1), "Minimizar");
    EXPECT_EQ(TextoDoItem(janela.PopupMenu1, 2), "Fechar");
    EXPECT_TRUE(janela.MinimizarAtivo());
    EXPECT_FALSE(janela.BandejaAtiva()) << "inactive until the start-up";
}

// Two real error boxes, one inside the other: a tick that falls due while the first is open is
// handled by that box's own loop, and its failed send opens the second.
TEST(JanelaAutomaticaWin32, TheErrorBoxCarriesTheProgramsNameAndTicksGoOnWhileItIsOpen)
{
    TTempDir diretorio;
    TFMainAutomatico janela(diretorio.Path());
    // Nothing listens there: the tick's send fails at once.
    janela.Logica().oConnect.SetServer("127.0.0.54");
    HWND h = janela.Handle();
    bool tickPostado = false, segundaVista = false;
    std::vector<TCaixaReal> vistas;
    {
        TOperador operador([&](const TCaixaReal& caixa, int abertas) {
            if (caixa.Texto != "Primeira falha.") {
                segundaVista = true;
                return IDOK;
            }
            if (!tickPostado) {
                tickPostado = true;
                PostMessageW(h, WM_TIMER, TFMainAutomatico::idTimer, 0);
            }
            return segundaVista && abertas == 1 ? IDOK : 0;
        });
        janela.Manipula([] { throw Exception("Primeira falha"); });
        vistas = operador.Vistas();
    }
    ASSERT_EQ(vistas.size(), 2u);
    EXPECT_EQ(vistas[0].Texto, "Primeira falha.") << "a full stop after a letter";
    EXPECT_EQ(vistas[0].Titulo, ProgramTitle());
    EXPECT_EQ(vistas[1].Titulo, ProgramTitle());
    EXPECT_EQ(vistas[1].Texto.rfind("Can't connect to MySQL server on '127.0.0.54'", 0), 0u) << vistas[1].Texto;
}

// The program's start over a store: the window flashes and hides once, the icon's menu brings it
// back and hides it, the shell's restart brings the icon back and "Fechar" ends it all.
class JanelaAutomaticaComLoja : public ::testing::Test {
protected:
    JanelaAutomaticaComLoja() : relogio_(kHojeUi + EncodeTime(15, 0, 0, 0))
    {
        DefineHostTesteInternet(kSemInternet);
        janela_.DefineMensagens(&caixas_);
    }

    TScopedClock relogio_;
    TLojaSemServico loja_;
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
}

}  // namespace
}  // namespace tarrow::test
