#pragma once
// What both main windows share on Windows: the window itself (class "TFMain", its styles and
// client size, centred when shown, the design's font, the keyboard focus placed as in a dialog),
// the relay core it drives, the messages interface its boxes go through, the framework's error box
// and the deferred request to end.

#include "relay/UMain.h"
#include "ui/Desenho.h"
#include "ui/win32/Icones.h"
#include "ui/win32/Mensagens.h"

#include <windows.h>

#include <functional>
#include <string>

namespace tarrow {

// The design's face: "MS Sans Serif" at 8 points.
inline constexpr const wchar_t* kFonteDesenho = L"MS Sans Serif";

class TJanelaPrincipal : public TJanelaEnvio {
public:
    // estilo: the title bar and border (WS_CAPTION and what goes with it); the window is created
    // hidden with the given client area.
    TJanelaPrincipal(TVariante variante, TEscolhaEnvio* escolha, const std::string& diretorio, DWORD estilo,
                     int larguraCliente, int alturaCliente);
    virtual ~TJanelaPrincipal();
    TJanelaPrincipal(const TJanelaPrincipal&) = delete;
    TJanelaPrincipal& operator=(const TJanelaPrincipal&) = delete;

    HWND Handle() const noexcept { return janela_; }
    HFONT Fonte() const noexcept { return fonte_; }
    TUMain& Logica() noexcept { return logica_; }

    // Where the window's message boxes go; tests record them instead of showing them.
    void DefineMensagens(TMensagens* mensagens) { mensagens_ = mensagens != nullptr ? mensagens : &caixas_; }

    // The program's main window: its end ends the message loop.
    void EncerraProgramaAoFechar() noexcept { encerraPrograma_ = true; }

    // Centred on the screen's work area, then shown.
    void Mostra();

    // TJanelaEnvio
    void Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone) override;
    bool Pergunta(const std::string& texto, const std::string& titulo) override;
    void DefineTitulo(const std::string& titulo) override;
    void SolicitaTermino() override;

    // Runs an event handler under the framework's error box, a real modal box whose own loop
    // goes on dispatching the thread's messages (timer ticks too). Returns false when it failed.
    bool Manipula(const std::function<void()>& manipulador);

    bool TerminoSolicitado() const noexcept { return terminoSolicitado_; }

    // Pending window messages of the thread, handled as the main loop would.
    static void ProcessaMensagens();

    // What other threads and programs have sent the thread's windows (the session's end among
    // them), answered; no posted message, timer, input or paint is taken in, so no second send
    // can start. A send runs it between two web service calls.
    static void AtendeMensagensEnviadas();

protected:
    // The creation handler: the relay core's start-up, then what the window adds. A request to
    // end made on the way takes effect once the message loop runs.
    void Cria(const std::function<void()>& depoisDaPartida);

    // A child control at its design position, in the design's font, with its caption.
    HWND CriaControle(const wchar_t* classe, const std::string& texto, DWORD estilo, const TRetangulo& r,
                      HWND pai, int id, DWORD estiloEstendido = 0);

    // The window's messages; what a window does not handle goes to DefWindowProcW.
    virtual LRESULT Trata(UINT mensagem, WPARAM w, LPARAM l);

    // A close asked for while a send runs: the window closes once the handler in hand is over.
    void FechaAoTerminar() noexcept { fecharAoTerminar_ = true; }

private:
    static LRESULT CALLBACK Procedimento(HWND janela, UINT mensagem, WPARAM w, LPARAM l);

    // The keyboard focus as a dialog places it: the control that had it when the window was
    // deactivated (a box, another program) gets it back on activation; the first control in tab
    // order when there is none (at start) or it can no longer take it.
    LRESULT TrataFoco(UINT mensagem, WPARAM w, LPARAM l);
    void GuardaFoco();
    void DevolveFoco();
    // The session's end (FimDeSessao.cpp). These arrive nested inside a send, so they never wait
    // for it: they record the request and answer.
    LRESULT ConsultaFimDeSessao();
    void FimDeSessao(bool terminando);
    // Once a handler is over: a session's end that stopped the send ends the program now.
    void EncerraSeFimDeSessao();
    // The system no longer shows why the session's end waits.
    void RetiraMotivoBloqueio();

    HWND janela_ = nullptr;
    HFONT fonte_ = nullptr;
    TIcone iconeGrande_;
    TIcone iconePequeno_;
    TWin32Mensagens caixas_;
    TMensagens* mensagens_;
    TUMain logica_;
    bool terminoSolicitado_ = false;
    bool encerraPrograma_ = false;
    HWND foco_ = nullptr;
    bool fimDeSessao_ = false;
    bool motivoBloqueio_ = false;
    bool encerrandoPorFimDeSessao_ = false;
    bool fecharAoTerminar_ = false;
};

}  // namespace tarrow
