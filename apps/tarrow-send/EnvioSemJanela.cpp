#include "apps/tarrow-send/EnvioSemJanela.h"

#include "platform/CodePage.h"
#include "platform/ProgramDir.h"
#include "relay/Funcoes.h"
#include "relay/UMain.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>

namespace tarrow {

namespace {

constexpr const char* kArquivoTrava = "tarrow-send.lock";

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

// One sender per program directory: two would relay the same sales twice. The lock is held as
// long as the descriptor is open, and the system drops it if the process dies.
class TTrava {
public:
    explicit TTrava(const std::string& caminho)
    {
        fd_ = ::open(caminho.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0664);
        // In a shared sticky folder the system may refuse O_CREAT on a lock file another member
        // created; opening it as it is still works.
        if (fd_ < 0 && errno == EACCES) fd_ = ::open(caminho.c_str(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0) throw Exception("Não foi possível abrir o arquivo de trava " + caminho + ".");
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd_);
            fd_ = -1;
            throw Exception("Outro tarrow-send já está enviando a partir de " + caminho.substr(0, caminho.rfind('/') + 1) +
                            " (trava " + caminho + "). Tente de novo quando ele terminar.");
        }
    }
    ~TTrava()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    TTrava(const TTrava&) = delete;
    TTrava& operator=(const TTrava&) = delete;

private:
    int fd_ = -1;
};

// The list files and their sizes: a file that appears or grows during the send names sales
// given up by this send.
std::map<std::string, std::uintmax_t> Listas(const std::string& diretorio)
{
    std::map<std::string, std::uintmax_t> listas;
    std::error_code erro;
    for (const auto& entrada : std::filesystem::directory_iterator(diretorio, erro)) {
        const std::string nome = entrada.path().filename().string();
        if (nome.starts_with("VendasPendentes") && nome.ends_with(".txt"))
            listas[entrada.path().string()] = entrada.file_size(erro);
    }
    return listas;
}

std::vector<std::string> ListasNovas(const std::map<std::string, std::uintmax_t>& antes, const std::string& diretorio)
{
    std::vector<std::string> novas;
    for (const auto& [nome, tamanho] : Listas(diretorio)) {
        const auto anterior = antes.find(nome);
        if (anterior == antes.end() || anterior->second != tamanho) novas.push_back(nome);
    }
    return novas;
}

}  // namespace

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

int ExecutaSemJanela(const TOpcoesEnvio& opcoes, std::ostream& saida, std::ostream& erros, bool terminal)
{
    const std::string diretorio = opcoes.Diretorio.empty() ? ProgramDirectory() : opcoes.Diretorio;
    TJanelaTerminal janela(saida, erros, terminal, opcoes);
    const auto erro = [&](const std::string& texto) {
        janela.FechaProgresso();
        erros << "Erro: " << Linhas(texto) << '\n' << std::flush;
        return SaidaErro;
    };
    if (!std::filesystem::is_directory(diretorio)) return erro("O diretório " + diretorio + " não existe.");

    std::optional<TTrava> trava;
    try {
        trava.emplace(diretorio + kArquivoTrava);
    } catch (const std::exception& e) {
        return erro(e.what());
    }

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

    const auto antes = Listas(diretorio);
    int status = SaidaOk;
    try {
        logica.EnviarVendas();
        logica.EnviarDevolucoes();
        janela.FechaProgresso();
    } catch (const std::exception& e) {
        status = erro(e.what());
    }
    const std::vector<std::string> novas = ListasNovas(antes, diretorio);
    for (const std::string& lista : novas) erros << "Vendas não enviadas listadas em " << lista << '\n';
    if (status != SaidaOk) return status;
    saida << "Envio concluído.\n" << std::flush;
    return novas.empty() ? SaidaOk : SaidaPendentes;
}

int TarrowSend(const std::vector<std::string>& argumentos, std::ostream& saida, std::ostream& erros, bool terminal)
{
    TOpcoesEnvio opcoes;
    try {
        opcoes = LeOpcoes(argumentos, Date());
    } catch (const EOpcaoInvalida& e) {
        erros << "tarrow-send: " << e.what() << "\nUse --help para ver as opções.\n";
        return SaidaUso;
    }
    if (opcoes.Ajuda) {
        saida << TextoAjuda();
        return SaidaOk;
    }
    if (opcoes.CifraSenha) {
        saida << Cripto("E", Utf8ToCp1252(*opcoes.CifraSenha), kChaveSenha) << '\n';
        return SaidaOk;
    }
    return ExecutaSemJanela(opcoes, saida, erros, terminal);
}

}  // namespace tarrow
