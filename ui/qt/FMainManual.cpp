#include "ui/qt/FMainManual.h"

#include "platform/RegionalSettings.h"
#include "ui/Desenho.h"
#include "ui/qt/QtDatas.h"

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

void Posiciona(QWidget* controle, const TRetangulo& r)
{
    controle->setGeometry(r.Esquerda, r.Topo, r.Largura, r.Altura);
}

QFrame* PainelRebaixado(QWidget* pai, const char* nome, const TRetangulo& r)
{
    auto* painel = new QFrame(pai);
    painel->setObjectName(nome);
    painel->setFrameShape(QFrame::Panel);
    painel->setFrameShadow(QFrame::Sunken);
    Posiciona(painel, r);
    return painel;
}

QDateEdit* CampoData(QWidget* pai, const char* nome, const TRetangulo& r)
{
    auto* campo = new QDateEdit(pai);
    campo->setObjectName(nome);
    campo->setCalendarPopup(true);
    campo->setDisplayFormat(FormatoDataQt());
    Posiciona(campo, r);
    return campo;
}

// QProgressBar prints a range of one value (a send of one sale) as full, at rest too; the
// design's gauge prints its minimum there.
class TGauge final : public QProgressBar {
public:
    using QProgressBar::QProgressBar;
    QString text() const override
    {
        return QString::number(manual::Percentual(minimum(), maximum(), value())) + "%";
    }
};

}  // namespace

TFMainManual::TFMainManual(const std::string& diretorio)
    : TJanelaPrincipal(TVariante::Manual, this, diretorio)
{
    setWindowTitle(manual::kTitulo);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(manual::kLarguraCliente, manual::kAlturaCliente);

    grpOpcao = new QGroupBox(manual::kTituloOpcao, this);
    grpOpcao->setObjectName("grpOpcao");
    Posiciona(grpOpcao, manual::grpOpcao);
    auto* grupo = new QButtonGroup(grpOpcao);
    for (int i = 0; i < 4; ++i) {
        opcoes[i] = new QRadioButton(QString::fromUtf8(manual::kOpcoes[i]), grpOpcao);
        opcoes[i]->setObjectName(QString("opcao%1").arg(i));
        Posiciona(opcoes[i], manual::Opcao(i));
        grupo->addButton(opcoes[i], i);
    }
    opcoes[0]->setChecked(true);
    connect(grupo, &QButtonGroup::idClicked, this, [this](int) { AjustaCampos(); });

    pnlDados = PainelRebaixado(this, "pnlDados", manual::pnlDados);
    pnlDadosCaption = new QLabel(pnlDados);
    pnlDadosCaption->setObjectName("pnlDadosCaption");
    pnlDadosCaption->setAlignment(Qt::AlignCenter);
    pnlDadosCaption->setGeometry(2, 2, manual::pnlDados.Largura - 4, manual::pnlDados.Altura - 4);

    EditNumLanc = new QLineEdit(pnlDados);
    EditNumLanc->setObjectName("EditNumLanc");
    Posiciona(EditNumLanc, manual::EditNumLanc);
    // Digits only, however the text arrives: typed, pasted or dropped.
    EditNumLanc->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), EditNumLanc));

    EditDia = CampoData(pnlDados, "EditDia", manual::EditDia);
    EditAte = CampoData(pnlDados, "EditAte", manual::EditAte);

    pnlGauge = PainelRebaixado(this, "pnlGauge", manual::pnlGauge);
    Progresso = new TGauge(pnlGauge);
    Progresso->setObjectName("Progresso");
    Posiciona(Progresso, manual::Progresso);
    Progresso->setRange(0, 100);
    Progresso->setValue(0);
    Progresso->setTextVisible(true);
    Progresso->setFormat("%p%");
    Progresso->setAlignment(Qt::AlignCenter);
    lblProgresso = new QLabel(manual::kAguardando, pnlGauge);
    lblProgresso->setObjectName("lblProgresso");
    lblProgresso->setAlignment(Qt::AlignCenter);
    Posiciona(lblProgresso, manual::lblProgresso);

    btnVerificar = new QPushButton(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                   manual::kVerificar, this);
    btnVerificar->setObjectName("btnVerificar");
    Posiciona(btnVerificar, manual::btnVerificar);
    btnEnviar = new QPushButton(style()->standardIcon(QStyle::SP_ArrowRight), manual::kEnviar, this);
    btnEnviar->setObjectName("btnEnviar");
    Posiciona(btnEnviar, manual::btnEnviar);
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
    const manual::TCampos campos = manual::CamposDaOpcao(Opcao());
    pnlDadosCaption->setText(QString::fromUtf8(campos.Aviso));
    EditNumLanc->setVisible(campos.NumLanc);
    EditAte->setVisible(campos.Ate);
    EditDia->setVisible(campos.Dia);
    if (campos.Dia) EditDia->move(campos.EsquerdaDia, manual::EditDia.Topo);
    if (campos.Ate) EditAte->move(manual::EditAte.Esquerda, manual::EditAte.Topo);
}

bool TFMainManual::ValidaDados() { return tarrow::ValidaDados(*this, *this); }

void TFMainManual::btnVerificarClick()
{
    Manipula([this] { VerificaPendentes(*this, Logica(), *this); });
}

void TFMainManual::btnEnviarClick()
{
    Manipula([this] { EnviaConfirmado(*this, Logica(), *this, enviando_); });
    if (fecharAoTerminar_) {
        fecharAoTerminar_ = false;
        close();
    }
}

void TFMainManual::Foca(TCampoFoco campo)
{
    if (campo == TCampoFoco::NumLanc) EditNumLanc->setFocus();
    else EditAte->setFocus();
}

void TFMainManual::HabilitaBotoes(bool habilitados)
{
    btnEnviar->setEnabled(habilitados);
    btnVerificar->setEnabled(habilitados);
}

void TFMainManual::ReiniciaProgresso()
{
    Progresso->setValue(Progresso->minimum());
    lblProgresso->setText(manual::kAguardando);
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
