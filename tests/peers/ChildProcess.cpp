#include "tests/peers/ChildProcess.h"

#include <stdexcept>

#if defined(_WIN32)
#include "tests/support/Process.h"

#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace tarrow::test {

using namespace std::chrono_literals;

#if defined(_WIN32)

namespace {

HANDLE Handle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

TChildProcess::TChildProcess(const std::vector<std::string>& argv)
{
    // Wine gives a Linux program no pipe of ours, but it does give it a file: the output goes to
    // a scratch file, which is read as it grows and goes when the reading handle closes.
    char folder[MAX_PATH];
    char name[MAX_PATH];
    if (GetTempPathA(MAX_PATH, folder) == 0 || GetTempFileNameA(folder, "tco", 0, name) == 0)
        throw std::runtime_error("no scratch file for a program's output");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE writing = CreateFileA(name, GENERIC_WRITE, kShareAll, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY,
                                 nullptr);
    HANDLE reading = writing == INVALID_HANDLE_VALUE
                         ? INVALID_HANDLE_VALUE
                         : CreateFileA(name, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (reading == INVALID_HANDLE_VALUE) {
        if (writing != INVALID_HANDLE_VALUE) CloseHandle(writing);
        DeleteFileA(name);
        throw std::runtime_error("no scratch file for a program's output");
    }
    output_ = reinterpret_cast<std::intptr_t>(reading);

    // Wine hands back no usable process of a Linux program (it neither waits for it nor ends
    // it), so the shell reports the id the program keeps through exec, and that id ends it.
    std::string commandLine = "\"" + HostProgramPath("/bin/sh") + "\" -c \"echo PID $$; exec \\\"$@\\\"\" sh";
    for (const std::string& argument : argv) {
        commandLine += " \"";
        for (char c : argument) {
            if (c == '"') commandLine += '\\';
            commandLine += c;
        }
        commandLine += '"';
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writing;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    CloseHandle(writing);
    if (!started) {
        CloseHandle(reading);
        throw std::runtime_error("cannot start " + argv.front());
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    auto line = ReadLine(60s);
    if (!line || line->rfind("PID ", 0) != 0) {
        CloseHandle(reading);
        throw std::runtime_error("cannot start " + argv.front());
    }
    pid_ = std::stoll(line->substr(4));
}

TChildProcess::~TChildProcess()
{
    if (pid_ > 0) RunProgram({HostProgramPath("/bin/kill"), std::to_string(pid_)}, "", "", "");
    CloseHandle(Handle(output_));
}

bool TChildProcess::ReadMore(std::chrono::milliseconds timeout)
{
    // A file has no end of output to wait for: what has not come within the time has not come.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        char chunk[4096];
        DWORD read = 0;
        if (ReadFile(Handle(output_), chunk, sizeof chunk, &read, nullptr) && read > 0) {
            buffer_.append(chunk, read);
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return true;
        Sleep(10);
    }
}

std::string LinuxFileName(const std::string& name)
{
    // Wine's own export; under Windows there is no Linux name to give.
    using TUnixName = char*(__cdecl*)(const wchar_t*);
    const auto unixName = reinterpret_cast<TUnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr) return name;
    std::wstring wide(name.begin(), name.end());
    char* converted = unixName(wide.c_str());
    if (converted == nullptr) return name;
    std::string result = converted;
    HeapFree(GetProcessHeap(), 0, converted);
    // A folder's name keeps its closing separator.
    if (!name.empty() && (name.back() == '/' || name.back() == '\\') && (result.empty() || result.back() != '/'))
        result += '/';
    return result;
}

#else

TChildProcess::TChildProcess(const std::vector<std::string>& argv)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    output_ = fds[0];
    if (rc != 0) {
        close(fds[0]);
        throw std::runtime_error("cannot start " + argv.front());
    }
    pid_ = pid;
}

TChildProcess::~TChildProcess()
{
    if (pid_ > 0) {
        kill(static_cast<pid_t>(pid_), SIGTERM);
        int status = 0;
        waitpid(static_cast<pid_t>(pid_), &status, 0);
    }
    close(static_cast<int>(output_));
}

bool TChildProcess::ReadMore(std::chrono::milliseconds timeout)
{
    pollfd fd{static_cast<int>(output_), POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(timeout.count())) <= 0) return true;
    char chunk[4096];
    ssize_t n = read(static_cast<int>(output_), chunk, sizeof chunk);
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<std::size_t>(n));
    return true;
}

std::string LinuxFileName(const std::string& name) { return name; }

#endif

std::optional<std::string> TChildProcess::ReadLine(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto nl = buffer_.find('\n'); nl != std::string::npos) {
            std::string line = buffer_.substr(0, nl);
            buffer_.erase(0, nl + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        if (!ReadMore(left)) return std::nullopt;
    }
}

}  // namespace tarrow::test
