#pragma once
// The two windows' design, the same in both implementations: captions, texts, control positions
// (in pixels, relative to the control's container) and timer intervals.

#include "relay/Sentencas.h"

namespace tarrow {

struct TRetangulo {
    int Esquerda, Topo, Largura, Altura;
    friend bool operator==(const TRetangulo&, const TRetangulo&) = default;
};

namespace manual {

inline constexpr const char* kTitulo = "TarrowKesto 1.1 (Manual)";
inline constexpr int kLarguraCliente = 224;
inline constexpr int kAlturaCliente = 264;

inline constexpr const char* kTituloOpcao = " Enviar vendas por: ";
inline constexpr const char* kOpcoes[4] = {"Número de lançamento", "Período", "Dia", "Pendências registradas"};
inline constexpr TRetangulo grpOpcao{8, 8, 209, 105};
// Each item inside the group: the design gives the group alone, the items fill it evenly.
inline constexpr TRetangulo Opcao(int indice) { return {10, 18 + indice * 21, 190, 19}; }

inline constexpr TRetangulo pnlDados{8, 120, 209, 37};
inline constexpr TRetangulo EditNumLanc{8, 8, 193, 21};
inline constexpr TRetangulo EditDia{8, 8, 93, 21};
inline constexpr TRetangulo EditAte{109, 8, 93, 21};
inline constexpr TRetangulo btnVerificar{32, 200, 161, 25};
inline constexpr TRetangulo btnEnviar{32, 232, 161, 25};
inline constexpr TRetangulo pnlGauge{8, 157, 209, 36};
inline constexpr TRetangulo Progresso{0, 0, 208, 19};
inline constexpr TRetangulo lblProgresso{8, 20, 193, 13};

inline constexpr const char* kVerificar = "Verificar vendas pendentes";
inline constexpr const char* kEnviar = "Enviar vendas pendentes";
inline constexpr const char* kAguardando = "Aguardando envio";
inline constexpr const char* kAvisoPendentes = "Vendas registradas como pendentes";

// What AjustaCampos makes of an option.
struct TCampos {
    bool NumLanc;
    bool Dia;
    bool Ate;
    int EsquerdaDia;       // EditDia's left when it is visible
    const char* Aviso;     // the caption of pnlDados
};
TCampos CamposDaOpcao(TOpcaoEnvio opcao);

// The percentage the gauge Progresso prints: its position's share of its range, 0 for an empty
// range, so a gauge at rest shows its minimum whatever range the last send gave it.
int Percentual(int minimo, int maximo, int posicao);

}  // namespace manual

namespace automatico {

inline constexpr int kLarguraCliente = 169;
inline constexpr int kAlturaCliente = 47;
inline constexpr TRetangulo btnEnviar{8, 11, 153, 25};
inline constexpr const char* kEnviar = "Enviar vendas";
inline constexpr unsigned kIntervaloTimer = 300000;
inline constexpr unsigned kIntervaloMinimizar = 10;
inline constexpr const char* kDica = "TarrowKesto";
inline constexpr const char* kAbrir = "Abrir";
inline constexpr const char* kMinimizar = "Minimizar";
inline constexpr const char* kFechar = "Fechar";

}  // namespace automatico

}  // namespace tarrow
