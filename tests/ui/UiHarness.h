#pragma once
// What the window tests of both implementations share about the store: a day with sales and
// returns to send, and the relay marks they leave.

#include "tests/relay/RelayHarness.h"
#include "tests/ui/MensagensGravadas.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarrow::test {

// Products, branch and tax data every scenario shares.
void Cadastra(TLoja& loja);
// A movement line of branch 12 (a return when the quantity is negative), today unless told.
std::string Linha(std::int64_t numlanc, int produto, const char* quantidade, const char* preco = "7.50",
                  const char* quando = "2026-12-09 10:00:00");
// The relay marks of a release number's lines, "-" for an unmarked one.
std::string Marcas(TLoja& loja, std::int64_t numlanc);

// Runs acao before every proxy the run asks for (calls still reach the peer).
void AntesDeCadaChamada(TUMain& logica, std::function<void()> acao);

}  // namespace tarrow::test
