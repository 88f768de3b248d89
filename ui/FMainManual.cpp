#include "ui/FMainManual.h"

#include "platform/RegionalSettings.h"
#include "ui/QtDatas.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>

namespace tarrow {

namespace {

QFrame* PainelRebaixado(QWidget* pai, const char* nome, int x, int y, int w, int h)
{
    auto* painel = new QFrame(pai);
    painel->setObjectName(nome);
    painel->setFrameShape(QFrame::Panel);
    painel->setFrameShadow(QFrame::Sunken);
    painel->setGeometry(x, y, w, h);
    return painel;
}

QDateEdit* CampoData(QWidget* pai, const char* nome)
{
    auto* campo = new QDateEdit(pai);
    campo->setObjectName(nome);
    campo->setCalendarPopup(true);
    campo->setDisplayFormat(FormatoDataQt());
    return campo;
}

}  // namespace

TFMainManual::TFMainManual(const std::string& diretorio)
    : TJanelaPrincipal(TVariante::Manual, this, diretorio)
{
    setWindowTitle("TarrowKesto 1.1 (Manual)");
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(224, 264);

    grpOpcao = new QGroupBox(" Enviar vendas por: ", this);
    grpOpcao->setObjectName("grpOpcao");
    grpOpcao->setGeometry(8, 8, 209, 105);
    auto* grupo = new QButtonGroup(grpOpcao);
    const char* itens[4] = {"Número de lançamento", "Período", "Dia", "Pendências registradas"};
    for (int i = 0; i < 4; ++i) {
        opcoes[i] = new QRadioButton(QString::fromUtf8(itens[i]), grpOpcao);
        opcoes[i]->setObjectName(QString("opcao%1").arg(i));
        opcoes[i]->setGeometry(10, 18 + i * 21, 190, 19);
        grupo->addButton(opcoes[i], i);
    }
    opcoes[0]->setChecked(true);
    connect(grupo, &QButtonGroup::idClicked, this, [this](int) { AjustaCampos(); });

    pnlDados = PainelRebaixado(this, "pnlDados", 8, 120, 209, 37);
    pnlDadosCaption = new QLabel(pnlDados);
    pnlDadosCaption->setObjectName("pnlDadosCaption");
    pnlDadosCaption->setAlignment(Qt::AlignCenter);
    pnlDadosCaption->setGeometry(2, 2, 205, 33);

    EditNumLanc = new QLineEdit(pnlDados);
    EditNumLanc->setObjectName("EditNumLanc");
    EditNumLanc->setGeometry(8, 8, 193, 21);
    // Digits only, however the text arrives: typed, pasted or dropped.
    EditNumLanc->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), EditNumLanc));

    EditDia = CampoData(pnlDados, "EditDia");
    EditDia->setGeometry(8, 8, 93, 21);
    EditAte = CampoData(pnlDados, "EditAte");
    EditAte->setGeometry(109, 8, 93, 21);

    pnlGauge = PainelRebaixado(this, "pnlGauge", 8, 157, 209, 36);
    Progresso = new QProgressBar(pnlGauge);
    Progresso->setObjectName("Progresso");
    Progresso->setGeometry(0, 0, 208, 19);
    Progresso->setRange(0, 100);
    Progresso->setValue(0);
    Progresso->setTextVisible(true);
    Progresso->setFormat("%p%");
    Progresso->setAlignment(Qt::AlignCenter);
    lblProgresso = new QLabel("Aguardando envio", pnlGauge);
    lblProgresso->setObjectName("lblProgresso");
    lblProgresso->setAlignment(Qt::AlignCenter);
    lblProgresso->setGeometry(8, 20, 193, 13);

    btnVerificar = new QPushButton(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                   "Verificar vendas pendentes", this);
    btnVerificar->setObjectName("btnVerificar");
    btnVerificar->setGeometry(32, 200, 161, 25);
    btnEnviar = new QPushButton(style()->standardIcon(QStyle::SP_ArrowRight), "Enviar vendas pendentes", this);
    btnEnviar->setObjectName("btnEnviar");
    btnEnviar->setGeometry(32, 232, 161, 25);
    // "Verificar vendas pendentes" nearly fills its button even in the design's face: a picture
    // smaller than the usual 16 pixels leaves a margin on both sides.
    btnVerificar->setIconSize(QSize(12, 12));
    btnEnviar->setIconSize(QSize(12, 12));
    connect(btnVerificar, &QPushButton::clicked, this, [this] { btnVerificarClick(); });
    connect(btnEnviar, &QPushButton::clicked, this, [this] { btnEnviarClick(); });

    setTabOrder(grpOpcao, EditNumLanc);
    setTabOrder(EditNumLanc, EditDia);
    setTabOrder(EditDia, EditAte);
    setTabOrder(EditAte, btnVerificar);
    setTabOrder(btnVerificar, btnEnviar);

    AjustaCampos();
}

void TFMainManual::FormCreate()
{
    Cria([] {});
}

void TFMainManual::showEvent(QShowEvent* event)
{
    TJanelaPrincipal::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFMainManual::FormShow()
{
    Manipula([this] {
        const QDate hoje = DataQt(Date());
        EditDia->setDate(hoje);
        EditAte->setDate(hoje);
        AjustaCampos();
    });
}

void TFMainManual::DefineOpcao(int indice) { opcoes[indice]->setChecked(true); }

TOpcaoEnvio TFMainManual::Opcao() const
{
    for (int i = 0; i < 4; ++i)
        if (opcoes[i]->isChecked()) return static_cast<TOpcaoEnvio>(i);
    return TOpcaoEnvio::NumeroLancamento;
}

std::string TFMainManual::NumeroLancamento() const { return EditNumLanc->text().toStdString(); }
TDateTime TFMainManual::DataInicial() const { return DataDelphi(EditDia->date()); }
TDateTime TFMainManual::DataFinal() const { return DataDelphi(EditAte->date()); }

void TFMainManual::AjustaCampos()
{
    const TOpcaoEnvio opcao = Opcao();
    pnlDadosCaption->clear();
    EditNumLanc->setVisible(opcao == TOpcaoEnvio::NumeroLancamento);
    EditAte->setVisible(opcao == TOpcaoEnvio::Periodo);
    EditDia->setVisible(opcao == TOpcaoEnvio::Periodo || opcao == TOpcaoEnvio::Dia);
    if (opcao == TOpcaoEnvio::Periodo) {
        EditDia->move(8, 8);
        EditAte->move(109, 8);
    } else if (opcao == TOpcaoEnvio::Dia) {
        EditDia->move(58, 8);
    } else if (opcao == TOpcaoEnvio::PendenciasRegistradas) {
        pnlDadosCaption->setText("Vendas registradas como pendentes");
    }
}

bool TFMainManual::ValidaDados()
{
    if (Opcao() == TOpcaoEnvio::NumeroLancamento && EditNumLanc->text().isEmpty()) {
        Mensagem("Informe o número de lançamento.", "Atenção", TIconeMensagem::Aviso);
        EditNumLanc->setFocus();
        return false;
    }
    if (Opcao() == TOpcaoEnvio::Periodo && EditDia->date() > EditAte->date()) {
        Mensagem("Data final é menor que a data inicial.", "Atenção", TIconeMensagem::Aviso);
        EditAte->setFocus();
        return false;
    }
    return true;
}

void TFMainManual::btnVerificarClick()
{
    Manipula([this] {
        if (!ValidaDados()) return;
        const int vendas = Logica().ContaVendas();
        const int devolucoes = Logica().ContaDevolucoes();
        Mensagem("Existe(m) " + std::to_string(vendas) + " venda(s) e " + std::to_string(devolucoes) +
                     " devolução(ões) pendente(s) a enviar.",
                 "Atenção", TIconeMensagem::Informacao);
    });
}

void TFMainManual::btnEnviarClick()
{
    Manipula([this] {
        if (!ValidaDados()) return;
        if (!Pergunta("Deseja enviar as vendas?", "Atenção")) return;
        btnEnviar->setEnabled(false);
        btnVerificar->setEnabled(false);
        enviando_ = true;
        struct TAoSair {
            TFMainManual* janela;
            // An error that ends a send must not leave the window without its buttons.
            ~TAoSair()
            {
                janela->btnEnviar->setEnabled(true);
                janela->btnVerificar->setEnabled(true);
                janela->enviando_ = false;
            }
        } aoSair{this};
        if (!Logica().Enviar()) {
            Mensagem(kOutroEnvio, "Atenção", TIconeMensagem::Aviso);
            return;
        }
        btnEnviar->setEnabled(true);
        btnVerificar->setEnabled(true);
        Mensagem("Envio concluído.", "Atenção", TIconeMensagem::Informacao);
        Progresso->setValue(Progresso->minimum());
        lblProgresso->setText("Aguardando envio");
    });
    if (fecharAoTerminar_) {
        fecharAoTerminar_ = false;
        close();
    }
}

void TFMainManual::IniciaProgresso(int minimo, int maximo, int posicao)
{
    Progresso->setRange(minimo, maximo);
    Progresso->setValue(posicao);
}

void TFMainManual::AvancaProgresso(const std::string& texto)
{
    lblProgresso->setText(QString::fromStdString(texto));
    Progresso->setValue(std::min(Progresso->value() + 1, Progresso->maximum()));
    QCoreApplication::processEvents();
}

void TFMainManual::closeEvent(QCloseEvent* event)
{
    if (enviando_) {
        // The send runs to its end and says so; the window closes after that.
        fecharAoTerminar_ = true;
        event->ignore();
        return;
    }
    TJanelaPrincipal::closeEvent(event);
}

}  // namespace tarrow
