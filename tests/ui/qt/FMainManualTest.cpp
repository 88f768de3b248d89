// TARROW_Manual's window: layout by option, input checks, counts, and sends from the window to
// the rows marked in the store.
#include "tests/ui/qt/QtHarness.h"

#include "platform/ProgramDir.h"
#include "relay/Funcoes.h"
#include "ui/qt/FMainManual.h"
#include "ui/qt/IconeTarrow.h"
#include "ui/qt/Programa.h"
#include "ui/qt/QtDatas.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace tarrow::test {
namespace {

using ::testing::ElementsAre;

QRect Retangulo(int x, int y, int w, int h) { return QRect(x, y, w, h); }

// A mouse click on a radio button's indicator.
void Clica(QRadioButton* botao) { QTest::mouseClick(botao, Qt::LeftButton, {}, QPoint(7, botao->height() / 2)); }

class JanelaManual : public ::testing::Test {
protected:
    JanelaManual() : relogio_(kHojeUi + EncodeTime(15, 0, 0, 0))
    {
        DefineHostTesteInternet(kSemInternet);
        Cadastra(loja_);
        janela_.DefineMensagens(&caixas_);
    }

    // The program's start: the creation handler, then the window shown.
    void Inicia()
    {
        janela_.FormCreate();
        ASSERT_THAT(caixas_.Textos(), ElementsAre(::testing::StartsWith("A conexão com a internet não está ativa.")));
        caixas_.Caixas.clear();
        janela_.show();
    }

    TScopedClock relogio_;
    TLoja loja_;
    TMensagensGravadas caixas_;
    TFMainManual janela_{loja_.Diretorio.Path()};
};

TEST_F(JanelaManual, TheDesignPlacesEveryControlAndTheWindowCannotBeResized)
{
    Inicia();
    EXPECT_EQ(janela_.windowTitle(), "TarrowKesto 1.1 (Manual)");
    EXPECT_EQ(janela_.objectName(), "FMain");
    EXPECT_EQ(janela_.size(), QSize(224, 264));
    EXPECT_EQ(janela_.minimumSize(), janela_.maximumSize());
    const Qt::WindowFlags flags = janela_.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(janela_.windowIcon().pixmap(16).toImage(), IconeTarrow().pixmap(16).toImage()) << "our own picture";

    EXPECT_EQ(janela_.grpOpcao->geometry(), Retangulo(8, 8, 209, 105));
    EXPECT_EQ(janela_.grpOpcao->title(), " Enviar vendas por: ");
    const char* itens[4] = {"Número de lançamento", "Período", "Dia", "Pendências registradas"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(janela_.opcoes[i]->text(), QString::fromUtf8(itens[i]));
    EXPECT_EQ(janela_.pnlDados->geometry(), Retangulo(8, 120, 209, 37));
    EXPECT_EQ(janela_.EditNumLanc->geometry(), Retangulo(8, 8, 193, 21));
    EXPECT_EQ(janela_.EditDia->size(), QSize(93, 21));
    EXPECT_EQ(janela_.EditAte->size(), QSize(93, 21));
    EXPECT_TRUE(janela_.EditDia->calendarPopup());
    EXPECT_EQ(janela_.btnVerificar->geometry(), Retangulo(32, 200, 161, 25));
    EXPECT_EQ(janela_.btnVerificar->text(), "Verificar vendas pendentes");
    EXPECT_FALSE(janela_.btnVerificar->icon().isNull());
    EXPECT_EQ(janela_.btnEnviar->geometry(), Retangulo(32, 232, 161, 25));
    EXPECT_EQ(janela_.btnEnviar->text(), "Enviar vendas pendentes");
    EXPECT_FALSE(janela_.btnEnviar->icon().isNull());
    EXPECT_EQ(janela_.pnlGauge->geometry(), Retangulo(8, 157, 209, 36));
    EXPECT_EQ(janela_.Progresso->geometry(), Retangulo(0, 0, 208, 19));
    EXPECT_TRUE(janela_.Progresso->isTextVisible());
    EXPECT_EQ(janela_.lblProgresso->geometry(), Retangulo(8, 20, 193, 13));
    EXPECT_TRUE(janela_.lblProgresso->alignment().testFlag(Qt::AlignHCenter));

    // Tab order as the design lists the controls.
    const std::vector<QWidget*> ordem = {janela_.grpOpcao, janela_.EditNumLanc, janela_.EditDia, janela_.EditAte,
                                         janela_.btnVerificar, janela_.btnEnviar};
    std::vector<QWidget*> cadeia;
    QWidget* w = janela_.grpOpcao;
    for (int passos = 0; passos < 100 && cadeia.size() < ordem.size(); ++passos, w = w->nextInFocusChain())
        if (std::find(ordem.begin(), ordem.end(), w) != ordem.end() &&
            std::find(cadeia.begin(), cadeia.end(), w) == cadeia.end())
            cadeia.push_back(w);
    EXPECT_EQ(cadeia, ordem);
}

TEST_F(JanelaManual, EveryCaptionFitsItsControlInTheDesignFace)
{
    Inicia();
    EsperaFonteDoDesenho(janela_);
    janela_.lblProgresso->setText("Enviando devoluções (999 de 999)");
    std::vector<const QWidget*> controles = {janela_.grpOpcao, janela_.btnVerificar, janela_.btnEnviar,
                                             janela_.lblProgresso};
    for (const QRadioButton* opcao : janela_.opcoes) controles.push_back(opcao);
    EsperaQueCaibam(controles);
    Clica(janela_.opcoes[3]);
    EsperaQueCaibam({janela_.pnlDadosCaption});
}

// The start-up's box opens before the window is first shown, so there is no window to centre on.
TEST_F(JanelaManual, TheRealConnectivityWarningOpensInTheMiddleOfTheScreen)
{
    janela_.DefineMensagens(nullptr);
    QRect caixaVista;
    QString texto;
    QTimer fechador;
    QObject::connect(&fechador, &QTimer::timeout, [&] {
        auto* caixa = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (caixa == nullptr) return;
        caixaVista = caixa->frameGeometry();
        texto = caixa->text();
        caixa->done(QMessageBox::Ok);
    });
    fechador.start(10);
    janela_.FormCreate();
    fechador.stop();
    EXPECT_TRUE(texto.startsWith("A conexão com a internet não está ativa."));
    const QPoint meio = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((caixaVista.center() - meio).manhattanLength(), 2) << caixaVista.x() << "," << caixaVista.y();
}

TEST_F(JanelaManual, StartsOnTheNumberWithTodayInBothHiddenDatesAndEveryShowResetsThem)
{
    Inicia();
    EXPECT_TRUE(janela_.opcoes[0]->isChecked());
    EXPECT_TRUE(janela_.EditNumLanc->isVisible());
    EXPECT_TRUE(janela_.EditNumLanc->text().isEmpty());
    EXPECT_FALSE(janela_.EditDia->isVisible());
    EXPECT_FALSE(janela_.EditAte->isVisible());
    EXPECT_EQ(janela_.EditDia->date(), QDate(2026, 12, 9));
    EXPECT_EQ(janela_.EditAte->date(), QDate(2026, 12, 9));
    EXPECT_EQ(janela_.lblProgresso->text(), "Aguardando envio");
    EXPECT_EQ(janela_.Progresso->value(), 0);
    EXPECT_TRUE(caixas_.Caixas.empty());

    janela_.EditDia->setDate(QDate(2026, 11, 1));
    janela_.EditAte->setDate(QDate(2026, 11, 2));
    janela_.hide();
    janela_.show();
    EXPECT_EQ(janela_.EditDia->date(), QDate(2026, 12, 9));
    EXPECT_EQ(janela_.EditAte->date(), QDate(2026, 12, 9));
    EXPECT_EQ(janela_.EditDia->displayFormat(), FormatoDataQt()) << "the regional short date format";
}

TEST_F(JanelaManual, EachOptionShowsAndPlacesItsFields)
{
    Inicia();
    Clica(janela_.opcoes[2]);
    EXPECT_EQ(janela_.Opcao(), TOpcaoEnvio::Dia);
    EXPECT_FALSE(janela_.EditNumLanc->isVisible());
    EXPECT_TRUE(janela_.EditDia->isVisible());
    EXPECT_EQ(janela_.EditDia->pos(), QPoint(58, 8));
    EXPECT_FALSE(janela_.EditAte->isVisible());
    EXPECT_TRUE(janela_.pnlDadosCaption->text().isEmpty());

    Clica(janela_.opcoes[1]);
    EXPECT_EQ(janela_.Opcao(), TOpcaoEnvio::Periodo);
    EXPECT_TRUE(janela_.EditDia->isVisible());
    EXPECT_TRUE(janela_.EditAte->isVisible());
    EXPECT_EQ(janela_.EditDia->pos(), QPoint(8, 8));
    EXPECT_EQ(janela_.EditAte->pos(), QPoint(109, 8));

    Clica(janela_.opcoes[3]);
    EXPECT_EQ(janela_.Opcao(), TOpcaoEnvio::PendenciasRegistradas);
    EXPECT_FALSE(janela_.EditNumLanc->isVisible());
    EXPECT_FALSE(janela_.EditDia->isVisible());
    EXPECT_FALSE(janela_.EditAte->isVisible());
    EXPECT_EQ(janela_.pnlDadosCaption->text(), "Vendas registradas como pendentes");
    EXPECT_TRUE(janela_.pnlDadosCaption->isVisible());

    Clica(janela_.opcoes[0]);
    EXPECT_TRUE(janela_.EditNumLanc->isVisible());
    EXPECT_TRUE(janela_.pnlDadosCaption->text().isEmpty()) << "the notice goes with its option";
}

TEST_F(JanelaManual, TheNumberTakesDigitsOnlyWhetherTypedOrPasted)
{
    Inicia();
    QTest::keyClicks(janela_.EditNumLanc, "12a3");
    EXPECT_EQ(janela_.EditNumLanc->text(), "123");
    QTest::keyClick(janela_.EditNumLanc, Qt::Key_Backspace);
    QTest::keyClick(janela_.EditNumLanc, Qt::Key_Return);
    EXPECT_EQ(janela_.EditNumLanc->text(), "12");

    QApplication::clipboard()->setText("9 or 1=1");
    janela_.EditNumLanc->paste();
    EXPECT_EQ(janela_.EditNumLanc->text(), "12") << "a paste that is not a number is refused whole";
    QApplication::clipboard()->setText("34");
    janela_.EditNumLanc->paste();
    EXPECT_EQ(janela_.EditNumLanc->text(), "1234");
}

TEST_F(JanelaManual, TheNumbersContextMenuSpeaksTheUsersLanguage)
{
    Inicia();
    ASSERT_TRUE(CarregaTraducoesQt(*qApp, QLocale(QLocale::Portuguese, QLocale::Brazil)))
        << "Qt's translations for pt_BR are installed";
    const std::unique_ptr<QMenu> menu(janela_.EditNumLanc->createStandardContextMenu());
    CarregaTraducoesQt(*qApp, QLocale::c());
    QStringList itens;
    for (const QAction* acao : menu->actions())
        if (!acao->isSeparator()) itens << acao->text().section('\t', 0, 0);
    EXPECT_EQ(itens, QStringList({"&Desfazer", "&Refazer", "Recor&tar", "&Copiar", "C&olar", "Excluir",
                                  "Selecionar tudo"}));
}

TEST_F(JanelaManual, InvalidInputIsWarnedWithTheFocusOnTheFieldAndNothingIsCountedOrAsked)
{
    loja_.Sql(Linha(600, 1, "1"));
    Inicia();
    janela_.btnVerificar->click();
    janela_.btnEnviar->click();
    ASSERT_EQ(caixas_.Caixas.size(), 2u) << "no confirmation is asked";
    for (const TCaixa& caixa : caixas_.Caixas) {
        EXPECT_EQ(caixa.Texto, "Informe o número de lançamento.");
        EXPECT_EQ(caixa.Titulo, "Atenção");
        EXPECT_EQ(caixa.Icone, TIconeMensagem::Aviso);
    }
    EXPECT_EQ(janela_.focusWidget(), janela_.EditNumLanc);

    caixas_.Caixas.clear();
    janela_.opcoes[1]->click();
    janela_.EditDia->setDate(QDate(2026, 12, 10));
    janela_.EditAte->setDate(QDate(2026, 12, 9));
    janela_.btnEnviar->click();
    ASSERT_EQ(caixas_.Caixas.size(), 1u);
    EXPECT_EQ(caixas_.Caixas[0].Texto, "Data final é menor que a data inicial.");
    EXPECT_EQ(caixas_.Caixas[0].Titulo, "Atenção");
    EXPECT_EQ(caixas_.Caixas[0].Icone, TIconeMensagem::Aviso);
    EXPECT_EQ(janela_.focusWidget(), janela_.EditAte);
    EXPECT_TRUE(loja_.Peer.Requests().empty());

    // Equal dates pass.
    caixas_.Caixas.clear();
    janela_.EditDia->setDate(QDate(2026, 12, 9));
    janela_.btnVerificar->click();
    EXPECT_THAT(caixas_.Textos(), ElementsAre("Existe(m) 1 venda(s) e 0 devolução(ões) pendente(s) a enviar."));
}

TEST_F(JanelaManual, TheCountMessageReportsSalesAndReturnsOfTheChoice)
{
    loja_.Sql(Linha(600, 1, "1") + ";" + Linha(600, 2, "2") + ";" + Linha(601, 1, "1") + ";" + Linha(600, 1, "-1") +
              ";" + Linha(602, 1, "1", "7.50", "2026-12-08 10:00:00"));
    Inicia();
    janela_.opcoes[3]->click();
    janela_.btnVerificar->click();
    janela_.opcoes[2]->click();
    janela_.btnVerificar->click();
    EXPECT_THAT(caixas_.Textos(), ElementsAre("Existe(m) 0 venda(s) e 0 devolução(ões) pendente(s) a enviar.",
                                              "Existe(m) 2 venda(s) e 1 devolução(ões) pendente(s) a enviar."));
    EXPECT_EQ(caixas_.Caixas[1].Titulo, "Atenção");
    EXPECT_EQ(caixas_.Caixas[1].Icone, TIconeMensagem::Informacao);
}

TEST_F(JanelaManual, ADatabaseErrorWhileCountingIsTheFrameworkBoxAndNoCount)
{
    Inicia();
    loja_.Sql("DROP TABLE movment");
    janela_.opcoes[2]->click();
    janela_.btnVerificar->click();
    ASSERT_EQ(caixas_.Caixas.size(), 1u);
    EXPECT_THAT(caixas_.Caixas[0].Texto, ::testing::HasSubstr("movment"));
    EXPECT_EQ(caixas_.Caixas[0].Titulo, ProgramTitle());
    EXPECT_EQ(caixas_.Caixas[0].Icone, TIconeMensagem::Erro);
    EXPECT_TRUE(janela_.btnVerificar->isEnabled());
}

TEST_F(JanelaManual, AnsweringNoChangesNothingAndShowsNothingMore)
{
    loja_.Sql(Linha(600, 1, "1"));
    Inicia();
    janela_.opcoes[2]->click();
    caixas_.Resposta = false;
    janela_.btnEnviar->click();
    ASSERT_EQ(caixas_.Caixas.size(), 1u);
    EXPECT_EQ(caixas_.Caixas[0].Texto, "Deseja enviar as vendas?");
    EXPECT_EQ(caixas_.Caixas[0].Titulo, "Atenção");
    EXPECT_EQ(caixas_.Caixas[0].Icone, TIconeMensagem::Pergunta);
    EXPECT_TRUE(loja_.Peer.Requests().empty());
    EXPECT_EQ(Marcas(loja_, 600), "-\n");
    EXPECT_TRUE(janela_.btnEnviar->isEnabled());
    EXPECT_EQ(janela_.lblProgresso->text(), "Aguardando envio");
}

// What the window showed at one service call of a send.
struct TAmostra {
    std::string Rotulo;
    int Posicao, Maximo;
    bool Verificar, Enviar, Opcoes, Numero;
};

TEST_F(JanelaManual, ASendShowsItsProgressThenTheEndMessageThenTheGaugeBackAtRest)
{
    loja_.Sql(Linha(600, 1, "1") + ";" + Linha(600, 2, "2") + ";" + Linha(601, 1, "1") + ";" + Linha(600, 1, "-1"));
    Inicia();
    janela_.opcoes[2]->click();
    std::vector<TAmostra> amostras;
    AntesDeCadaChamada(janela_.Logica(), [&] {
        amostras.push_back({janela_.lblProgresso->text().toStdString(), janela_.Progresso->value(),
                            janela_.Progresso->maximum(), janela_.btnVerificar->isEnabled(),
                            janela_.btnEnviar->isEnabled(), janela_.grpOpcao->isEnabled(),
                            janela_.EditDia->isEnabled()});
    });
    bool botoesNoFim = false;
    std::string rotuloNoFim;
    caixas_.AoMostrar = [&](const TCaixa& caixa) {
        if (caixa.Texto != "Envio concluído.") return;
        botoesNoFim = janela_.btnEnviar->isEnabled() && janela_.btnVerificar->isEnabled();
        rotuloNoFim = janela_.lblProgresso->text().toStdString();
    };
    janela_.btnEnviar->click();

    EXPECT_THAT(caixas_.Textos(), ElementsAre("Deseja enviar as vendas?", "Envio concluído."));
    EXPECT_EQ(caixas_.Caixas[1].Titulo, "Atenção");
    EXPECT_EQ(caixas_.Caixas[1].Icone, TIconeMensagem::Informacao);
    ASSERT_EQ(amostras.size(), 7u) << "three calls per sale of two rows, two for the others";
    EXPECT_EQ(amostras[0].Rotulo, "Enviando vendas (1 de 2)");
    EXPECT_EQ(amostras[0].Posicao, 2);
    EXPECT_EQ(amostras[0].Maximo, 2);
    EXPECT_EQ(amostras[3].Rotulo, "Enviando vendas (2 de 2)");
    EXPECT_EQ(amostras[3].Posicao, 2) << "the gauge never passes its maximum";
    EXPECT_EQ(amostras[5].Rotulo, "Enviando devoluções (1 de 1)");
    for (const TAmostra& a : amostras) {
        EXPECT_FALSE(a.Verificar);
        EXPECT_FALSE(a.Enviar);
        EXPECT_TRUE(a.Opcoes && a.Numero) << "the choices stay open during a send";
    }
    EXPECT_TRUE(botoesNoFim);
    EXPECT_EQ(rotuloNoFim, "Enviando devoluções (1 de 1)") << "the gauge rests after the message";
    EXPECT_EQ(janela_.lblProgresso->text(), "Aguardando envio");
    EXPECT_EQ(janela_.Progresso->value(), janela_.Progresso->minimum());
    EXPECT_EQ(janela_.Progresso->text(), "0%") << "the returns' range of one sale, at rest";
    EXPECT_EQ(Marcas(loja_, 600), "V\nV\nV\n");
    EXPECT_EQ(Marcas(loja_, 601), "V\n");
}

TEST_F(JanelaManual, NothingPendingStillEndsWithTheMessageAndLeavesTheGaugeAlone)
{
    Inicia();
    janela_.opcoes[3]->click();
    janela_.btnEnviar->click();
    EXPECT_THAT(caixas_.Textos(), ElementsAre("Deseja enviar as vendas?", "Envio concluído."));
    EXPECT_EQ(janela_.Progresso->value(), 0);
    EXPECT_EQ(janela_.lblProgresso->text(), "Aguardando envio");
}

TEST_F(JanelaManual, AnErrorThatEndsASendGivesTheButtonsBackWithoutTheEndMessage)
{
    loja_.Sql(Linha(600, 1, "1") + ";" + Linha(601, 1, "1"));
    Inicia();
    janela_.opcoes[2]->click();
    // A refused sale must be registered, and the registration fails.
    Recusa(loja_.Peer, 4);
    loja_.Sql("DROP TABLE van_pendentes");
    janela_.btnEnviar->click();

    ASSERT_EQ(caixas_.Caixas.size(), 2u);
    EXPECT_EQ(caixas_.Caixas[0].Texto, "Deseja enviar as vendas?");
    EXPECT_THAT(caixas_.Caixas[1].Texto, ::testing::HasSubstr("van_pendentes"));
    EXPECT_EQ(caixas_.Caixas[1].Titulo, ProgramTitle());
    EXPECT_EQ(caixas_.Caixas[1].Icone, TIconeMensagem::Erro);
    EXPECT_TRUE(janela_.btnEnviar->isEnabled());
    EXPECT_TRUE(janela_.btnVerificar->isEnabled());
    EXPECT_FALSE(janela_.Enviando());
    EXPECT_EQ(Marcas(loja_, 601), "-\n") << "the rest of the send was skipped";
    // The list is the one record left of the sale whose registration failed, and the box names it.
    const auto listas = loja_.ListasPendentes();
    ASSERT_EQ(listas.size(), 1u);
    EXPECT_EQ(listas[0].second, "Num. Lanc.: 600\r\n");
    EXPECT_THAT(caixas_.Caixas[1].Texto, ::testing::EndsWith(".\r\nVendas não enviadas listadas em " +
                                                             loja_.Diretorio.Path() + listas[0].first + "."));
}

TEST_F(JanelaManual, AnotherSenderAtWorkIsWarnedAfterTheQuestionAndNothingMoves)
{
    loja_.Sql(Linha(600, 1, "1"));
    Inicia();
    janela_.opcoes[2]->click();
    TTravaAlheia outro(loja_, janela_.Logica().NomeTrava());
    ASSERT_EQ(outro.Toma(), 1);
    janela_.btnEnviar->click();

    ASSERT_EQ(caixas_.Caixas.size(), 2u);
    EXPECT_EQ(caixas_.Caixas[0].Texto, "Deseja enviar as vendas?");
    EXPECT_EQ(caixas_.Caixas[1].Texto, kOutroEnvio);
    EXPECT_EQ(caixas_.Caixas[1].Titulo, "Atenção");
    EXPECT_EQ(caixas_.Caixas[1].Icone, TIconeMensagem::Aviso);
    EXPECT_TRUE(loja_.Peer.Requests().empty());
    EXPECT_EQ(janela_.Progresso->value(), 0);
    EXPECT_EQ(janela_.lblProgresso->text(), "Aguardando envio");
    EXPECT_TRUE(janela_.btnEnviar->isEnabled());
    EXPECT_TRUE(janela_.btnVerificar->isEnabled());

    caixas_.Caixas.clear();
    janela_.btnVerificar->click();
    EXPECT_THAT(caixas_.Textos(), ElementsAre("Existe(m) 1 venda(s) e 0 devolução(ões) pendente(s) a enviar."))
        << "counting takes no lock";
}

TEST_F(JanelaManual, AnOptionChangedDuringTheSalesAppliesToTheReturnsOfTheSameSend)
{
    loja_.Sql(Linha(600, 1, "1") + ";" + Linha(601, 2, "1") + ";" + Linha(601, 2, "-1"));
    Inicia();
    janela_.opcoes[2]->click();
    bool mudou = false;
    AntesDeCadaChamada(janela_.Logica(), [&] {
        if (mudou) return;
        mudou = true;
        janela_.opcoes[0]->click();
        janela_.EditNumLanc->setText("600");
    });
    janela_.btnEnviar->click();
    EXPECT_THAT(caixas_.Textos(), ElementsAre("Deseja enviar as vendas?", "Envio concluído."));
    EXPECT_EQ(Marcas(loja_, 600), "V\n");
    EXPECT_EQ(Marcas(loja_, 601), "V\n-\n") << "the returns run selected release 600 only";
}

TEST_F(JanelaManual, ClosingDuringASendLetsItEndShowsTheMessageAndThenEndsTheProgram)
{
    loja_.Sql(Linha(600, 1, "1") + ";" + Linha(601, 1, "1"));
    Inicia();
    janela_.opcoes[2]->click();
    bool fechou = false;
    AntesDeCadaChamada(janela_.Logica(), [&] {
        if (fechou) return;
        fechou = true;
        janela_.close();
    });
    bool visivelNaMensagem = false;
    caixas_.AoMostrar = [&](const TCaixa& caixa) {
        if (caixa.Texto == "Envio concluído.") visivelNaMensagem = janela_.isVisible();
    };
    QTimer salvaguarda;
    salvaguarda.setSingleShot(true);
    QObject::connect(&salvaguarda, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    salvaguarda.start(10000);
    QTimer::singleShot(0, janela_.btnEnviar, &QPushButton::click);

    EXPECT_EQ(QCoreApplication::exec(), 0) << "the program ended";
    EXPECT_THAT(caixas_.Textos(), ElementsAre("Deseja enviar as vendas?", "Envio concluído."));
    EXPECT_TRUE(visivelNaMensagem);
    EXPECT_FALSE(janela_.isVisible());
    EXPECT_EQ(Marcas(loja_, 600), "V\n");
    EXPECT_EQ(Marcas(loja_, 601), "V\n");
}

// The real boxes: the question offers Sim and Não, Não being the default, so Enter sends nothing.
TEST_F(JanelaManual, TheRealQuestionBoxDefaultsToNo)
{
    loja_.Sql(Linha(600, 1, "1"));
    Inicia();
    janela_.DefineMensagens(nullptr);
    janela_.opcoes[2]->click();
    std::vector<QString> vistas;
    QTimer fechador;
    QObject::connect(&fechador, &QTimer::timeout, [&] {
        auto* caixa = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (caixa == nullptr) return;
        vistas.push_back(caixa->windowTitle() + "|" + caixa->text());
        EXPECT_EQ(caixa->icon(), QMessageBox::Question);
        EXPECT_EQ(caixa->parentWidget(), &janela_);
        EXPECT_EQ(caixa->defaultButton(), caixa->button(QMessageBox::No));
        EXPECT_EQ(caixa->button(QMessageBox::Yes)->text(), "Sim");
        EXPECT_EQ(caixa->button(QMessageBox::No)->text(), "Não");
        if (vistas.size() == 1) QTest::keyClick(caixa, Qt::Key_Return);
        else caixa->done(QMessageBox::Ok);  // anything after the question is already a fault
    });
    fechador.start(10);
    janela_.btnEnviar->click();
    fechador.stop();

    EXPECT_THAT(vistas, ElementsAre(QString("Atenção|Deseja enviar as vendas?")));
    EXPECT_TRUE(loja_.Peer.Requests().empty());
    EXPECT_EQ(Marcas(loja_, 600), "-\n");
}

}  // namespace
}  // namespace tarrow::test
