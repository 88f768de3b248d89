// TARROW's window: the notification-area program, its timers and menu, and sends from a tick or
// the button to the rows marked in the store.
#include "tests/ui/qt/QtHarness.h"

#include "platform/ProgramDir.h"
#include "relay/Funcoes.h"
#include "ui/qt/FMainAutomatico.h"
#include "ui/qt/IconeTarrow.h"
#include "ui/qt/Programa.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
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
    EsperaFonteDoDesenho(janela);
    EsperaQueCaibam({janela.btnEnviar});
    const QImage nosso = IconeTarrow().pixmap(16).toImage();
    EXPECT_EQ(janela.windowIcon().pixmap(16).toImage(), nosso);

    EXPECT_EQ(janela.btnEnviar->geometry(), QRect(8, 11, 153, 25));
    EXPECT_EQ(janela.btnEnviar->text(), "Enviar vendas");
    EXPECT_FALSE(janela.btnEnviar->icon().isNull());
    EXPECT_EQ(janela.Timer->interval(), 300000);
    EXPECT_TRUE(janela.Timer->isActive());
    EXPECT_EQ(janela.Minimizar->interval(), 10);
    EXPECT_TRUE(janela.Minimizar->isActive());

    EXPECT_EQ(janela.Tray->toolTip(), "TarrowKesto");
    EXPECT_EQ(janela.Tray->icon().pixmap(16).toImage(), nosso);
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
    bool menuMinimizarEscondida = false, abrirMostra = false, abrirDeNovoMostra = false, abrirRestaura = false;
    bool minimizarEsconde = false;
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
        janela.showMinimized();
        janela.Abrir1->trigger();
        abrirRestaura = janela.isVisible() && !janela.isMinimized();
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
    EXPECT_TRUE(abrirRestaura) << "Abrir brings back a window the window manager minimised";
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
    // The transport's text may say how long the refusal took.
    const auto semTempo = [](const std::string& texto) {
        return std::regex_replace(texto, std::regex("[0-9]+ ms"), "");
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

TEST_F(JanelaAutomatica, AnotherSenderAtWorkSkipsTheTickSilentlyAndWarnsTheButton)
{
    loja_.Sql(Linha(700, 1, "1"));
    TFMainAutomatico& janela = Janela();
    janela.FormCreate();
    DescartaAvisoDeInternet();
    auto outro = std::make_unique<TTravaAlheia>(loja_, janela.Logica().NomeTrava());
    ASSERT_EQ(outro->Toma(), 1);

    janela.TimerTimer();
    EXPECT_TRUE(caixas_.Caixas.empty()) << "unattended boxes would pile up";
    janela.btnEnviar->click();
    ASSERT_EQ(caixas_.Caixas.size(), 1u);
    EXPECT_EQ(caixas_.Caixas[0].Texto, kOutroEnvio);
    EXPECT_EQ(caixas_.Caixas[0].Titulo, "Atenção");
    EXPECT_EQ(caixas_.Caixas[0].Icone, TIconeMensagem::Aviso);
    EXPECT_TRUE(loja_.Peer.Requests().empty());
    EXPECT_TRUE(janela.btnEnviar->isEnabled());

    outro.reset();
    janela.TimerTimer();
    EXPECT_EQ(Marcas(loja_, 700), "V\n") << "the next tick sends";
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

// The real boxes of failed ticks, opened while the window is hidden: the timer goes on ticking
// under them, each failed tick opens one more, a tick after the service is back relays the day
// with the boxes still open, and closing them does not end a program whose only window is hidden.
TEST_F(JanelaAutomatica, TicksGoOnSendingUnderOpenErrorBoxesAndClosingThemKeepsTheProgramRunning)
{
    loja_.Sql(Linha(700, 1, "1"));
    TFMainAutomatico& janela = Janela();
    loja_.EscreveConf("http://" + PeerHost() + ":" + std::to_string(ClosedPort()) + "/van.asmx");
    const auto abertas = [] {
        QList<QMessageBox*> caixas;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* caixa = qobject_cast<QMessageBox*>(w); caixa != nullptr && caixa->isVisible()) caixas << caixa;
        return caixas;
    };
    bool escondida = false, umaAberta = false, duasAbertas = false, primeiraAindaAberta = false, enviou = false;
    int caixasAoEnviar = 0;
    QList<QPointer<QMessageBox>> fechadas;
    const int rc = Executa(janela, [&] {
        escondida = !janela.isVisible();
        janela.DefineMensagens(nullptr);
        janela.Timer->start(50);
        umaAberta = QTest::qWaitFor([&] { return !abertas().isEmpty(); }, 3000);
        const QPointer<QMessageBox> primeira = umaAberta ? abertas().first() : nullptr;
        duasAbertas = QTest::qWaitFor([&] { return abertas().size() >= 2; }, 3000);
        primeiraAindaAberta = primeira != nullptr && primeira->isVisible();

        loja_.EscreveConf(loja_.Peer.Url());
        enviou = QTest::qWaitFor([&] { return janela.btnEnviar->isEnabled(); }, 3000);
        janela.Timer->stop();
        caixasAoEnviar = static_cast<int>(abertas().size());
        for (QMessageBox* caixa : abertas()) {
            EXPECT_EQ(caixa->windowTitle(), QString::fromStdString(ProgramTitle()));
            EXPECT_EQ(caixa->icon(), QMessageBox::Critical);
            EXPECT_TRUE(caixa->text().endsWith('.'));
            EXPECT_EQ(caixa->windowModality(), Qt::ApplicationModal);
            fechadas << caixa;
            caixa->button(QMessageBox::Ok)->click();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::qWait(50);
        janela.Fechar1Click();
    });
    EXPECT_EQ(rc, 0) << "the program went on after its boxes closed, until Fechar";
    EXPECT_TRUE(escondida);
    EXPECT_TRUE(umaAberta);
    EXPECT_TRUE(duasAbertas) << "a tick started a send while the first box was open";
    EXPECT_TRUE(primeiraAindaAberta);
    EXPECT_TRUE(enviou) << "a tick relayed the day with the boxes open";
    EXPECT_GE(caixasAoEnviar, 2) << "no box was closed by the sends";
    EXPECT_EQ(Marcas(loja_, 700), "V\n");
    EXPECT_THAT(Resumo(loja_.Peer), ElementsAre("venda 700", "item 700/1 V"));
    for (const QPointer<QMessageBox>& caixa : fechadas) EXPECT_TRUE(caixa.isNull()) << "a closed box is deleted";
}

}  // namespace
}  // namespace tarrow::test
