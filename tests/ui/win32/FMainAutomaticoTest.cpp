// TARROW's Win32 window: the design, the hide-once timer, the icon's menu and the shell's
// restart, and the framework's real error boxes, which go on letting ticks through.
#include "tests/ui/win32/Win32Harness.h"

#include "platform/ProgramDir.h"
#include "ui/win32/FMainAutomatico.h"
#include "ui/win32/Texto.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <memory>

namespace tarrow::test {
namespace {

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

}  // namespace
}  // namespace tarrow::test
