#include "apps/tarrow-send/EnvioSemJanela.h"

#include "apps/tarrow-send/Estado.h"
#include "apps/tarrow-send/LogEnvio.h"

#include "platform/CodePage.h"
#include "platform/Console.h"
#include "platform/ProgramDir.h"
#include "relay/Funcoes.h"
#include "relay/UMain.h"

#include "platform/IniFile.h"
#include "relay/Configuracoes.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace tarrow {

namespace {

// Windows' line ends in the core's texts become the terminal's.
std::string Linhas(const std::string& texto)
{
    std::string r;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        if (texto[i] == '\r' && i + 1 < texto.size() && texto[i + 1] == '\n') continue;
        r += texto[i];
    }
    return r;
}

}  // namespace

std::optional<std::string> ProblemaConfiguracoes(const std::string& diretorio)
{
    const std::string arquivo = diretorio + kArquivoIni;
    if (!std::filesystem::exists(PathFromUtf8(arquivo)))
        return arquivo + " não existe; valem os valores padrão (banco " + kDatabasePadrao +
               " neste computador, filial 0).";
    const TIniFile ini(arquivo);
    const std::string codigo = Cp1252ToUtf8(ini.ReadString("FilialMatriz", "CodLogica", ""));
    if (!ParseProfileInteger(Utf8ToCp1252(codigo)))
        return "CodLogica em [FilialMatriz] de " + arquivo + " não é um número (\"" + codigo + "\"); vale a filial 0.";
    return std::nullopt;
}

namespace {

// What is sent stays the same; the operator learns of the defaults.
void AvisaConfiguracoes(const std::string& diretorio, std::ostream& erros)
{
    if (const auto problema = ProblemaConfiguracoes(diretorio)) erros << "Aviso: " << *problema << '\n';
}

// " (U+2713)" for a character given in UTF-8: the number survives where the character cannot be
// shown (a console font without it). Empty for a malformed sequence.
std::string NumeroDoCaractere(const std::string& utf8)
{
    const std::optional<char32_t> ponto = CodePointOf(utf8);
    if (!ponto) return {};
    char texto[16];
    std::snprintf(texto, sizeof texto, " (U+%04X)", static_cast<unsigned>(*ponto));
    return texto;
}

void ListaNomes(const TUMain& logica, std::ostream& erros)
{
    for (const std::string& lista : logica.ListasGravadas()) erros << kListadas << lista << '\n';
    erros << std::flush;
}

}  // namespace

void InstalaSinaisDeParada()
{
    // A second request: the operator will not wait for the sale in hand.
    InstallStopHandlers("tarrow-send: interrompido de imediato.\n", SaidaErro);
    // Windows: a log-off or a shutdown is told to windows only.
    WatchSessionEnd(kMotivoFimDeSessao);
}

TJanelaTerminal::TJanelaTerminal(std::ostream& saida, std::ostream& erros, bool terminal, const TOpcoesEnvio& opcoes)
    : saida_(saida), erros_(erros), terminal_(terminal), opcoes_(opcoes)
{
}

void TJanelaTerminal::Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone)
{
    FechaProgresso();
    if (icone == TIconeMensagem::Erro || icone == TIconeMensagem::Aviso)
        erros_ << titulo << ": " << Linhas(texto) << '\n' << std::flush;
    else
        saida_ << Linhas(texto) << '\n' << std::flush;
}

bool TJanelaTerminal::Pergunta(const std::string&, const std::string&) { return true; }

void TJanelaTerminal::IniciaProgresso(int minimo, int maximo, int posicao)
{
    FechaProgresso();
    minimo_ = minimo, maximo_ = maximo, posicao_ = posicao;
    avancos_ = 0;
}

void TJanelaTerminal::AvancaProgresso(const std::string& texto)
{
    posicao_ = std::min(posicao_ + 1, maximo_);
    if (!terminal_) {
        saida_ << texto << '\n' << std::flush;
        return;
    }
    constexpr int kLargura = 30;
    // The text names the sale now being sent; the bar shows those already behind it.
    const int total = std::max(1, maximo_ - minimo_ + 1);
    const int cheio = std::clamp(avancos_++, 0, total) * kLargura / total;
    saida_ << "\r\033[K[" << std::string(cheio, '#') << std::string(kLargura - cheio, ' ') << "] " << texto
           << std::flush;
    barraAberta_ = true;
}

void TJanelaTerminal::FechaProgresso()
{
    if (!barraAberta_) return;
    saida_ << '\n' << std::flush;
    barraAberta_ = false;
}

TOpcaoEnvio TJanelaTerminal::Opcao() const { return opcoes_.Opcao.value_or(TOpcaoEnvio::Dia); }

int ExecutaSemJanela(const TOpcoesEnvio& opcoes, std::ostream& saida, std::ostream& erros, bool terminal,
                     std::function<void(TPassoEnvio, TTipoMovimento, const std::string&)> acompanhamento)
{
    const std::string diretorio = opcoes.Diretorio.empty() ? ProgramDirectory() : opcoes.Diretorio;
    TJanelaTerminal janela(saida, erros, terminal, opcoes);
    const auto erro = [&](const std::string& texto) {
        janela.FechaProgresso();
        erros << "Erro: " << Linhas(texto) << '\n' << std::flush;
        return SaidaErro;
    };
    if (!std::filesystem::is_directory(PathFromUtf8(diretorio)))
        return erro("O diretório " + diretorio + " não existe.");

    AvisaConfiguracoes(diretorio, erros);

    const TVariante variante = opcoes.Opcao ? TVariante::Manual : TVariante::Automatico;
    TUMain logica(variante, janela, variante == TVariante::Manual ? &janela : nullptr, diretorio);
    try {
        logica.FormCreate();
    } catch (const std::exception& e) {
        return erro(e.what());
    }
    if (janela.TerminoSolicitado()) return SaidaErro;  // the start-up has said why

    if (opcoes.Contar) {
        try {
            const int vendas = logica.ContaVendas();
            const int devolucoes = logica.ContaDevolucoes();
            saida << "Existe(m) " << vendas << " venda(s) e " << devolucoes << " devolução(ões) pendente(s) a enviar.\n";
            return SaidaOk;
        } catch (const std::exception& e) {
            return erro(e.what());
        }
    }

    logica.Parar = [] { return StopRequested(); };
    logica.Acompanhamento = std::move(acompanhamento);
    // From the lock to the last line about the send: a session's end waits for all of it.
    MarkWorkInHand(true);
    struct TFimDoTrabalho {
        ~TFimDoTrabalho() { MarkWorkInHand(false); }
    } fimDoTrabalho;
    try {
        if (!logica.Enviar()) return erro(kOutroEnvio);
        janela.FechaProgresso();
    } catch (const EEnvioInterrompido&) {
        janela.FechaProgresso();
        erros << "tarrow-send: parado pelo sinal " << StopRequestName()
              << " depois de concluir a venda em andamento; o restante fica para o próximo envio.\n";
        ListaNomes(logica, erros);
        return SaidaErro;
    } catch (const std::exception& e) {
        // The error's text already names the send's list files.
        return erro(e.what());
    }
    ListaNomes(logica, erros);
    saida << "Envio concluído.\n" << std::flush;
    return logica.ListasGravadas().empty() ? SaidaOk : SaidaPendentes;
}

int TarrowSend(const std::vector<std::string>& argumentos, std::ostream& saida, std::ostream& erros, bool terminal)
{
    TOpcoesEnvio opcoes;
    try {
        opcoes = LeOpcoes(argumentos, Date());
    } catch (const EOpcaoInvalida& e) {
        // A monitoring agent reads the check's line and status, whatever went wrong.
        if (std::find(argumentos.begin(), argumentos.end(), "--estado") != argumentos.end()) {
            const TResultadoEstado desconhecido = EstadoIndeterminado(e.what());
            const bool json = std::find(argumentos.begin(), argumentos.end(), "--json") != argumentos.end();
            saida << (json ? desconhecido.Json : desconhecido.Linha) << '\n' << std::flush;
            return desconhecido.Estado;
        }
        erros << "tarrow-send: " << e.what() << "\nUse --help para ver as opções.\n";
        return SaidaUso;
    }
    if (opcoes.Ajuda) {
        saida << TextoAjuda();
        return SaidaOk;
    }
    if (opcoes.Estado) return ExecutaEstado(opcoes, saida);
    if (opcoes.CifraSenha) {
        // The stored password is bytes of the management system's code page: a character it lacks
        // would be enciphered as "?", and the database would then refuse the password typed.
        std::string fora;
        const auto senha = Utf8ToCp1252Exact(*opcoes.CifraSenha, &fora);
        if (!senha) {
            erros << "tarrow-send: a senha tem \"" << fora << "\"" << NumeroDoCaractere(fora)
                  << ", que a página de código Windows-1252 da senha guardada em sistema_kesto.ini não"
                     " representa; nada foi cifrado. Use só letras, acentos, dígitos e sinais dessa página.\n";
            return SaidaUso;
        }
        saida << Cripto("E", *senha, kChaveSenha) << '\n';
        return SaidaOk;
    }
    if (!opcoes.Log.empty()) return ExecutaComLog(opcoes, argumentos, saida, erros, terminal);
    return ExecutaSemJanela(opcoes, saida, erros, terminal);
}

}  // namespace tarrow
