#pragma once
// The SQL texts the programs run against the store's database: selections of the sales and
// returns still to relay, their counts, the registry of given-up sales and the relay marks.
// Values are written into the text (no bound parameters) and text constants use double quotes.

#include "platform/DateTime.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tarrow {

// The two kinds of run; they differ only in their statements and a few values.
enum class TTipoMovimento { Vendas, Devolucoes };

// Where clauses: the automatic sender limits every selection to the current day, the manual one
// appends the operator's choice (FiltroOpcao).
enum class TVariante { Automatico, Manual };

// The manual sender's options, by the index of the radio group grpOpcao.
enum class TOpcaoEnvio { NumeroLancamento = 0, Periodo = 1, Dia = 2, PendenciasRegistradas = 3 };

// Automatic sender: the selection for the current day, taken from the clock at every call.
std::string SqlVendas(std::int32_t filial);
std::string SqlDevolucoes(std::int32_t filial);
std::string SqlSelecao(TTipoMovimento tipo, std::int32_t filial);

// Manual sender: the selection narrowed by the FiltroOpcao line.
std::string SqlSelecao(TTipoMovimento tipo, std::int32_t filial, const std::string& filtroOpcao);
std::string SqlConta(TTipoMovimento tipo, std::int32_t filial, const std::string& filtroOpcao);

// FiltroOpcao for options 0 to 2. numero is the release number exactly as typed; the dates are
// the date edits' days.
std::string FiltroNumeroLancamento(const std::string& numero);
std::string FiltroPeriodo(TDateTime primeiroDia, TDateTime ultimoDia);
std::string FiltroDia(TDateTime dia);
// FiltroOpcao for option 3, from ListaIn of the pending list, or nothing when the list was empty.
std::string FiltroPendencias(const std::optional<std::string>& listaIn);

std::string SqlListaPendentes(TTipoMovimento tipo);

// One open registration (enviado other than "S") per sale or return of a branch: registering
// one that has it adds no row, closing closes every open row of it, and the count is of sales.
// registro is the release number's text as the selection returned it.
std::string SqlRegistraPendente(TTipoMovimento tipo, std::int32_t filial, const std::string& registro);
std::string SqlMarcaEnviada(TTipoMovimento tipo, std::int32_t filial, std::int64_t numlanc);
std::string SqlBuscaPendente(TTipoMovimento tipo, std::int32_t filial, std::int64_t numlanc);
std::string SqlFechaPendente(TTipoMovimento tipo, std::int32_t filial, std::int64_t numlanc);
// "Pendências registradas" counted: the branch's distinct release numbers with an open registration.
std::string SqlContaPendentes(TTipoMovimento tipo, std::int32_t filial);

// The server-side send lock: taken without waiting (1 taken, 0 held elsewhere, NULL an error) and
// released; the name is written as a quoted, escaped text constant.
std::string SqlTomaTrava(const std::string& nome);
std::string SqlLiberaTrava(const std::string& nome);

// The health check's statements, all read-only. The number of distinct sales (or returns) the
// automatic sender's selection holds now, in the column "vendas".
std::string SqlContaSelecao(TTipoMovimento tipo, std::int32_t filial);
// The oldest unrelayed sale or return line from the first day to the last, by the selections'
// rules but for the day, in the column "mais_antiga" (NULL when there is none).
std::string SqlMaisAntiga(std::int32_t filial, TDateTime primeiroDia, TDateTime ultimoDia);
// The branch's sales and returns with an open registration, each counted once, in "vendas".
std::string SqlContaRegistradas(std::int32_t filial);
// The session that holds the send lock now, in "dono" (NULL when free); takes nothing.
std::string SqlDonoTrava(const std::string& nome);

// A date as statements write it: yyyy/mm/dd with the regional date separator.
std::string DataSql(TDateTime dia);

}  // namespace tarrow
