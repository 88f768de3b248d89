#include "apps/tarrow-send/LogEnvio.h"

#include "apps/tarrow-send/EnvioSemJanela.h"
#include "platform/DateTime.h"
#include "platform/ProgramDir.h"
#include "relay/Funcoes.h"

#include <filesystem>

namespace tarrow {

namespace {

#ifdef _WIN32
// What Windows' editors, old Notepad included, take for a line end.
constexpr const char* kFimDeLinha = "\r\n";
#else
constexpr const char* kFimDeLinha = "\n";
#endif

// An argument as the operator would type it again.
std::string Argumento(const std::string& texto)
{
    if (!texto.empty() && texto.find_first_of(" \t\"") == std::string::npos) return texto;
    std::string r = "\"";
    for (char c : texto) {
        if (c == '"') r += '\\';
        r += c;
    }
    return r + '"';
}

std::string Nome(TTipoMovimento tipo, const std::string& registro)
{
    return (tipo == TTipoMovimento::Vendas ? "Venda " : "Devolução ") + registro;
}

}  // namespace

std::optional<std::string> TLogEnvio::Abre(const std::string& arquivo)
{
    arquivo_ = arquivo;
    return log_.Open(arquivo);
}

void TLogEnvio::Linha(const std::string& texto) noexcept
{
    try {
        const std::string inicio =
            FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", Now()) + " [" + std::to_string(CurrentProcessId()) + "] ";
        std::size_t de = 0;
        do {
            std::size_t ate = texto.find('\n', de);
            if (ate == std::string::npos) ate = texto.size();
            std::string linha = texto.substr(de, ate - de);
            if (!linha.empty() && linha.back() == '\r') linha.pop_back();
            // One write per line: another run's lines come between two of ours, never inside one.
            log_.Append(inicio + linha + kFimDeLinha);
            de = ate + 1;
        } while (de < texto.size());
    } catch (...) {
        // Out of memory: the line is lost, the send goes on.
    }
}

void TLogEnvio::Gira() noexcept
{
    try {
        namespace fs = std::filesystem;
        std::error_code erro;
        const fs::path atual = PathFromUtf8(arquivo_);
        const auto anterior = [&](int n) { return PathFromUtf8(arquivo_ + "." + std::to_string(n)); };
        // By its name: another run may have moved aside the file this one opened.
        const std::uintmax_t tamanho = fs::file_size(atual, erro);
        if (!erro && tamanho >= kTamanhoMaximo) {
            fs::remove(anterior(kAnteriores), erro);
            for (int n = kAnteriores - 1; n >= 1; --n) fs::rename(anterior(n), anterior(n + 1), erro);
            fs::rename(atual, anterior(1), erro);
            if (erro) Linha("Aviso: o log não pôde ser girado (" + erro.message() + "); continua em " + arquivo_ + ".");
        }
        // This run's lines go on in the file that now has the name.
        if (log_.Open(arquivo_)) Linha("Aviso: o log não pôde ser reaberto depois de girado.");
    } catch (...) {
    }
}

void TLogEnvio::Passo(TPassoEnvio passo, TTipoMovimento tipo, const std::string& registro) noexcept
{
    switch (passo) {
    case TPassoEnvio::TravaTomada:
        Gira();
        return;
    case TPassoEnvio::Enviada:
        Linha(Nome(tipo, registro) + " enviada.");
        return;
    case TPassoEnvio::Desistida:
        Linha(Nome(tipo, registro) + " não enviada: registrada como pendente.");
        return;
    case TPassoEnvio::Interrompida:
        Linha(Nome(tipo, registro) + " interrompida pelo erro que encerrou o envio; fica para o próximo envio.");
        return;
    }
}

void TLogEnvio::AnotaErro(const std::string& linha)
{
    if (linha.starts_with("Erro: ") || linha.starts_with("tarrow-send: ")) ultimoErro_ = linha;
}

TCopiaParaLog::~TCopiaParaLog()
{
    if (!linha_.empty()) {
        log_.Linha(linha_);
        log_.AnotaErro(linha_);
    }
}

TCopiaParaLog::int_type TCopiaParaLog::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char caractere = traits_type::to_char_type(c);
    Guarda(&caractere, 1);
    return c;
}

std::streamsize TCopiaParaLog::xsputn(const char* texto, std::streamsize quantos)
{
    Guarda(texto, static_cast<std::size_t>(quantos));
    return quantos;
}

int TCopiaParaLog::sync() { return destino_.pubsync(); }

void TCopiaParaLog::Guarda(const char* texto, std::size_t quantos)
{
    destino_.sputn(texto, static_cast<std::streamsize>(quantos));
    for (std::size_t i = 0; i < quantos; ++i) {
        if (texto[i] != '\n') {
            linha_ += texto[i];
            continue;
        }
        log_.Linha(linha_);
        log_.AnotaErro(linha_);
        linha_.clear();
    }
}

int ExecutaComLog(const TOpcoesEnvio& opcoes, const std::vector<std::string>& argumentos, std::ostream& saida,
                  std::ostream& erros, bool terminal)
{
    TLogEnvio log;
    if (const auto falha = log.Abre(opcoes.Log)) {
        erros << "Erro: não foi possível abrir o log " << opcoes.Log << ": " << *falha << "; nada foi enviado.\n";
        return SaidaErro;
    }
    std::string linha = "Início: tarrow-send " + VersaoArquivo("") + "; opções:";
    for (const std::string& argumento : argumentos) linha += " " + Argumento(argumento);
    log.Linha(linha);

    int status = SaidaErro;
    {
        TCopiaParaLog copia(erros, log);
        std::ostream errosComLog(&copia);
        status = ExecutaSemJanela(opcoes, saida, errosComLog, terminal,
                                  [&log](TPassoEnvio passo, TTipoMovimento tipo, const std::string& registro) {
                                      log.Passo(passo, tipo, registro);
                                  });
        errosComLog.flush();
    }
    std::string motivo;
    switch (status) {
    case SaidaOk:
        motivo = opcoes.Contar ? "contagem feita" : "tudo enviado";
        break;
    case SaidaPendentes:
        motivo = "vendas não enviadas, listadas acima";
        break;
    default:
        motivo = log.UltimoErro().empty() ? "um erro encerrou o envio" : log.UltimoErro();
        break;
    }
    log.Linha("Fim: saída " + std::to_string(status) + " (" + motivo + ").");
    return status;
}

}  // namespace tarrow
