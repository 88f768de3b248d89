#include "tests/ui/MensagensGravadas.h"

namespace tarrow::test {

void TMensagensGravadas::Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone)
{
    Caixas.push_back({texto, titulo, icone});
    if (AoMostrar) AoMostrar(Caixas.back());
}

bool TMensagensGravadas::Pergunta(const std::string& texto, const std::string& titulo)
{
    Caixas.push_back({texto, titulo, TIconeMensagem::Pergunta});
    if (AoMostrar) AoMostrar(Caixas.back());
    return Resposta;
}

std::vector<std::string> TMensagensGravadas::Textos() const
{
    std::vector<std::string> textos;
    for (const TCaixa& c : Caixas) textos.push_back(c.Texto);
    return textos;
}

}  // namespace tarrow::test
