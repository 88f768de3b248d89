#include "tests/apps/ProgramaFilho.h"

#ifdef _WIN32
#include "platform/windows/WideText.h"

#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;
#endif

namespace tarrow::test {

#ifdef _WIN32

namespace {

// The quoting the C runtime undoes when it splits a command line into arguments.
std::string Aspas(const std::string& argumento)
{
    std::string out = "\"";
    std::size_t barras = 0;
    for (char c : argumento) {
        if (c == '\\') {
            ++barras;
            continue;
        }
        out.append(c == '"' ? barras * 2 + 1 : barras, '\\');
        barras = 0;
        out += c;
    }
    out.append(barras * 2, '\\');
    return out + "\"";
}

HANDLE Herdado(const std::string& nome, bool escrita)
{
    SECURITY_ATTRIBUTES herda{sizeof herda, nullptr, TRUE};
    return CreateFileW(Utf8ToWide(nome).c_str(), escrita ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &herda, escrita ? CREATE_ALWAYS : OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

TProgramaFilho::TProgramaFilho(const std::string& programa, const std::vector<std::string>& argumentos,
                               const std::string& saida, const std::string& erros)
{
    std::string arquivo = programa;
    if (arquivo.starts_with("/")) arquivo = "Z:" + arquivo;
    for (char& c : arquivo)
        if (c == '/') c = '\\';
    std::string linha = Aspas(arquivo);
    for (const std::string& argumento : argumentos) linha += " " + Aspas(argumento);

    const HANDLE entrada = Herdado("NUL", false), out = Herdado(saida, true), err = Herdado(erros, true);
    STARTUPINFOW partida{};
    partida.cb = sizeof partida;
    partida.dwFlags = STARTF_USESTDHANDLES;
    partida.hStdInput = entrada, partida.hStdOutput = out, partida.hStdError = err;
    PROCESS_INFORMATION info{};
    // A group of its own, so a Ctrl+Break reaches this program and not the test. The wide line:
    // the ANSI one cannot carry a "✓".
    std::wstring largo = Utf8ToWide(linha);
    if (CreateProcessW(Utf8ToWide(arquivo).c_str(), largo.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP,
                       nullptr, nullptr, &partida, &info)) {
        CloseHandle(info.hThread);
        processo_ = info.hProcess;
        id_ = info.dwProcessId;
    }
    for (HANDLE h : {entrada, out, err})
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

TProgramaFilho::~TProgramaFilho()
{
    Espera();
    if (processo_ != nullptr) CloseHandle(processo_);
}

bool TProgramaFilho::Iniciado() const { return processo_ != nullptr; }

int TProgramaFilho::Espera()
{
    if (processo_ == nullptr || terminado_) return status_;
    WaitForSingleObject(processo_, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(processo_, &status);
    status_ = static_cast<int>(status);
    terminado_ = true;
    return status_;
}

bool TProgramaFilho::PedeParada()
{
    return processo_ != nullptr && !terminado_ && GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, id_);
}

#else

TProgramaFilho::TProgramaFilho(const std::string& programa, const std::vector<std::string>& argumentos,
                               const std::string& saida, const std::string& erros)
{
    posix_spawn_file_actions_t acoes;
    posix_spawn_file_actions_init(&acoes);
    posix_spawn_file_actions_addopen(&acoes, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&acoes, STDOUT_FILENO, saida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&acoes, STDERR_FILENO, erros.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> todos{programa};
    todos.insert(todos.end(), argumentos.begin(), argumentos.end());
    std::vector<char*> argv;
    for (std::string& a : todos) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, programa.c_str(), &acoes, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&acoes);
}

TProgramaFilho::~TProgramaFilho() { Espera(); }

bool TProgramaFilho::Iniciado() const { return pid_ > 0; }

int TProgramaFilho::Espera()
{
    if (pid_ <= 0 || terminado_) return status_;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0)
        if (errno != EINTR) return status_;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    terminado_ = true;
    return status_;
}

bool TProgramaFilho::PedeParada() { return pid_ > 0 && !terminado_ && kill(pid_, SIGTERM) == 0; }

#endif

}  // namespace tarrow::test
