// TARROW's Win32 window: the design, the hide-once timer, the icon's menu and the shell's
// restart, and the framework's real error boxes, which go on letting ticks through.
#include "tests/ui/win32/Win32Harness.h"
#include "tests/ui/UiHarness.h"

#include "platform/ProgramDir.h"
#include "relay/Funcoes.h"
#include "ui/win32/FMainAutomatico.h"
#include "ui/win32/InstanciaUnica.h"
#include "ui/win32/Texto.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <memory>

namespace tarrow::test {
namespace {

void Comanda(TFMainAutomatico& janela, int id) { SendMessageW(janela.Handle(), WM_COMMAND, id, 0); }

// The design's colours where the picture has them: the green cross on its white tile, the orange
// arrow in the corner, and nothing drawn outside the tile's rounded corner.
void EsperaCoresDoIcone(HICON icone, int lado)
{
    const TPixels p = PixelsDoIcone(icone);
    ASSERT_EQ(p.Lado, lado);
    const auto em = [&](double x, double y) {
        return p.Em(static_cast<int>(lado * x), static_cast<int>(lado * y));
    };
    EXPECT_EQ(em(0.4, 0.4), 0x1f9d4cu) << "the cross, at " << lado;
    EXPECT_EQ(em(0.25, 0.8), 0xf4f8f4u) << "the tile";
    EXPECT_EQ(em(0.57, 0.73), 0xf08a12u) << "the arrow";
    EXPECT_TRUE(p.Transparente[0]) << "the corner";
    EXPECT_FALSE(p.Transparente[static_cast<std::size_t>(lado * lado / 2 + lado / 2)]);
}

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
    EXPECT_EQ(janela.IntervaloTimer(), 300000u);
    EXPECT_FALSE(janela.BandejaAtiva()) << "inactive until the start-up";

    // In colour: the pens and brushes are the ones each shape chose.
    EsperaCoresDoIcone(janela.IconeBandeja().Handle(), GetSystemMetrics(SM_CXSMICON));
    EsperaCoresDoIcone(IconeTarrow(32).Handle(), 32);
    const TPixels seta =
        PixelsDoIcone(reinterpret_cast<HICON>(SendMessageW(janela.btnEnviar, BM_GETIMAGE, IMAGE_ICON, 0)));
    ASSERT_EQ(seta.Lado, 16);
    EXPECT_EQ(seta.Em(5, 8), 0xf08a12u) << "the button's orange arrow";
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
    EXPECT_EQ(vistas[0].Icone, TIconeMensagem::Erro);
    EXPECT_EQ(vistas[1].Titulo, ProgramTitle());
    EXPECT_EQ(vistas[1].Texto.rfind("Can't connect to MySQL server on '127.0.0.54'", 0), 0u) << vistas[1].Texto;
}

// The program's start over a store: the window flashes and hides once, the icon's menu brings it
// back and hides it, and so does a second start; the button is off during a send and after a
// failed one; the shell's restart brings the icon back and "Fechar" ends it all. Then a shell that
// takes no icon at first, and a start whose real warning keeps the window shown.
class JanelaAutomaticaComLoja : public ::testing::Test {
protected:
    JanelaAutomaticaComLoja() : relogio_(kHojeUi + EncodeTime(15, 0, 0, 0))
    {
        DefineHostTesteInternet(kSemInternet);
        Cadastra(loja_);
        janela_.DefineMensagens(&caixas_);
        janela_.DefineAreaDeNotificacao([this](DWORD acao, NOTIFYICONDATAW* dados) {
            if (acao == NIM_ADD) adicoes_.push_back(*dados);
            return Shell_NotifyIconW(acao, dados);
        });
    }

    TScopedClock relogio_;
    TLoja loja_;
    TMensagensGravadas caixas_;
    std::vector<NOTIFYICONDATAW> adicoes_;
    TFMainAutomatico janela_{loja_.Diretorio.Path()};
};

TEST_F(JanelaAutomaticaComLoja, AStartHidesTheWindowOnceAndTheIconsMenuOpensMinimisesAndCloses)
{
    loja_.Sql(Linha(700, 1, "1"));
    janela_.FormCreate();
    ASSERT_EQ(caixas_.Caixas.size(), 1u) << "the connectivity warning";
    caixas_.Caixas.clear();
    EXPECT_EQ(TextoDe(janela_.Handle()), "TarrowKesto " + VersaoArquivo(ProgramFilePath()));
    ASSERT_TRUE(janela_.BandejaAtiva()) << "the notification area took the icon";
    ASSERT_EQ(adicoes_.size(), 1u);
    EXPECT_EQ(Estreito(adicoes_[0].szTip), "TarrowKesto");
    EXPECT_EQ(adicoes_[0].hIcon, janela_.IconeBandeja().Handle());
    EXPECT_EQ(adicoes_[0].uCallbackMessage, TFMainAutomatico::kMensagemBandeja);
    EXPECT_FALSE(janela_.TentandoBandeja());
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
    EXPECT_EQ(GetFocus(), janela_.btnEnviar) << "Enter sends, as in a dialog";
    ShowWindow(h, SW_MINIMIZE);
    Comanda(janela_, TFMainAutomatico::idAbrir1);
    EXPECT_FALSE(IsIconic(h)) << "Abrir brings a minimised window back";
    Comanda(janela_, TFMainAutomatico::idMinimizar1);
    EXPECT_FALSE(IsWindowVisible(h));

    // The icon's right click opens the menu, where the keys choose "Abrir".
    PostMessageW(h, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(h, WM_KEYDOWN, VK_RETURN, 0);
    SendMessageW(h, TFMainAutomatico::kMensagemBandeja, 1, WM_RBUTTONUP);
    ProcessaPor(50);
    EXPECT_TRUE(IsWindowVisible(h)) << "Abrir, through the icon's menu";
    Comanda(janela_, TFMainAutomatico::idMinimizar1);

    // A second start in this session finds the first one's name and brings its window forward.
    {
        const TInstanciaUnica primeira(L"Local\\TarrowKesto.Teste"), segunda(L"Local\\TarrowKesto.Teste");
        EXPECT_TRUE(primeira.Primeira());
        EXPECT_FALSE(segunda.Primeira());
        segunda.TrazPrimeira();
        ProcessaPor(50);
        EXPECT_TRUE(IsWindowVisible(h)) << "as its Abrir does";
    }
    EXPECT_TRUE(TInstanciaUnica(L"Local\\TarrowKesto.Teste").Primeira()) << "the name goes with its holder";

    // The button is off during a send, stays off after one that failed and comes back with a tick's
    // send that completes.
    std::vector<bool> botao;
    AntesDeCadaChamada(janela_.Logica(),
                       [&] { botao.push_back(IsWindowEnabled(janela_.btnEnviar) != FALSE); });
    loja_.EscreveConf("http://" + PeerHost() + ":" + std::to_string(ClosedPort()) + "/van.asmx");
    SendMessageW(janela_.btnEnviar, BM_CLICK, 0, 0);
    ASSERT_EQ(caixas_.Caixas.size(), 1u) << "the transport's error";
    EXPECT_EQ(caixas_.Caixas[0].Titulo, ProgramTitle());
    EXPECT_EQ(caixas_.Caixas[0].Icone, TIconeMensagem::Erro);
    EXPECT_FALSE(IsWindowEnabled(janela_.btnEnviar)) << "after the error";
    loja_.EscreveConf(loja_.Peer.Url());
    SendMessageW(h, WM_TIMER, TFMainAutomatico::idTimer, 0);
    EXPECT_EQ(caixas_.Caixas.size(), 1u);
    EXPECT_TRUE(IsWindowEnabled(janela_.btnEnviar)) << "a send completed";
    EXPECT_EQ(Marcas(loja_, 700), "V\n");
    EXPECT_EQ(botao, (std::vector<bool>{false, false, false})) << "the failed call, then header and item";
    Comanda(janela_, TFMainAutomatico::idMinimizar1);

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

    // At a login the shell may refuse the icon: the window stays shown and closable, the icon is
    // tried again on a timer for a while and on "TaskbarCreated", and once it is there the window
    // is what the start would have made it.
    bool recusa = true;
    int tentativas = 0;
    TFMainAutomatico tarde(loja_.Diretorio.Path());
    tarde.DefineMensagens(&caixas_);
    tarde.DefineAreaDeNotificacao([&](DWORD acao, NOTIFYICONDATAW* dados) {
        if (acao == NIM_ADD && (++tentativas, recusa)) return FALSE;
        return Shell_NotifyIconW(acao, dados);
    });
    tarde.FormCreate();
    HWND t = tarde.Handle();
    EXPECT_FALSE(tarde.BandejaAtiva());
    EXPECT_TRUE(tarde.TentandoBandeja());
    EXPECT_TRUE(GetWindowLongPtrW(t, GWL_STYLE) & WS_SYSMENU);
    tarde.Mostra();
    ProcessaPor(200);
    EXPECT_FALSE(tarde.MinimizarAtivo());
    EXPECT_TRUE(IsWindowVisible(t)) << "hidden without an icon it would be lost";
    for (int i = 0; i < TFMainAutomatico::kTentativasBandeja; ++i)
        SendMessageW(t, WM_TIMER, TFMainAutomatico::idBandeja, 0);
    EXPECT_EQ(tentativas, 1 + TFMainAutomatico::kTentativasBandeja);
    EXPECT_FALSE(tarde.TentandoBandeja()) << "for a bounded time";
    SendMessageW(t, WM_TIMER, TFMainAutomatico::idBandeja, 0);
    EXPECT_EQ(tentativas, 1 + TFMainAutomatico::kTentativasBandeja);
    recusa = false;
    SendMessageW(t, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(tarde.BandejaAtiva());
    EXPECT_FALSE(GetWindowLongPtrW(t, GWL_STYLE) & WS_SYSMENU) << "the design's title bar again";
    EXPECT_FALSE(IsWindowVisible(t)) << "hidden, as the start's tick would have done";
    Comanda(tarde, TFMainAutomatico::idFechar1);

    // The real connectivity warning: the hide-once tick falls inside its loop, before the window
    // is shown, so the window stays shown after the start.
    TFMainAutomatico avisada(loja_.Diretorio.Path());
    avisada.DefineMensagens(nullptr);
    std::vector<TCaixaReal> vistas;
    {
        ULONGLONG vista = 0;
        TOperador operador([&](const TCaixaReal&, int) {
            if (vista == 0) vista = GetTickCount64();
            return GetTickCount64() - vista > 150 ? IDOK : 0;
        });
        avisada.FormCreate();
        vistas = operador.Vistas();
    }
    ASSERT_EQ(vistas.size(), 1u);
    EXPECT_EQ(vistas[0].Texto.rfind("A conexão com a internet não está ativa.", 0), 0u) << vistas[0].Texto;
    EXPECT_EQ(vistas[0].Titulo, "Atenção");
    EXPECT_EQ(vistas[0].Icone, TIconeMensagem::Aviso);
    EXPECT_FALSE(avisada.MinimizarAtivo()) << "the tick came while the box was open";
    avisada.Mostra();
    ProcessaPor(100);
    EXPECT_TRUE(IsWindowVisible(avisada.Handle())) << "the warning keeps the window shown";
    EXPECT_TRUE(avisada.BandejaAtiva());
    Comanda(avisada, TFMainAutomatico::idFechar1);
}

}  // namespace
}  // namespace tarrow::test
