#include "ui/Desenho.h"

namespace tarrow {

namespace manual {

TCampos CamposDaOpcao(TOpcaoEnvio opcao)
{
    switch (opcao) {
    case TOpcaoEnvio::NumeroLancamento: return {true, false, false, EditDia.Esquerda, ""};
    case TOpcaoEnvio::Periodo: return {false, true, true, EditDia.Esquerda, ""};
    // Alone, the field is centred in the panel.
    case TOpcaoEnvio::Dia: return {false, true, false, 58, ""};
    case TOpcaoEnvio::PendenciasRegistradas: return {false, false, false, EditDia.Esquerda, kAvisoPendentes};
    }
    return {true, false, false, EditDia.Esquerda, ""};
}

int Percentual(int minimo, int maximo, int posicao)
{
    const long long faixa = static_cast<long long>(maximo) - minimo;
    if (faixa <= 0) return 0;
    return static_cast<int>((static_cast<long long>(posicao) - minimo) * 100 / faixa);
}

}  // namespace manual

}  // namespace tarrow
