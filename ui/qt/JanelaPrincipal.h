#pragma once
// What both main windows share: the relay core they drive, the messages interface their boxes go
// through, the framework's error box, the design font and picture, and the deferred request to
// end the program.

#include "relay/UMain.h"
#include "ui/qt/QtMensagens.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace tarrow {

class TJanelaPrincipal : public QWidget, public TJanelaEnvio {
    Q_OBJECT

public:
    TJanelaPrincipal(TVariante variante, TEscolhaEnvio* escolha, const std::string& diretorio);

    TUMain& Logica() noexcept { return logica_; }

    // Where the window's message boxes go; tests record them instead of showing them.
    void DefineMensagens(TMensagens* mensagens) { mensagens_ = mensagens != nullptr ? mensagens : &caixas_; }

    // TJanelaEnvio
    void Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone) override;
    bool Pergunta(const std::string& texto, const std::string& titulo) override;
    void DefineTitulo(const std::string& titulo) override;
    void SolicitaTermino() override;

    // Runs an event handler under the framework's error box. Returns false when it failed.
    // The automatic sender's box (a real one) does not wait to be closed: the handler returns with
    // it still open.
    bool Manipula(const std::function<void()>& manipulador);

    bool TerminoSolicitado() const noexcept { return terminoSolicitado_; }

protected:
    // The creation handler: the relay core's start-up, then what the window adds. A request to
    // end made on the way takes effect once the event loop runs.
    void Cria(const std::function<void()>& depoisDaPartida);

private:
    TQtMensagens caixas_;
    TMensagens* mensagens_;
    TUMain logica_;
    // The manual sender's error box waits to be closed: a send it ends (and a close asked for
    // during that send) is over only once the operator has read why. The automatic sender's
    // does not, or its timer would stop ticking while the box is open.
    const bool caixaDeErroEspera_;
    bool terminoSolicitado_ = false;
};

// The design's face, in which every caption fits its control beside its picture at 8 points (the
// package depends on it: Qt would substitute another face without a word).
inline constexpr const char* kFonteDesenho = "Liberation Sans";

// The design's font: kFonteDesenho at 8 points.
void AplicaFonteDesenho(QWidget* janela);

}  // namespace tarrow
