#pragma once
// The window tests' message boxes, recorded instead of shown, and the day the tests run on.

#include "platform/DateTime.h"
#include "relay/Janela.h"

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

}  // namespace tarrow::test
