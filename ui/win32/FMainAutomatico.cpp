#include "ui/win32/FMainAutomatico.h"

#include "ui/Manipuladores.h"
#include "ui/win32/InstanciaUnica.h"
#include "ui/win32/Texto.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>

namespace tarrow {

namespace {

namespace d = automatico;

// Fixed single border and a title bar without any button: no system menu, so no close button
// either. The icon's "Fechar" is the way to close the program.
constexpr DWORD kEstilo = WS_OVERLAPPED | WS_CAPTION;
constexpr UINT kIdIcone = 1;

NOTIFYICONDATAW DadosDoIcone(HWND janela)
{
    NOTIFYICONDATAW dados{};
    dados.cbSize = sizeof(dados);
    dados.hWnd = janela;
    dados.uID = kIdIcone;
    return dados;
}

}  // namespace

TFMainAutomatico::TFMainAutomatico(const std::string& diretorio)
    : TJanelaPrincipal(TVariante::Automatico, nullptr, diretorio, kEstilo, d::kLarguraCliente, d::kAlturaCliente),
      imagemEnviar_(IconeEnviar()),
      iconeBandeja_(IconeTarrow(GetSystemMetrics(SM_CXSMICON))),
      taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")),
      intervaloTimer_(d::kIntervaloTimer),
      area_([](DWORD acao, NOTIFYICONDATAW* dados) { return Shell_NotifyIconW(acao, dados); })
{
    btnEnviar = CriaControle(WC_BUTTONW, d::kEnviar, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, d::btnEnviar, Handle(),
                             idBtnEnviar);
    SendMessageW(btnEnviar, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(imagemEnviar_.Handle()));

    PopupMenu1 = CreatePopupMenu();
    AppendMenuW(PopupMenu1, MF_STRING, idAbrir1, Largo(d::kAbrir).c_str());
    AppendMenuW(PopupMenu1, MF_STRING, idMinimizar1, Largo(d::kMinimizar).c_str());
    AppendMenuW(PopupMenu1, MF_STRING, idFechar1, Largo(d::kFechar).c_str());

    // Both timers run from the moment the window exists.
    timerAtivo_ = SetTimer(Handle(), idTimer, intervaloTimer_, nullptr) != 0;
    minimizarAtivo_ = SetTimer(Handle(), idMinimizar, d::kIntervaloMinimizar, nullptr) != 0;
}

TFMainAutomatico::~TFMainAutomatico()
{
    RemoveIcone();
    DestroyMenu(PopupMenu1);
}

void TFMainAutomatico::FormCreate()
{
    Cria([this] {
        if (!timerAtivo_) timerAtivo_ = SetTimer(Handle(), idTimer, intervaloTimer_, nullptr) != 0;
        AtivaBandeja();
    });
    if (!bandejaAtiva_) DefineSemBandeja(true);
}

void TFMainAutomatico::DefineSemBandeja(bool semBandeja)
{
    // Without an icon the window is the only way to reach the program: it stays on screen and
    // can be closed.
    const LONG_PTR estilo = GetWindowLongPtrW(Handle(), GWL_STYLE);
    const LONG_PTR menu = WS_SYSMENU;
    SetWindowLongPtrW(Handle(), GWL_STYLE, semBandeja ? estilo | menu : estilo & ~menu);
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

void TFMainAutomatico::DefineIntervaloTimer(UINT milissegundos)
{
    intervaloTimer_ = milissegundos;
    if (timerAtivo_) SetTimer(Handle(), idTimer, intervaloTimer_, nullptr);
}

bool TFMainAutomatico::AdicionaIcone()
{
    NOTIFYICONDATAW dados = DadosDoIcone(Handle());
    dados.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    dados.uCallbackMessage = kMensagemBandeja;
    dados.hIcon = iconeBandeja_.Handle();
    const std::wstring dica = Largo(d::kDica);
    wcsncpy(dados.szTip, dica.c_str(), sizeof(dados.szTip) / sizeof(dados.szTip[0]) - 1);
    return area_(NIM_ADD, &dados) != FALSE;
}

void TFMainAutomatico::RemoveIcone()
{
    if (!bandejaAtiva_) return;
    NOTIFYICONDATAW dados = DadosDoIcone(Handle());
    area_(NIM_DELETE, &dados);
    bandejaAtiva_ = false;
}

void TFMainAutomatico::AtivaBandeja()
{
    bandejaPedida_ = true;
    bandejaAtiva_ = AdicionaIcone();
    if (bandejaAtiva_) return;
    // At a login the shell may not take icons yet, and tell no one when it does if its taskbar
    // was already there: tried again on a short timer for a while, and on "TaskbarCreated".
    tentativasBandeja_ = kTentativasBandeja;
    if (SetTimer(Handle(), idBandeja, kIntervaloBandeja, nullptr) == 0) tentativasBandeja_ = 0;
}

void TFMainAutomatico::TentaBandeja()
{
    if (bandejaAtiva_ || !bandejaPedida_ || !AdicionaIcone()) return;
    bandejaAtiva_ = true;
    tentativasBandeja_ = 0;
    KillTimer(Handle(), idBandeja);
    DefineSemBandeja(false);
    // What the start would have done with the icon there.
    if (esconderComIcone_) Esconde();
    esconderComIcone_ = false;
}

void TFMainAutomatico::BandejaTimer()
{
    if (--tentativasBandeja_ <= 0) {
        tentativasBandeja_ = 0;
        KillTimer(Handle(), idBandeja);
    }
    TentaBandeja();
}

void TFMainAutomatico::Esconde()
{
    if (bandejaAtiva_) ShowWindow(Handle(), SW_HIDE);
}

void TFMainAutomatico::MostraMenu()
{
    POINT onde;
    GetCursorPos(&onde);
    // Without the window in the foreground the menu would stay open after a click elsewhere; the
    // message after it lets the menu's loop see that it is over.
    SetForegroundWindow(Handle());
    TrackPopupMenu(PopupMenu1, TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, onde.x, onde.y, 0, Handle(), nullptr);
    PostMessageW(Handle(), WM_NULL, 0, 0);
}

void TFMainAutomatico::TimerTimer()
{
    Manipula([this] { EnviaPeloTimer(Logica()); });
}

void TFMainAutomatico::btnEnviarClick()
{
    Manipula([this] { EnviaPeloBotao(Logica(), *this); });
}

void TFMainAutomatico::MinimizarTimer()
{
    // Off first: a box opened while hiding must not see the tick again.
    KillTimer(Handle(), idMinimizar);
    minimizarAtivo_ = false;
    esconderComIcone_ = !bandejaAtiva_ && IsWindowVisible(Handle());
    Esconde();
}

void TFMainAutomatico::Abrir1Click()
{
    // A window the user minimised stays iconic under a plain show, and with no taskbar entry
    // nothing else would bring it back.
    ShowWindow(Handle(), IsIconic(Handle()) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(Handle());
}

void TFMainAutomatico::Minimizar1Click() { Esconde(); }

void TFMainAutomatico::Fechar1Click()
{
    RemoveIcone();
    DestroyWindow(Handle());
}

void TFMainAutomatico::HabilitaEnvio(bool habilitado) { EnableWindow(btnEnviar, habilitado); }

LRESULT TFMainAutomatico::Trata(UINT mensagem, WPARAM w, LPARAM l)
{
    if (mensagem == taskbarCreated_) {
        // The shell restarted and forgot every icon, or is there at last.
        if (bandejaAtiva_) AdicionaIcone();
        else TentaBandeja();
        return 0;
    }
    if (mensagem == MensagemAbrir()) {
        // A second start of the program in this session.
        Abrir1Click();
        return 0;
    }
    if (Logica().EnvioEmAndamento()) {
        // A send answers what is sent to the window between two web service calls, so these can
        // arrive nested inside it: a close would destroy the window under the send, the icon's
        // menu and a box run loops of their own that take ticks and clicks in, and a click or a
        // tick would start a second send. A close waits for the send's end; the rest is dropped.
        switch (mensagem) {
        case WM_CLOSE:
            FechaAoTerminar();
            return 0;
        case WM_COMMAND:
            if (LOWORD(w) == idFechar1) FechaAoTerminar();
            if (LOWORD(w) == idFechar1 || LOWORD(w) == idBtnEnviar) return 0;
            break;
        case WM_TIMER:
            if (w == idTimer) return 0;
            break;
        case kMensagemBandeja:
            return 0;
        default:
            break;
        }
    }
    switch (mensagem) {
    case WM_TIMER:
        if (w == idTimer) TimerTimer();
        else if (w == idMinimizar && minimizarAtivo_) MinimizarTimer();
        else if (w == idBandeja && tentativasBandeja_ > 0) BandejaTimer();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(w)) {
        case idBtnEnviar:
            if (HIWORD(w) == BN_CLICKED) btnEnviarClick();
            return 0;
        case idAbrir1: Abrir1Click(); return 0;
        case idMinimizar1: Minimizar1Click(); return 0;
        case idFechar1: Fechar1Click(); return 0;
        default: break;
        }
        break;
    case kMensagemBandeja:
        if (LOWORD(l) == WM_RBUTTONUP) MostraMenu();
        return 0;
    case WM_DESTROY:
        KillTimer(Handle(), idTimer);
        KillTimer(Handle(), idMinimizar);
        KillTimer(Handle(), idBandeja);
        RemoveIcone();
        break;
    default: break;
    }
    return TJanelaPrincipal::Trata(mensagem, w, l);
}

}  // namespace tarrow
