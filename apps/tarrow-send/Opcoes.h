#pragma once
// The command line of tarrow-send: what to send (the automatic tick, or one of the manual sender's
// options), whether only to count or check the relay's health, and where the configuration lives.

#include "platform/DateTime.h"
#include "platform/Errors.h"
#include "relay/Sentencas.h"

#include <optional>
#include <string>
#include <vector>

namespace tarrow {

// Bad command line; the text says what is wrong, in the operator's language.
class EOpcaoInvalida : public Exception {
public:
    using Exception::Exception;
};

struct TOpcoesEnvio {
    // Empty: the automatic tick (the day's sales, then returns). Otherwise the manual option.
    std::optional<TOpcaoEnvio> Opcao;
    std::string NumeroLancamento;
    TDateTime DataInicial = 0;
    TDateTime DataFinal = 0;
    bool Contar = false;
    bool Ajuda = false;
    // Prints the stored-password cipher of this text and ends (for writing sistema_kesto.ini).
    std::optional<std::string> CifraSenha;
    // Ends with the path separator; empty means beside the program.
    std::string Diretorio;
    // The log file the run appends to (relative to the working directory); empty: none.
    std::string Log;
    // The health check for a monitoring agent: reads, sends nothing, takes no lock.
    bool Estado = false;
    int AvisoMinutos = 30;
    int CriticoMinutos = 120;
    bool Json = false;
};

// argumentos: the command line without the program's name. Raises EOpcaoInvalida.
// hoje: the day --count alone counts.
TOpcoesEnvio LeOpcoes(const std::vector<std::string>& argumentos, TDateTime hoje);

// A YYYY-MM-DD date; raises EOpcaoInvalida naming the option it came with.
TDateTime LeData(const std::string& texto, const std::string& opcao);

std::string TextoAjuda();

}  // namespace tarrow
