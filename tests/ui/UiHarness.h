#pragma once
// What the window tests of both implementations share: message boxes recorded instead of shown,
// and a store whose day has sales and returns to send.

#include "relay/Janela.h"
#include "tests/relay/RelayHarness.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarrow::test {

inline const TDateTime kHojeUi = EncodeDate(2026, 12, 9);

// A loopback address where nothing answers on port 80: the connectivity check fails at once.
inline constexpr const char* kSemInternet = "127.0.0.6";

struct TCaixa {
    std::string Texto;
    std::string Titulo;
    TIconeMensagem Icone;
};

// The window's boxes, remembered. AoMostrar runs while a box "is open", which is where a real
// modal box would let the event loop run.
class TMensagensGravadas : public TMensagens {
public:
    void Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone) override;
    bool Pergunta(const std::string& texto, const std::string& titulo) override;
    std::vector<std::string> Textos() const;

    std::vector<TCaixa> Caixas;
    bool Resposta = true;
    std::function<void(const TCaixa&)> AoMostrar;
};

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
