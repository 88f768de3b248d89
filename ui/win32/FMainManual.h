#pragma once
// TARROW_Manual's window on Windows: the operator picks what to send, counts it, confirms and
// watches the progress of the send.

#include "ui/Manipuladores.h"
#include "ui/win32/JanelaPrincipal.h"

namespace tarrow {

class TFMainManual final : public TJanelaPrincipal, public TCamposManual {
public:
    // The controls' identifiers, as their WM_COMMAND notifications carry them.
    enum : int {
        idGrpOpcao = 100,
        idOpcao0 = 101,  // to idOpcao0 + 3
        idPnlDados = 110,
        idEditNumLanc,
        idEditDia,
        idEditAte,
        idBtnVerificar = 120,
        idBtnEnviar,
        idPnlGauge = 130,
        idProgresso,
        idLblProgresso,
    };

    // diretorio: where the configuration and list files live (the program's directory).
    explicit TFMainManual(const std::string& diretorio);

    // The creation handler; the entry point calls it once the window exists.
    void FormCreate();

    // Event handlers, as the window declares them.
    void FormShow();
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

    HWND grpOpcao;
    HWND opcoes[4];
    HWND pnlDados;
    HWND EditNumLanc;
    HWND EditDia;
    HWND EditAte;
    HWND btnVerificar;
    HWND btnEnviar;
    HWND pnlGauge;
    HWND Progresso;
    HWND lblProgresso;

protected:
    LRESULT Trata(UINT mensagem, WPARAM w, LPARAM l) override;

private:
    TIcone imagemVerificar_;
    TIcone imagemEnviar_;
    bool enviando_ = false;
};

// A date field's date and back (the field holds whole days).
TDateTime DataDoCampo(HWND campo);
void DefineDataDoCampo(HWND campo, TDateTime dia);

}  // namespace tarrow
