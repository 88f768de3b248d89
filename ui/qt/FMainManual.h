#pragma once
// TARROW_Manual's window: the operator picks what to send, counts it, confirms and watches the
// progress of the send.

#include "ui/Manipuladores.h"
#include "ui/qt/JanelaPrincipal.h"

#include <QWidget>

class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace tarrow {

class TFMainManual final : public TJanelaPrincipal, public TCamposManual {
    Q_OBJECT

public:
    // diretorio: where the configuration and list files live (the program's directory).
    explicit TFMainManual(const std::string& diretorio);

    // The creation handler; the entry point calls it once the window exists.
    void FormCreate();

    // Event handlers, as the window declares them.
    void AjustaCampos();
    bool ValidaDados();
    void btnVerificarClick();
    void btnEnviarClick();

    // TEscolhaEnvio
    TOpcaoEnvio Opcao() const override;
    std::string NumeroLancamento() const override;
    TDateTime DataInicial() const override;
    TDateTime DataFinal() const override;

    // TCamposManual
    void Foca(TCampoFoco campo) override;
    void HabilitaBotoes(bool habilitados) override;
    void ReiniciaProgresso() override;

    // TJanelaEnvio
    void HabilitaEnvio(bool) override {}
    void IniciaProgresso(int minimo, int maximo, int posicao) override;
    void AvancaProgresso(const std::string& texto) override;

    bool Enviando() const noexcept { return enviando_; }

    QGroupBox* grpOpcao;
    QRadioButton* opcoes[4];
    QFrame* pnlDados;
    QLabel* pnlDadosCaption;
    QLineEdit* EditNumLanc;
    QDateEdit* EditDia;
    QDateEdit* EditAte;
    QPushButton* btnVerificar;
    QPushButton* btnEnviar;
    QFrame* pnlGauge;
    QProgressBar* Progresso;
    QLabel* lblProgresso;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void DefineOpcao(int indice);

    bool enviando_ = false;
    bool fecharAoTerminar_ = false;
};

}  // namespace tarrow
