#pragma once
// tarrow-send's side of the relay core: a window that writes to a terminal or a log, the
// choice taken from the command line, the stop signals and the exit status.

#include "apps/tarrow-send/Opcoes.h"
#include "relay/Janela.h"
#include "relay/UMain.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace tarrow {

enum TSaida : int { SaidaOk = 0, SaidaPendentes = 1, SaidaErro = 2, SaidaUso = 64 };

// Messages go to saida (information) or erros (warnings and errors); the progress is a bar
// redrawn in place on a terminal and one line per sale otherwise.
class TJanelaTerminal : public TJanelaEnvio, public TEscolhaEnvio {
public:
    TJanelaTerminal(std::ostream& saida, std::ostream& erros, bool terminal, const TOpcoesEnvio& opcoes);

    void Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone) override;
    // The command line is the operator's answer.
    bool Pergunta(const std::string& texto, const std::string& titulo) override;
    void HabilitaEnvio(bool) override {}
    void IniciaProgresso(int minimo, int maximo, int posicao) override;
    void AvancaProgresso(const std::string& texto) override;
    void DefineTitulo(const std::string& titulo) override { titulo_ = titulo; }
    void SolicitaTermino() override { terminoSolicitado_ = true; }

    TOpcaoEnvio Opcao() const override;
    std::string NumeroLancamento() const override { return opcoes_.NumeroLancamento; }
    TDateTime DataInicial() const override { return opcoes_.DataInicial; }
    TDateTime DataFinal() const override { return opcoes_.DataFinal; }

    bool TerminoSolicitado() const noexcept { return terminoSolicitado_; }
    // Ends a bar left open on the terminal, so what follows starts on a line of its own.
    void FechaProgresso();

private:
    std::ostream& saida_;
    std::ostream& erros_;
    bool terminal_;
    const TOpcoesEnvio& opcoes_;
    std::string titulo_;
    bool terminoSolicitado_ = false;
    int minimo_ = 0, maximo_ = 0, posicao_ = 0;
    int avancos_ = 0;
    bool barraAberta_ = false;
};

// SIGTERM, SIGINT and SIGHUP on Linux, Ctrl+C, Ctrl+Break, the console's close and the session's
// end (log-off, shutdown) on Windows, let the send finish the sale in hand and then stop it
// (status 2); a second one ends the program at once. For the program's main only: tests run sends
// in process.
void InstalaSinaisDeParada();

// Settings that leave the programs to defaults the operator may not expect (no sistema_kesto.ini,
// a branch that is no number), said in a sentence; nothing when there are none.
std::optional<std::string> ProblemaConfiguracoes(const std::string& diretorio);

// The whole run for already-read options: start-up, count or send (under the store's lock). Returns the exit status.
// acompanhamento: told of the send's steps (TUMain::Acompanhamento).
int ExecutaSemJanela(const TOpcoesEnvio& opcoes, std::ostream& saida, std::ostream& erros, bool terminal,
                     std::function<void(TPassoEnvio, TTipoMovimento, const std::string&)> acompanhamento = {});

// The whole program: reads the command line, prints help or errors. argv[0] excluded.
int TarrowSend(const std::vector<std::string>& argumentos, std::ostream& saida, std::ostream& erros,
               bool terminal);

}  // namespace tarrow
