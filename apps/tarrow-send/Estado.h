#pragma once
// tarrow-send --estado: the store's relay health as a monitoring agent reads it, one line and the
// exit status of the agents' plugin convention (or one JSON object), from read-only statements.

#include "apps/tarrow-send/Opcoes.h"
#include "platform/DateTime.h"
#include "relay/UMain.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace tarrow {

enum TEstado : int { EstadoOk = 0, EstadoAviso = 1, EstadoCritico = 2, EstadoDesconhecido = 3 };

// The days the delay looks back, today included: sales of an earlier day are never the automatic
// sender's again, and left unsent they keep the delay up until someone sends them by hand.
inline constexpr int kDiasAtraso = 7;

struct TFigurasEstado {
    // Distinct sales and returns the automatic sender's selection holds now.
    std::int64_t Vendas = 0;
    std::int64_t Devolucoes = 0;
    // The branch's sales and returns with an open registration in van_pendentes.
    std::int64_t Registradas = 0;
    // The oldest unrelayed sale or return of the last days, and its age at the check.
    std::optional<TDateTime> MaisAntiga;
    std::int64_t AtrasoSegundos = 0;
    // The session that holds the store's send lock, when one does.
    std::optional<std::int64_t> SessaoEnvio;
};

// The figures on logica's open connection; agora is the moment the delay is measured against.
TFigurasEstado LeFigurasEstado(TUMain& logica, TDateTime agora);

struct TResultadoEstado {
    TEstado Estado = EstadoDesconhecido;
    std::string Linha; // "TARROW OK - ... | perfdata", without the line end
    std::string Json;  // the same as one JSON object, without the line end
};

TResultadoEstado AvaliaEstado(const TFigurasEstado& figuras, int avisoMinutos, int criticoMinutos);
// UNKNOWN with the reason, which may span lines: the agent reads one.
TResultadoEstado EstadoIndeterminado(const std::string& motivo);

// The whole check for already-read options: settings, connection, figures. Writes its one line
// (or object) to saida and returns the status.
int ExecutaEstado(const TOpcoesEnvio& opcoes, std::ostream& saida);

} // namespace tarrow
