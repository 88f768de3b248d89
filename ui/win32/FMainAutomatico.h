#pragma once
// TARROW's window on Windows: hidden right after start, it lives as a notification-area icon and
// sends the day's sales and returns every five minutes or when its button is clicked.

#include "ui/win32/JanelaPrincipal.h"

#include <shellapi.h>

#include <functional>

namespace tarrow {

class TFMainAutomatico final : public TJanelaPrincipal {
public:
    enum : int {
        idBtnEnviar = 100,
        idAbrir1 = 201,
        idMinimizar1,
        idFechar1,
    };
    enum : UINT_PTR { idTimer = 1, idMinimizar = 2, idBandeja = 3 };
    // What the notification-area icon sends its window.
    static constexpr UINT kMensagemBandeja = WM_APP + 1;
    // An icon the shell refused at start is tried again this often, this many times (three
    // minutes), and on every "TaskbarCreated".
    static constexpr UINT kIntervaloBandeja = 2000;
    static constexpr int kTentativasBandeja = 90;
    // The notification area's call; tests put themselves in between.
    using TAreaDeNotificacao = std::function<BOOL(DWORD acao, NOTIFYICONDATAW* dados)>;

    explicit TFMainAutomatico(const std::string& diretorio);
    ~TFMainAutomatico() override;

    void FormCreate();

    // Event handlers, as the window declares them.
    void TimerTimer();
    void btnEnviarClick();
    void MinimizarTimer();
    void Abrir1Click();
    void Minimizar1Click();
    void Fechar1Click();

    // The timer's interval: the design's five minutes unless a test asks for less.
    void DefineIntervaloTimer(UINT milissegundos);
    UINT IntervaloTimer() const noexcept { return intervaloTimer_; }

    void DefineAreaDeNotificacao(TAreaDeNotificacao area) { area_ = std::move(area); }

    // TJanelaEnvio
    void HabilitaEnvio(bool habilitado) override;
    void IniciaProgresso(int, int, int) override {}
    void AvancaProgresso(const std::string&) override {}

    bool BandejaAtiva() const noexcept { return bandejaAtiva_; }
    bool MinimizarAtivo() const noexcept { return minimizarAtivo_; }
    // The icon is still being tried again after a refusal.
    bool TentandoBandeja() const noexcept { return tentativasBandeja_ > 0; }
    // The icon's hint and picture as given to the notification area.
    const TIcone& IconeBandeja() const noexcept { return iconeBandeja_; }

    HWND btnEnviar;
    HMENU PopupMenu1;

protected:
    LRESULT Trata(UINT mensagem, WPARAM w, LPARAM l) override;

private:
    void AtivaBandeja();
    bool AdicionaIcone();
    void RemoveIcone();
    void MostraMenu();
    // Hiding is only safe while the icon can bring the window back.
    void Esconde();
    // After a refusal: one more try, and the window as the design wants it once the icon is there.
    void TentaBandeja();
    void BandejaTimer();
    // Without an icon the title bar gets the system menu and the close button.
    void DefineSemBandeja(bool semBandeja);

    TIcone imagemEnviar_;
    TIcone iconeBandeja_;
    UINT taskbarCreated_;
    UINT intervaloTimer_;
    bool timerAtivo_ = false;
    bool minimizarAtivo_ = false;
    bool bandejaAtiva_ = false;
    // The start-up asked for the icon (a start stopped by the settings does not).
    bool bandejaPedida_ = false;
    int tentativasBandeja_ = 0;
    // The hide-once tick came while the window was shown and had no icon to come back through.
    bool esconderComIcone_ = false;
    TAreaDeNotificacao area_;
};

}  // namespace tarrow
