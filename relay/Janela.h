#pragma once
// What the relay core asks of the window that drives it: message boxes, the progress display and
// send button, the manual sender's choices, the caption and the request to end. Each window (and
// the headless sender) implements it; the core never touches a window toolkit.

#include "platform/DateTime.h"
#include "relay/Sentencas.h"

#include <string>

namespace tarrow {

enum class TIconeMensagem { Erro, Aviso, Informacao, Pergunta };

// Operator messages: modal boxes owned by the main window.
class TMensagens {
public:
    virtual ~TMensagens() = default;
    // A box with one OK button.
    virtual void Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone) = 0;
    // A question with Yes and No, No being the default; true for Yes.
    virtual bool Pergunta(const std::string& texto, const std::string& titulo) = 0;
};

// The manual sender's choices, read when a statement is built (so an option changed during the
// sales part of a send applies to its returns part).
class TEscolhaEnvio {
public:
    virtual ~TEscolhaEnvio() = default;
    virtual TOpcaoEnvio Opcao() const = 0;
    virtual std::string NumeroLancamento() const = 0;
    virtual TDateTime DataInicial() const = 0;  // EditDia
    virtual TDateTime DataFinal() const = 0;    // EditAte
};

// The controls a send touches, and the start-up's requests to the window.
class TJanelaEnvio : public TMensagens {
public:
    // Automatic sender: btnEnviar is disabled during a run.
    virtual void HabilitaEnvio(bool habilitado) = 0;
    // Manual sender: the gauge Progresso (minimum, maximum, position).
    virtual void IniciaProgresso(int minimo, int maximo, int posicao) = 0;
    // Manual sender, once per sale: the label's text, the gauge one step on (never past its
    // maximum), then pending window messages processed so both repaint.
    virtual void AvancaProgresso(const std::string& texto) = 0;
    virtual void DefineTitulo(const std::string& titulo) = 0;
    // Ends the program once control is back in the message loop; whatever the start-up still has
    // to do runs first.
    virtual void SolicitaTermino() = 0;
};

}  // namespace tarrow
