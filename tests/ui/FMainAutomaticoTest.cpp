// TARROW's window: the notification-area program, its timers and menu, and sends from a tick or
// the button to the rows marked in the store.
#include "tests/ui/UiHarness.h"

#include "platform/ProgramDir.h"
#include "relay/Funcoes.h"
#include "ui/FMainAutomatico.h"
#include "ui/Programa.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <regex>
#include <thread>

namespace tarrow::test {
namespace {

using ::testing::ElementsAre;

class JanelaAutomatica : public ::testing::Test {
protected:
    JanelaAutomatica() : relogio_(kHojeUi + EncodeTime(15, 0, 0, 0))
    {
        DefineHostTesteInternet(kSemInternet);
        Cadastra(loja_);
    }

    // The window, created as the program creates it, on a desktop with or without a tray.
    TFMainAutomatico& Janela(bool comBandeja = true)
    {
        janela_ = std::make_unique<TFMainAutomatico>(loja_.Diretorio.Path(), [comBandeja] { return comBandeja; });
        janela_->DefineMensagens(&caixas_);
        return *janela_;
    }

    // The program entry with its event loop; quando runs once the loop has run a while.
    int Executa(TFMainAutomatico& janela, const std::function<void()>& quando)
    {
        QTimer salvaguarda;
        salvaguarda.setSingleShot(true);
        QObject::connect(&salvaguarda, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        salvaguarda.start(10000);
        QTimer depois;
        depois.setSingleShot(true);
        QObject::connect(&depois, &QTimer::timeout, quando);
        return ExecutaPrograma(*qApp, janela, [&] {
            janela.FormCreate();
            depois.start(100);
        });
    }

    void DescartaAvisoDeInternet()
    {
        ASSERT_THAT(caixas_.Textos(), ElementsAre(::testing::StartsWith("A conexão com a internet não está ativa.")));
        caixas_.Caixas.clear();
    }

    TScopedClock relogio_;
    TLoja loja_;
    TMensagensGravadas caixas_;
    std::unique_ptr<TFMainAutomatico> janela_;
};

TEST_F(JanelaAutomatica, TheDesignHasNoTitleBarButtonsItsTimersAndTheTrayMenu)
{
    TFMainAutomatico& janela = Janela();
    janela.FormCreate();
    EXPECT_EQ(janela.windowTitle(), "TarrowKesto 1.1.1.0");
    EXPECT_EQ(janela.objectName(), "FMain");
    EXPECT_EQ(janela.size(), QSize(169, 47));
    EXPECT_EQ(janela.minimumSize(), janela.maximumSize());
    const Qt::WindowFlags flags = janela.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(janela.font().pointSize(), 8);

    EXPECT_EQ(janela.btnEnviar->geometry(), QRect(8, 11, 153, 25));
    EXPECT_EQ(janela.btnEnviar->text(), "Enviar vendas");
    EXPECT_FALSE(janela.btnEnviar->icon().isNull());
    EXPECT_EQ(janela.Timer->interval(), 300000);
    EXPECT_TRUE(janela.Timer->isActive());
    EXPECT_EQ(janela.Minimizar->interval(), 10);
    EXPECT_TRUE(janela.Minimizar->isActive());

    EXPECT_EQ(janela.Tray->toolTip(), "TarrowKesto");
    EXPECT_FALSE(janela.Tray->icon().isNull());
    EXPECT_EQ(janela.Tray->contextMenu(), janela.PopupMenu1);
    QStringList itens;
    for (QAction* acao : janela.PopupMenu1->actions()) itens << acao->text();
    EXPECT_EQ(itens, QStringList({"Abrir", "Minimizar", "Fechar"}));
    EXPECT_TRUE(janela.BandejaAtiva());
    EXPECT_TRUE(janela.Tray->isVisible());
}

TEST_F(JanelaAutomatica, AStartWithoutABoxFlashesTheWindowHidesItAndTheMenuShowsAndHidesIt)
{
    TFMainAutomatico& janela = Janela();
    int exibicoes = 0;
    bool escondidaAposPartida = false, minimizarParado = false;
    bool menuMinimizarEscondida = false, abrirMostra = false, abrirDeNovoMostra = false, minimizarEsconde = false;
    caixas_.AoMostrar = [](const TCaixa&) {};  // the warning is recorded; no box stays open
    struct TContaExibicoes : QObject {
        int* n;
        explicit TContaExibicoes(int* c) : n(c) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Show) ++*n;
            return false;
        }
    } contador(&exibicoes);
    janela.installEventFilter(&contador);

    const int rc = Executa(janela, [&] {
        escondidaAposPartida = !janela.isVisible();
        minimizarParado = !janela.Minimizar->isActive();
        janela.Minimizar1Click();
        menuMinimizarEscondida = !janela.isVisible();
        janela.Abrir1->trigger();
        abrirMostra = janela.isVisible();
        const QPoint lugar = janela.pos();
        janela.Abrir1->trigger();
        abrirDeNovoMostra = janela.isVisible() && janela.pos() == lugar;
        janela.Minimizar1->trigger();
        minimizarEsconde = !janela.isVisible();
        janela.Fechar1->trigger();
    });

    EXPECT_EQ(rc, 0) << "Fechar ends the program";
    EXPECT_GE(exibicoes, 1) << "the window was shown before it hid";
    EXPECT_TRUE(escondidaAposPartida);
    EXPECT_TRUE(minimizarParado);
    EXPECT_TRUE(menuMinimizarEscondida);
    EXPECT_TRUE(abrirMostra);
    EXPECT_TRUE(abrirDeNovoMostra);
    EXPECT_TRUE(minimizarEsconde);
    EXPECT_FALSE(janela.Tray->isVisible()) << "the icon is removed";
    EXPECT_TRUE(loja_.Peer.Requests().empty()) << "no send before the first five minutes";
}

TEST_F(JanelaAutomatica, TheConnectivityWarningKeepsTheWindowVisibleWithTheIconActive)
{
    TFMainAutomatico& janela = Janela();
    // While the real box is open its event loop runs and the 10 ms tick falls in it.
    caixas_.AoMostrar = [](const TCaixa&) { QTest::qWait(40); };
    bool visivel = false, minimizarParado = false;
    const int rc = Executa(janela, [&] {
        visivel = janela.isVisible();
        minimizarParado = !janela.Minimizar->isActive();
        janela.Fechar1Click();
    });
    EXPECT_EQ(rc, 0);
    EXPECT_THAT(caixas_.Textos(),
                ElementsAre("A conexão com a internet não está ativa.\r\n"
                            "Verifique sua conexão com a internet antes de enviar as vendas ao WebService."));
    EXPECT_EQ(caixas_.Caixas[0].Titulo, "Atenção");
    EXPECT_EQ(caixas_.Caixas[0].Icone, TIconeMensagem::Aviso);
    EXPECT_TRUE(visivel);
    EXPECT_TRUE(minimizarParado);
    EXPECT_TRUE(janela.BandejaAtiva());
}

TEST_F(JanelaAutomatica, ARefusedLoginShowsTheErrorBoxAndTheProgramEndsWithoutSending)
{
    loja_.Sql(Linha(700, 1, "1"));
    loja_.EscreveIni(Cripto("E", "senha-errada", "QXR"));
    TFMainAutomatico& janela = Janela();
    QTimer salvaguarda;
    salvaguarda.setSingleShot(true);
    QObject::connect(&salvaguarda, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    salvaguarda.start(10000);
    const int rc = ExecutaPrograma(*qApp, janela, [&] { janela.FormCreate(); });

    EXPECT_EQ(rc, 0);
    ASSERT_GE(caixas_.Caixas.size(), 1u);
    EXPECT_THAT(caixas_.Caixas[0].Texto, ::testing::StartsWith("Não foi possível conectar no banco de dados.\r\n"
                                                               "Erro original: \r\n#28000Access denied"));
    EXPECT_EQ(caixas_.Caixas[0].Titulo, "Erro");
    EXPECT_EQ(caixas_.Caixas[0].Icone, TIconeMensagem::Erro);
    EXPECT_EQ(janela.windowTitle(), "TarrowKesto 1.1.1.0");
    EXPECT_TRUE(loja_.Peer.Requests().empty());
    EXPECT_EQ(Marcas(loja_, 700), "-\n");
}

TEST_F(JanelaAutomatica, WithoutATrayTheWindowStaysShownAndCanBeClosed)
{
    TFMainAutomatico& janela = Janela(false);
    bool visivel = false, visivelAposMinimizar = false;
    const int rc = Executa(janela, [&] {
        visivel = janela.isVisible();
        janela.Minimizar1Click();
        visivelAposMinimizar = janela.isVisible();
        janela.close();
    });
    EXPECT_EQ(rc, 0) << "closing the window ends the program";
    EXPECT_FALSE(janela.BandejaAtiva());
    EXPECT_TRUE(visivel);
    EXPECT_TRUE(visivelAposMinimizar);
    EXPECT_TRUE(janela.windowFlags().testFlag(Qt::WindowCloseButtonHint));
}

TEST_F(JanelaAutomatica, AStartUpStoppedByTheSettingsShowsTheVersionAndKeepsTheWindowClosable)
{
    loja_.Diretorio.Write("sistema_kesto.ini", "[ip]\r\ndatabase=loja\r\nlocal=127.0.0.6\r\nsenha=\r\n");
    TFMainAutomatico& janela = Janela();
    janela.FormCreate();
    EXPECT_EQ(janela.windowTitle(), "TarrowKesto 1.1.1.0") << "the caption comes before anything else";
    ASSERT_EQ(caixas_.Caixas.size(), 1u) << "no connect, no connectivity check";
    EXPECT_EQ(caixas_.Caixas[0].Titulo, ProgramTitle());
    EXPECT_EQ(caixas_.Caixas[0].Icone, TIconeMensagem::Erro);
    EXPECT_EQ(caixas_.Caixas[0].Texto.back(), '.');
    EXPECT_TRUE(janela.Timer->isActive());
    EXPECT_FALSE(janela.BandejaAtiva());
    EXPECT_FALSE(janela.Tray->isVisible());
    EXPECT_TRUE(janela.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    janela.show();
    janela.MinimizarTimer();
    EXPECT_TRUE(janela.isVisible()) << "hiding it would leave no way back";
}

TEST_F(JanelaAutomatica, TheButtonSendsTheDaysSalesAndIsDisabledMeanwhile)
{
    loja_.Sql(Linha(700, 1, "1") + ";" + Linha(700, 2, "1") + ";" + Linha(700, 1, "-1") + ";" +
              Linha(701, 1, "1", "7.50", "2026-12-08 10:00:00"));
    TFMainAutomatico& janela = Janela();
    janela.FormCreate();
    DescartaAvisoDeInternet();
    std::vector<bool> botao;
    AntesDeCadaChamada(janela.Logica(), [&] { botao.push_back(janela.btnEnviar->isEnabled()); });
    janela.btnEnviar->click();

    EXPECT_TRUE(caixas_.Caixas.empty());
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 700", "item 700/1 V", "item 700/2 V", "venda 700",
                                                "item 700/1 D"));
    EXPECT_THAT(botao, ::testing::Each(false));
    EXPECT_TRUE(janela.btnEnviar->isEnabled());
    EXPECT_EQ(Marcas(loja_, 700), "V\nV\nV\n");
    EXPECT_EQ(Marcas(loja_, 701), "-\n") << "only the current day";
}

TEST_F(JanelaAutomatica, EveryFailedTickShowsOneBoxAndTheButtonWaitsForASendThatCompletes)
{
    loja_.Sql(Linha(700, 1, "1"));
    TFMainAutomatico& janela = Janela();
    janela.FormCreate();
    DescartaAvisoDeInternet();
    loja_.EscreveConf("http://" + PeerHost() + ":" + std::to_string(ClosedPort()) + "/van.asmx");

    janela.btnEnviar->click();
    janela.TimerTimer();
    janela.TimerTimer();
    ASSERT_EQ(caixas_.Caixas.size(), 3u) << "one box per failed send";
    // libcurl's text tells how long the refused connect took, which may differ by a millisecond.
    auto semTempo = [](const std::string& texto) {
        return std::regex_replace(texto, std::regex(" after [0-9]+ ms"), "");
    };
    for (const TCaixa& caixa : caixas_.Caixas) {
        EXPECT_EQ(semTempo(caixa.Texto), semTempo(caixas_.Caixas[0].Texto));
        EXPECT_EQ(caixa.Titulo, ProgramTitle());
        EXPECT_EQ(caixa.Icone, TIconeMensagem::Erro);
    }
    EXPECT_FALSE(janela.btnEnviar->isEnabled());
    EXPECT_EQ(loja_.Sql("SELECT count(*) FROM van_pendentes"), "0\n") << "nothing registered";
    EXPECT_TRUE(loja_.ListasPendentes().empty());

    loja_.EscreveConf(loja_.Peer.Url());
    janela.TimerTimer();
    EXPECT_EQ(caixas_.Caixas.size(), 3u);
    EXPECT_TRUE(janela.btnEnviar->isEnabled());
    EXPECT_EQ(Marcas(loja_, 700), "V\n");
}

TEST_F(JanelaAutomatica, ATickDueDuringASendIsHandledAfterItAsOneMoreSend)
{
    loja_.Sql(Linha(700, 1, "1"));
    TFMainAutomatico& janela = Janela();
    janela.FormCreate();
    DescartaAvisoDeInternet();
    int ticks = 0;
    // Runs after the window's own handler; stopping here keeps later periods out of the count.
    QObject::connect(janela.Timer, &QTimer::timeout, [&] {
        ++ticks;
        janela.Timer->stop();
    });
    bool primeira = true;
    AntesDeCadaChamada(janela.Logica(), [&] {
        if (!primeira) return;
        primeira = false;
        // A sale registered meanwhile, and several periods of the timer gone by.
        loja_.Sql(Linha(701, 2, "1"));
        janela.Timer->start(30);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    janela.btnEnviar->click();
    EXPECT_EQ(ticks, 0) << "no message is processed during a send";

    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 1; }, 2000));
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 700", "item 700/1 V", "venda 701", "item 701/1 V"));
    EXPECT_EQ(Marcas(loja_, 700), "V\n");
    EXPECT_EQ(Marcas(loja_, 701), "V\n");
    EXPECT_TRUE(caixas_.Caixas.empty());
}

// The real box of a failed tick, opened while the window is hidden: closing it must not end a
// program whose only window is hidden.
TEST_F(JanelaAutomatica, ClosingARealErrorBoxWhileHiddenKeepsTheProgramRunning)
{
    loja_.Sql(Linha(700, 1, "1"));
    TFMainAutomatico& janela = Janela();
    loja_.EscreveConf("http://" + PeerHost() + ":" + std::to_string(ClosedPort()) + "/van.asmx");
    std::vector<QString> vistas;
    QTimer fechador;
    QObject::connect(&fechador, &QTimer::timeout, [&] {
        auto* caixa = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (caixa == nullptr) return;
        vistas.push_back(caixa->windowTitle());
        EXPECT_EQ(caixa->icon(), QMessageBox::Critical);
        EXPECT_TRUE(caixa->text().endsWith('.'));
        caixa->done(QMessageBox::Ok);
    });
    bool escondida = false, aindaRodando = false;
    QTimer depois;
    depois.setSingleShot(true);
    QObject::connect(&depois, &QTimer::timeout, [&] {
        aindaRodando = true;
        janela.Fechar1Click();
    });
    const int rc = Executa(janela, [&] {
        escondida = !janela.isVisible();
        janela.DefineMensagens(nullptr);
        fechador.start(10);
        janela.TimerTimer();
        fechador.stop();
        depois.start(100);
    });
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(escondida);
    EXPECT_THAT(vistas, ElementsAre(QString::fromStdString(ProgramTitle())));
    EXPECT_TRUE(aindaRodando) << "the program ended with the box";
    EXPECT_FALSE(janela.btnEnviar->isEnabled());
}

}  // namespace
}  // namespace tarrow::test
