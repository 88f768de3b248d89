#pragma once
// A window no one looks at, for the benchmarks that run a send or a check through the relay core:
// they time the work, not boxes.

#include "relay/Janela.h"

#include <string>

namespace tarrow::bench {

class TJanelaMuda final : public TJanelaEnvio {
public:
    void Mensagem(const std::string&, const std::string&, TIconeMensagem) override {}
    bool Pergunta(const std::string&, const std::string&) override { return false; }
    void HabilitaEnvio(bool) override {}
    void IniciaProgresso(int, int, int) override {}
    void AvancaProgresso(const std::string&) override {}
    void DefineTitulo(const std::string&) override {}
    void SolicitaTermino() override {}
};

}  // namespace tarrow::bench
