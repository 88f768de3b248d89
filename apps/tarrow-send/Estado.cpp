#include "apps/tarrow-send/Estado.h"

#include "apps/tarrow-send/EnvioSemJanela.h"
#include "platform/CodePage.h"
#include "platform/ProgramDir.h"
#include "relay/Configuracoes.h"
#include "relay/Sentencas.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <vector>

namespace tarrow {

namespace {

// An agent waits some tens of seconds for a check: a server that does not answer must give
// UNKNOWN before the agent gives up on the check without a line.
constexpr int kLimiteConexaoEstado = 10;
constexpr int kLimiteSentencaEstado = 10;

// The one column of the one row a statement returns, read by le; NULL as nothing.
template <typename Le>
auto UmValor(TMyQuery& consulta, const std::string& sql, const std::string& coluna, Le le)
    -> std::optional<decltype(le(consulta.FieldByName(coluna)))>
{
    consulta.Close();
    consulta.SetSQL(sql);
    consulta.Open();
    const TField& campo = consulta.FieldByName(coluna);
    const auto valor = campo.IsNull() ? std::nullopt : std::optional(le(campo));
    consulta.Close();
    return valor;
}

std::optional<std::int64_t> Numero(TMyQuery& consulta, const std::string& sql, const std::string& coluna)
{
    return UmValor(consulta, sql, coluna, [](const TField& campo) { return campo.AsLargeint(); });
}

// "45 min", "2 h 05 min"; under a minute "menos de 1 min".
std::string Duracao(std::int64_t segundos)
{
    const std::int64_t minutos = segundos / 60;
    if (minutos < 1) return "menos de 1 min";
    if (minutos < 60) return std::to_string(minutos) + " min";
    char texto[48];
    std::snprintf(texto, sizeof texto, "%lld h %02d min", static_cast<long long>(minutos / 60),
                  static_cast<int>(minutos % 60));
    return texto;
}

const char* NomeEstado(TEstado estado)
{
    switch (estado) {
    case EstadoOk:
        return "OK";
    case EstadoAviso:
        return "WARNING";
    case EstadoCritico:
        return "CRITICAL";
    case EstadoDesconhecido:
        break;
    }
    return "UNKNOWN";
}

// A JSON string, in ASCII alone: an agent may read the output in a code page of its own.
std::string TextoJson(const std::string& utf8)
{
    std::string r = "\"";
    char escape[16];
    const auto unidade = [&](unsigned valor) {
        std::snprintf(escape, sizeof escape, "\\u%04x", valor);
        r += escape;
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            if (c == '"' || c == '\\') {
                r += '\\';
                r += static_cast<char>(c);
            } else if (c < 0x20) {
                unidade(c);
            } else {
                r += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        const std::size_t tamanho = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        const std::optional<char32_t> ponto = CodePointOf(std::string_view(utf8).substr(i, tamanho));
        const char32_t p = ponto.value_or(0xFFFD);
        if (p > 0xFFFF) {
            unidade(0xD800 + ((p - 0x10000) >> 10));
            unidade(0xDC00 + ((p - 0x10000) & 0x3FF));
        } else {
            unidade(static_cast<unsigned>(p));
        }
        i += ponto ? tamanho : 1;
    }
    return r + "\"";
}

// One line for the agent: the core's texts may hold line breaks.
std::string UmaLinha(const std::string& texto)
{
    std::string r;
    for (char c : texto) {
        if (c == '\r') continue;
        r += c == '\n' ? ' ' : c;
    }
    return r;
}

} // namespace

TFigurasEstado LeFigurasEstado(TUMain& logica, TDateTime agora)
{
    TMyQuery& consulta = logica.oQuery2;
    const std::int32_t filial = logica.CodLogica;
    TFigurasEstado figuras;
    figuras.Vendas = Numero(consulta, SqlContaSelecao(TTipoMovimento::Vendas, filial), "vendas").value_or(0);
    figuras.Devolucoes =
        Numero(consulta, SqlContaSelecao(TTipoMovimento::Devolucoes, filial), "vendas").value_or(0);
    figuras.Registradas = Numero(consulta, SqlContaRegistradas(filial), "vendas").value_or(0);

    const TDateTime hoje = std::floor(agora);
    figuras.MaisAntiga = UmValor(consulta, SqlMaisAntiga(filial, hoje - (kDiasAtraso - 1), hoje), "mais_antiga",
                                 [](const TField& campo) { return campo.AsDateTime(); });
    if (figuras.MaisAntiga) {
        // A till whose clock runs ahead stamps sales later than now: no delay, not a negative one.
        figuras.AtrasoSegundos =
            std::max<std::int64_t>(0, std::llround((agora - *figuras.MaisAntiga) * 86400.0));
    }
    figuras.SessaoEnvio = Numero(consulta, SqlDonoTrava(logica.NomeTrava()), "dono");
    return figuras;
}

TResultadoEstado AvaliaEstado(const TFigurasEstado& figuras, int avisoMinutos, int criticoMinutos)
{
    const std::int64_t aviso = std::int64_t{avisoMinutos} * 60, critico = std::int64_t{criticoMinutos} * 60;
    TResultadoEstado resultado;
    std::vector<std::string> motivos;
    const bool atrasado = figuras.MaisAntiga.has_value();
    if (atrasado && figuras.AtrasoSegundos >= critico) {
        resultado.Estado = EstadoCritico;
        motivos.push_back("atraso de " + Duracao(figuras.AtrasoSegundos) + " (crítico a partir de " +
                          std::to_string(criticoMinutos) + " min)");
    } else if (atrasado && figuras.AtrasoSegundos >= aviso) {
        resultado.Estado = EstadoAviso;
        motivos.push_back("atraso de " + Duracao(figuras.AtrasoSegundos) + " (aviso a partir de " +
                          std::to_string(avisoMinutos) + " min)");
    } else {
        resultado.Estado = EstadoOk;
    }
    if (figuras.Registradas > 0) {
        if (resultado.Estado == EstadoOk) resultado.Estado = EstadoAviso;
        motivos.push_back(std::to_string(figuras.Registradas) +
                          " venda(s) com registro pendente em van_pendentes");
    }

    std::string texto;
    for (const std::string& motivo : motivos) texto += (texto.empty() ? "" : "; ") + motivo;
    if (!texto.empty()) texto += " - ";
    texto += std::to_string(figuras.Vendas) + " venda(s) e " + std::to_string(figuras.Devolucoes) +
             " devolução(ões) do dia a enviar, " + std::to_string(figuras.Registradas) +
             " com registro pendente, " +
             (atrasado ? "a mais antiga sem envio há " + Duracao(figuras.AtrasoSegundos)
                       : "nenhuma sem envio em " + std::to_string(kDiasAtraso) + " dias");
    if (figuras.SessaoEnvio)
        texto += ", envio em andamento (conexão " + std::to_string(*figuras.SessaoEnvio) + ")";

    const std::string textoEstado = std::string("TARROW ") + NomeEstado(resultado.Estado) + " - " + texto;
    resultado.Linha = textoEstado + " | pendentes=" + std::to_string(figuras.Vendas) +
                      " devolucoes=" + std::to_string(figuras.Devolucoes) +
                      " registradas=" + std::to_string(figuras.Registradas) +
                      " atraso=" + std::to_string(figuras.AtrasoSegundos) + "s;" + std::to_string(aviso) +
                      ";" + std::to_string(critico);

    std::ostringstream json;
    json << "{\"estado\":\"" << NomeEstado(resultado.Estado) << "\",\"status\":" << resultado.Estado
         << ",\"pendentes\":" << figuras.Vendas << ",\"devolucoes\":" << figuras.Devolucoes
         << ",\"registradas\":" << figuras.Registradas << ",\"atraso_s\":" << figuras.AtrasoSegundos
         << ",\"aviso_s\":" << aviso << ",\"critico_s\":" << critico << ",\"mais_antiga\":"
         << (figuras.MaisAntiga ? "\"" + FormatDateTime("yyyy-mm-dd", *figuras.MaisAntiga) + "T" +
                                      FormatDateTime("hh:nn:ss", *figuras.MaisAntiga) + "\""
                                : std::string("null"))
         << ",\"envio_em_andamento\":" << (figuras.SessaoEnvio ? "true" : "false")
         << ",\"mensagem\":" << TextoJson(textoEstado) << "}";
    resultado.Json = json.str();
    return resultado;
}

TResultadoEstado EstadoIndeterminado(const std::string& motivo)
{
    TResultadoEstado resultado;
    resultado.Estado = EstadoDesconhecido;
    resultado.Linha = "TARROW UNKNOWN - " + UmaLinha(motivo);
    resultado.Json = "{\"estado\":\"UNKNOWN\",\"status\":3,\"mensagem\":" + TextoJson(resultado.Linha) + "}";
    return resultado;
}

namespace {

TResultadoEstado Verifica(const TOpcoesEnvio& opcoes)
{
    const std::string diretorio = opcoes.Diretorio.empty() ? ProgramDirectory() : opcoes.Diretorio;
    if (!std::filesystem::is_directory(PathFromUtf8(diretorio)))
        return EstadoIndeterminado("O diretório " + diretorio + " não existe.");
    // The defaults would check another store's figures, or none, and call them OK.
    if (const auto problema = ProblemaConfiguracoes(diretorio)) return EstadoIndeterminado(*problema);

    std::ostringstream descartadas;
    TJanelaTerminal janela(descartadas, descartadas, false, opcoes);
    TUMain logica(TVariante::Automatico, janela, nullptr, diretorio);
    try {
        logica.LeConfiguracoesDaLoja();
    } catch (const std::exception& e) {
        return EstadoIndeterminado(std::string("Configurações de ") + diretorio + kArquivoIni + ": " +
                                   e.what());
    }
    logica.oConnect.SetConnectionTimeout(kLimiteConexaoEstado);
    logica.oQuery2.CommandTimeout = kLimiteSentencaEstado;
    try {
        logica.oConnect.Connect();
    } catch (const std::exception& e) {
        return EstadoIndeterminado(std::string("Não foi possível conectar no banco de dados: ") + e.what());
    }
    try {
        return AvaliaEstado(LeFigurasEstado(logica, Now()), opcoes.AvisoMinutos, opcoes.CriticoMinutos);
    } catch (const std::exception& e) {
        return EstadoIndeterminado(std::string("Erro no banco de dados: ") + e.what());
    }
}

} // namespace

int ExecutaEstado(const TOpcoesEnvio& opcoes, std::ostream& saida)
{
    TResultadoEstado resultado;
    try {
        resultado = Verifica(opcoes);
    } catch (const std::exception& e) {
        // Whatever fails, the agent gets its line, not a check that died without one.
        resultado = EstadoIndeterminado(e.what());
    }
    saida << (opcoes.Json ? resultado.Json : resultado.Linha) << '\n' << std::flush;
    return resultado.Estado;
}

} // namespace tarrow
