#include "apps/tarrow-send/Opcoes.h"

#include "platform/ProgramDir.h"

namespace tarrow {

namespace {

bool SoDigitos(const std::string& texto)
{
    if (texto.empty()) return false;
    for (char c : texto)
        if (c < '0' || c > '9') return false;
    return true;
}

// A threshold of --estado in whole minutes, up to the seven days the check looks back.
int LeMinutos(const std::string& texto, const std::string& opcao)
{
    if (!SoDigitos(texto) || texto.size() > 5 || std::stoi(texto) < 1 || std::stoi(texto) > 7 * 24 * 60)
        throw EOpcaoInvalida("Valor inválido em " + opcao + ": \"" + texto + "\". Informe minutos de 1 a 10080.");
    return std::stoi(texto);
}

}  // namespace

TDateTime LeData(const std::string& texto, const std::string& opcao)
{
    const auto invalida = [&] {
        return EOpcaoInvalida("Data inválida em " + opcao + ": \"" + texto + "\". Use o formato AAAA-MM-DD.");
    };
    if (texto.size() != 10 || texto[4] != '-' || texto[7] != '-') throw invalida();
    const std::string ano = texto.substr(0, 4), mes = texto.substr(5, 2), dia = texto.substr(8, 2);
    if (!SoDigitos(ano) || !SoDigitos(mes) || !SoDigitos(dia)) throw invalida();
    const int a = std::stoi(ano), m = std::stoi(mes), d = std::stoi(dia);
    if (a < 1 || !IsValidDate(a, m, d)) throw invalida();
    return EncodeDate(a, m, d);
}

TOpcoesEnvio LeOpcoes(const std::vector<std::string>& argumentos, TDateTime hoje)
{
    TOpcoesEnvio opcoes;
    std::string escolhida;  // the selection option given, for the "only one" message
    std::vector<std::string> limites;  // the options that belong to --estado
    auto escolhe = [&](const std::string& nome, TOpcaoEnvio opcao) {
        if (!escolhida.empty())
            throw EOpcaoInvalida("Use apenas uma das opções --numlanc, --day, --period e --pending (" + escolhida +
                                 " e " + nome + ").");
        escolhida = nome;
        opcoes.Opcao = opcao;
    };
    for (std::size_t i = 0; i < argumentos.size(); ++i) {
        const std::string& arg = argumentos[i];
        auto valor = [&](const char* oque) -> const std::string& {
            if (i + 1 >= argumentos.size()) throw EOpcaoInvalida("A opção " + arg + " precisa de " + oque + ".");
            return argumentos[++i];
        };
        if (arg == "--help" || arg == "-h") {
            opcoes.Ajuda = true;
        } else if (arg == "--numlanc") {
            escolhe(arg, TOpcaoEnvio::NumeroLancamento);
            opcoes.NumeroLancamento = valor("um número de lançamento");
            if (opcoes.NumeroLancamento.empty()) throw EOpcaoInvalida("Informe o número de lançamento.");
            // Only digits ever reach the statement.
            if (!SoDigitos(opcoes.NumeroLancamento))
                throw EOpcaoInvalida("Número de lançamento inválido: \"" + opcoes.NumeroLancamento +
                                     "\". Informe apenas dígitos.");
        } else if (arg == "--day") {
            escolhe(arg, TOpcaoEnvio::Dia);
            opcoes.DataInicial = LeData(valor("uma data (AAAA-MM-DD)"), arg);
            opcoes.DataFinal = opcoes.DataInicial;
        } else if (arg == "--period") {
            escolhe(arg, TOpcaoEnvio::Periodo);
            opcoes.DataInicial = LeData(valor("duas datas (AAAA-MM-DD AAAA-MM-DD)"), arg);
            opcoes.DataFinal = LeData(valor("duas datas (AAAA-MM-DD AAAA-MM-DD)"), arg);
            if (opcoes.DataInicial > opcoes.DataFinal) throw EOpcaoInvalida("Data final é menor que a data inicial.");
        } else if (arg == "--pending") {
            escolhe(arg, TOpcaoEnvio::PendenciasRegistradas);
        } else if (arg == "--count") {
            opcoes.Contar = true;
        } else if (arg == "--dir") {
            opcoes.Diretorio = valor("um diretório");
            if (opcoes.Diretorio.empty()) throw EOpcaoInvalida("A opção --dir precisa de um diretório.");
            if (!IsPathSeparator(opcoes.Diretorio.back())) opcoes.Diretorio += '/';
        } else if (arg == "--log") {
            opcoes.Log = valor("um arquivo");
            if (opcoes.Log.empty()) throw EOpcaoInvalida("A opção --log precisa de um arquivo.");
        } else if (arg == "--cifra-senha") {
            opcoes.CifraSenha = valor("a senha");
        } else if (arg == "--estado") {
            opcoes.Estado = true;
        } else if (arg == "--aviso") {
            opcoes.AvisoMinutos = LeMinutos(valor("os minutos de atraso"), arg);
            limites.push_back(arg);
        } else if (arg == "--critico") {
            opcoes.CriticoMinutos = LeMinutos(valor("os minutos de atraso"), arg);
            limites.push_back(arg);
        } else if (arg == "--json") {
            opcoes.Json = true;
            limites.push_back(arg);
        } else {
            throw EOpcaoInvalida("Opção desconhecida: \"" + arg + "\".");
        }
    }
    if (!opcoes.Estado && !limites.empty())
        throw EOpcaoInvalida("A opção " + limites.front() + " só vale com --estado.");
    if (opcoes.Estado) {
        // The check reads what the automatic sender would send; it neither sends nor counts otherwise.
        if (!escolhida.empty() || opcoes.Contar || opcoes.CifraSenha)
            throw EOpcaoInvalida("A opção --estado não se combina com " +
                                 (!escolhida.empty() ? escolhida : opcoes.Contar ? "--count" : "--cifra-senha") + ".");
        if (opcoes.CriticoMinutos < opcoes.AvisoMinutos)
            throw EOpcaoInvalida("O limite de --critico (" + std::to_string(opcoes.CriticoMinutos) +
                                 " min) é menor que o de --aviso (" + std::to_string(opcoes.AvisoMinutos) + " min).");
    }
    if (opcoes.Contar && !opcoes.Opcao) {
        // Counting needs a selection; alone it counts what the day holds.
        opcoes.Opcao = TOpcaoEnvio::Dia;
        opcoes.DataInicial = opcoes.DataFinal = hoje;
    }
    return opcoes;
}

std::string TextoAjuda()
{
    return "Uso: tarrow-send [opção de envio] [--count] [--dir DIR] [--log ARQUIVO]\n"
           "     tarrow-send --estado [--aviso MIN] [--critico MIN] [--json] [--dir DIR]\n"
           "\n"
           "Envia as vendas e devoluções da loja ao WebService, sem janela.\n"
           "\n"
           "Sem opção de envio: as vendas do dia e depois as devoluções do dia, como o TARROW a cada\n"
           "ciclo (qualquer erro encerra o envio).\n"
           "\n"
           "Opções de envio (como o TARROW_Manual; uma venda recusada 4 vezes fica pendente):\n"
           "  --numlanc N          a venda de número de lançamento N\n"
           "  --day D              as vendas do dia D (AAAA-MM-DD)\n"
           "  --period D1 D2       as vendas de D1 a D2 (AAAA-MM-DD)\n"
           "  --pending            as vendas registradas como pendentes\n"
           "\n"
           "Outras opções:\n"
           "  --count              só conta as vendas e devoluções pendentes (sem opção de envio: as do dia)\n"
           "  --dir DIR            onde estão sistema_kesto.ini, Tarrow.conf e as listas de pendentes\n"
           "                       (padrão: o diretório do programa)\n"
           "  --log ARQUIVO        acrescenta ao ARQUIVO o início, cada venda, os erros e o fim do envio\n"
           "                       (em UTF-8; cheio com 1 MiB, passa a ARQUIVO.1, e ficam até ARQUIVO.4)\n"
           "  --cifra-senha SENHA  mostra a senha cifrada para a chave senha de sistema_kesto.ini\n"
           "  --help               esta ajuda\n"
           "\n"
           "Verificação para monitoramento (não envia nada e não toma a trava de envio):\n"
           "  --estado             uma linha \"TARROW OK - ...\" com as vendas e devoluções do dia a enviar,\n"
           "                       as vendas com registro pendente, o atraso da venda mais antiga sem envio\n"
           "                       dos últimos 7 dias e se um envio está em andamento\n"
           "  --aviso MIN          atraso que dá WARNING (padrão: 30 minutos)\n"
           "  --critico MIN        atraso que dá CRITICAL (padrão: 120 minutos)\n"
           "  --json               os mesmos dados num objeto JSON\n"
           "\n"
           "Saída: 0 tudo enviado; 1 vendas não enviadas (listadas no arquivo indicado);\n"
           "2 um erro encerrou o envio; 64 opções inválidas. Com --estado: 0 OK, 1 WARNING (atraso a partir\n"
           "de --aviso ou venda com registro pendente), 2 CRITICAL (atraso a partir de --critico),\n"
           "3 UNKNOWN (configurações, banco de dados ou opções com erro).\n";
}

}  // namespace tarrow
