#include "ui/win32/JanelaPrincipal.h"

#include "platform/ProgramDir.h"
#include "ui/FrameworkErrors.h"
#include "ui/win32/Controles.h"
#include "ui/win32/Texto.h"

namespace tarrow {

namespace {

constexpr const wchar_t* kClasseJanela = L"TFMain";

void RegistraJanela(WNDPROC procedimento)
{
    static const bool registrada = [procedimento] {
        WNDCLASSEXW classe{};
        classe.cbSize = sizeof(classe);
        classe.hInstance = GetModuleHandleW(nullptr);
        classe.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        classe.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        classe.lpfnWndProc = procedimento;
        classe.lpszClassName = kClasseJanela;
        return RegisterClassExW(&classe) != 0;
    }();
    (void)registrada;
}

HFONT FonteDoDesenho()
{
    HDC tela = GetDC(nullptr);
    const int altura = -MulDiv(8, GetDeviceCaps(tela, LOGPIXELSY), 72);
    ReleaseDC(nullptr, tela);
    return CreateFontW(altura, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, kFonteDesenho);
}

}  // namespace

TJanelaPrincipal::TJanelaPrincipal(TVariante variante, TEscolhaEnvio* escolha, const std::string& diretorio,
                                   DWORD estilo, int larguraCliente, int alturaCliente)
    : iconeGrande_(IconeTarrow(GetSystemMetrics(SM_CXICON))),
      iconePequeno_(IconeTarrow(GetSystemMetrics(SM_CXSMICON))),
      mensagens_(&caixas_),
      logica_(variante, *this, escolha, diretorio)
{
    RegistraClasses();
    RegistraJanela(Procedimento);
    fonte_ = FonteDoDesenho();
    RECT r{0, 0, larguraCliente, alturaCliente};
    AdjustWindowRectEx(&r, estilo, FALSE, 0);
    CreateWindowExW(0, kClasseJanela, L"", estilo, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                    r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (janela_ == nullptr)
        throw Exception("Cannot create the main window (error " + std::to_string(GetLastError()) + ")");
    caixas_.DefineDono(janela_);
    // The send asks between sales and at a run's end whether a session's end came meanwhile, and
    // answers the system between two service calls.
    logica_.Parar = [this] { return fimDeSessao_; };
    logica_.EntreChamadas = [] { AtendeMensagensEnviadas(); };
    SendMessageW(janela_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(iconeGrande_.Handle()));
    SendMessageW(janela_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(iconePequeno_.Handle()));
}

TJanelaPrincipal::~TJanelaPrincipal()
{
    if (janela_ != nullptr) {
        // The derived window is gone: its messages must not reach it any more.
        SetWindowLongPtrW(janela_, GWLP_USERDATA, 0);
        DestroyWindow(janela_);
    }
    DeleteObject(fonte_);
}

LRESULT CALLBACK TJanelaPrincipal::Procedimento(HWND janela, UINT mensagem, WPARAM w, LPARAM l)
{
    if (mensagem == WM_NCCREATE) {
        auto* criacao = reinterpret_cast<CREATESTRUCTW*>(l);
        auto* dono = static_cast<TJanelaPrincipal*>(criacao->lpCreateParams);
        dono->janela_ = janela;
        SetWindowLongPtrW(janela, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dono));
    }
    auto* dono = reinterpret_cast<TJanelaPrincipal*>(GetWindowLongPtrW(janela, GWLP_USERDATA));
    if (dono == nullptr) return DefWindowProcW(janela, mensagem, w, l);
    if (mensagem == WM_NCDESTROY) {
        SetWindowLongPtrW(janela, GWLP_USERDATA, 0);
        dono->janela_ = nullptr;
        if (dono->encerraPrograma_) PostQuitMessage(0);
        return DefWindowProcW(janela, mensagem, w, l);
    }
    return dono->Trata(mensagem, w, l);
}

LRESULT TJanelaPrincipal::Trata(UINT mensagem, WPARAM w, LPARAM l)
{
    switch (mensagem) {
    case WM_ACTIVATE:
    case WM_SETFOCUS:
        return TrataFoco(mensagem, w, l);
    case WM_QUERYENDSESSION:
        return ConsultaFimDeSessao();
    case WM_ENDSESSION:
        FimDeSessao(w != FALSE);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(janela_, mensagem, w, l);
}

LRESULT TJanelaPrincipal::TrataFoco(UINT mensagem, WPARAM w, LPARAM)
{
    // The default procedure would give the focus to the window itself, where neither the arrows
    // nor Enter reach a control.
    if (mensagem == WM_SETFOCUS) {
        DevolveFoco();
    } else if (LOWORD(w) == WA_INACTIVE) {
        GuardaFoco();
    } else if (HIWORD(w) == 0) {  // not minimised
        DevolveFoco();
        // No control can take it (the automatic sender's button disabled): the window keeps it.
        if (GetFocus() == nullptr) SetFocus(janela_);
    }
    return 0;
}

void TJanelaPrincipal::GuardaFoco()
{
    // A control disabled while it had the focus left none behind: the one before it is kept.
    HWND foco = GetFocus();
    if (foco != nullptr && IsChild(janela_, foco)) foco_ = foco;
}

void TJanelaPrincipal::DevolveFoco()
{
    HWND alvo = foco_;
    if (alvo == nullptr || !IsWindow(alvo) || !IsChild(janela_, alvo) || !IsWindowVisible(alvo) ||
        !IsWindowEnabled(alvo))
        alvo = GetNextDlgTabItem(janela_, nullptr, FALSE);
    if (alvo != nullptr && IsChild(janela_, alvo) && IsWindowEnabled(alvo)) SetFocus(alvo);
}

HWND TJanelaPrincipal::CriaControle(const wchar_t* classe, const std::string& texto, DWORD estilo,
                                    const TRetangulo& r, HWND pai, int id, DWORD estiloEstendido)
{
    HWND controle = CreateWindowExW(estiloEstendido, classe, Largo(texto).c_str(), WS_CHILD | estilo, r.Esquerda,
                                    r.Topo, r.Largura, r.Altura, pai, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                    GetModuleHandleW(nullptr), nullptr);
    if (controle == nullptr)
        throw Exception("Cannot create a control of the main window (error " + std::to_string(GetLastError()) + ")");
    SendMessageW(controle, WM_SETFONT, reinterpret_cast<WPARAM>(fonte_), FALSE);
    return controle;
}

void TJanelaPrincipal::Mostra()
{
    RECT area, r;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(janela_, &r);
    const int largura = r.right - r.left, altura = r.bottom - r.top;
    SetWindowPos(janela_, nullptr, area.left + (area.right - area.left - largura) / 2,
                 area.top + (area.bottom - area.top - altura) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(janela_, SW_SHOW);
    UpdateWindow(janela_);
}

void TJanelaPrincipal::Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone)
{
    mensagens_->Mensagem(texto, titulo, icone);
}

bool TJanelaPrincipal::Pergunta(const std::string& texto, const std::string& titulo)
{
    return mensagens_->Pergunta(texto, titulo);
}

void TJanelaPrincipal::DefineTitulo(const std::string& titulo) { SetWindowTextW(janela_, Largo(titulo).c_str()); }

void TJanelaPrincipal::SolicitaTermino() { terminoSolicitado_ = true; }

bool TJanelaPrincipal::Manipula(const std::function<void()>& manipulador)
{
    const bool concluido = ExecutaManipulador(
        [&] {
            try {
                manipulador();
            } catch (const EEnvioInterrompido&) {
                // Only a session's end stops a window's send; the program ends on it, and no one
                // is there to read a box.
            }
        },
        [this](const std::string& texto) {
            // A box would hold the session's end until someone closed it.
            if (!fimDeSessao_) mensagens_->Mensagem(texto, ProgramTitle(), TIconeMensagem::Erro);
        });
    EncerraSeFimDeSessao();
    if (fecharAoTerminar_ && !logica_.EnvioEmAndamento()) {
        fecharAoTerminar_ = false;
        // Through the message loop: whatever called the handler is still on the stack.
        PostMessageW(janela_, WM_CLOSE, 0, 0);
    }
    return concluido;
}

void TJanelaPrincipal::Cria(const std::function<void()>& depoisDaPartida)
{
    Manipula([&] {
        logica_.FormCreate();
        depoisDaPartida();
    });
    // Posted once the start-up's boxes are closed: a quit message that reached a box's own loop
    // would close that box at once.
    if (terminoSolicitado_) PostQuitMessage(0);
}

void TJanelaPrincipal::ProcessaMensagens()
{
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            // Left for the main loop, which ends on it.
            PostQuitMessage(static_cast<int>(m.wParam));
            return;
        }
        HWND raiz = GetAncestor(m.hwnd, GA_ROOT);
        if (raiz != nullptr && IsDialogMessageW(raiz, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

}  // namespace tarrow
