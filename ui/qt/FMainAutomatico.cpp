#include "ui/qt/FMainAutomatico.h"

#include "ui/Desenho.h"
#include "ui/Manipuladores.h"
#include "ui/qt/IconeTarrow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>

namespace tarrow {

TFMainAutomatico::TFMainAutomatico(const std::string& diretorio, std::function<bool()> bandejaDisponivel)
    : TJanelaPrincipal(TVariante::Automatico, nullptr, diretorio),
      bandejaDisponivel_(bandejaDisponivel ? std::move(bandejaDisponivel)
                                           : [] { return QSystemTrayIcon::isSystemTrayAvailable(); })
{
    // No buttons in the title bar: the icon's menu is the way to close the program.
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(automatico::kLarguraCliente, automatico::kAlturaCliente);

    btnEnviar = new QPushButton(style()->standardIcon(QStyle::SP_ArrowRight), automatico::kEnviar, this);
    btnEnviar->setObjectName("btnEnviar");
    const TRetangulo& r = automatico::btnEnviar;
    btnEnviar->setGeometry(r.Esquerda, r.Topo, r.Largura, r.Altura);
    connect(btnEnviar, &QPushButton::clicked, this, [this] { btnEnviarClick(); });

    Timer = new QTimer(this);
    Timer->setObjectName("Timer");
    Timer->setInterval(automatico::kIntervaloTimer);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
    Timer->start();

    Minimizar = new QTimer(this);
    Minimizar->setObjectName("Minimizar");
    Minimizar->setInterval(automatico::kIntervaloMinimizar);
    connect(Minimizar, &QTimer::timeout, this, [this] { MinimizarTimer(); });
    Minimizar->start();

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    Abrir1 = PopupMenu1->addAction(automatico::kAbrir);
    Abrir1->setObjectName("Abrir1");
    Minimizar1 = PopupMenu1->addAction(automatico::kMinimizar);
    Minimizar1->setObjectName("Minimizar1");
    Fechar1 = PopupMenu1->addAction(automatico::kFechar);
    Fechar1->setObjectName("Fechar1");
    connect(Abrir1, &QAction::triggered, this, [this] { Abrir1Click(); });
    connect(Minimizar1, &QAction::triggered, this, [this] { Minimizar1Click(); });
    connect(Fechar1, &QAction::triggered, this, [this] { Fechar1Click(); });

    Tray = new QSystemTrayIcon(IconeTarrow(), this);
    Tray->setObjectName("Tray");
    Tray->setToolTip(automatico::kDica);
    Tray->setContextMenu(PopupMenu1);
}

void TFMainAutomatico::FormCreate()
{
    Cria([this] {
        if (!Timer->isActive()) Timer->start();
        AtivaBandeja();
    });
    if (!bandejaAtiva_) {
        // Without an icon the window is the only way to reach the program: it stays on screen
        // and can be closed.
        setWindowFlags(windowFlags() | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    }
}

void TFMainAutomatico::AtivaBandeja()
{
    if (!bandejaDisponivel_()) return;
    Tray->show();
    bandejaAtiva_ = true;
}

void TFMainAutomatico::Esconde()
{
    if (bandejaAtiva_) hide();
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
    Esconde();
    Minimizar->stop();
}

void TFMainAutomatico::Abrir1Click()
{
    // A window the window manager minimised stays iconic under show(), and without a taskbar
    // nothing else brings it back.
    showNormal();
    raise();
    activateWindow();
}

void TFMainAutomatico::Minimizar1Click() { Esconde(); }

void TFMainAutomatico::Fechar1Click()
{
    Tray->hide();
    close();
    QCoreApplication::quit();
}

void TFMainAutomatico::HabilitaEnvio(bool habilitado) { btnEnviar->setEnabled(habilitado); }

}  // namespace tarrow
