#pragma once
// TARROW's window: hidden right after start, it lives as a notification-area icon and sends the
// day's sales and returns every five minutes or when its button is clicked.

#include "ui/qt/JanelaPrincipal.h"

#include <functional>

class QAction;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class QTimer;

namespace tarrow {

class TFMainAutomatico final : public TJanelaPrincipal {
    Q_OBJECT

public:
    // bandejaDisponivel tells whether the desktop has a notification area (tests decide it; the
    // offscreen platform has none).
    TFMainAutomatico(const std::string& diretorio, std::function<bool()> bandejaDisponivel = {});

    void FormCreate();

    // Event handlers, as the window declares them.
    void TimerTimer();
    void btnEnviarClick();
    void MinimizarTimer();
    void Abrir1Click();
    void Minimizar1Click();
    void Fechar1Click();

    // TJanelaEnvio
    void HabilitaEnvio(bool habilitado) override;
    void IniciaProgresso(int, int, int) override {}
    void AvancaProgresso(const std::string&) override {}

    bool BandejaAtiva() const noexcept { return bandejaAtiva_; }

    QPushButton* btnEnviar;
    QTimer* Timer;
    QTimer* Minimizar;
    QSystemTrayIcon* Tray;
    QMenu* PopupMenu1;
    QAction* Abrir1;
    QAction* Minimizar1;
    QAction* Fechar1;

private:
    void AtivaBandeja();
    // Hiding is only safe while the icon can bring the window back.
    void Esconde();

    std::function<bool()> bandejaDisponivel_;
    bool bandejaAtiva_ = false;
};

}  // namespace tarrow
