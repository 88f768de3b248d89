#include "tests/support/Process.h"

#if defined(_WIN32)
#include <windows.h>

#include <atomic>
#include <fstream>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;
#endif

namespace tarrow::test {

#if defined(_WIN32)

namespace {

// The quoting the C runtime undoes when it splits a command line into arguments.
std::string Quoted(const std::string& argument)
{
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

HANDLE OpenInherited(const std::string& name, bool forWriting)
{
    if (name.empty()) return INVALID_HANDLE_VALUE;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(name.c_str(), forWriting ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, forWriting ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool IsHostProgram(const std::string& program) { return program.rfind("Z:\\", 0) == 0; }

std::string LinuxPath(const std::string& hostPath)
{
    std::string path = hostPath.substr(2);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

int StartAndWait(const std::vector<std::string>& arguments, const std::string& inputFile,
                 const std::string& outputFile, const std::string& errorFile)
{
    std::string commandLine;
    for (const auto& argument : arguments) {
        if (!commandLine.empty()) commandLine += ' ';
        commandLine += Quoted(argument);
    }
    const HANDLE input = OpenInherited(inputFile, false);
    const HANDLE output = OpenInherited(outputFile, true);
    const HANDLE error = OpenInherited(errorFile, true);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input != INVALID_HANDLE_VALUE ? input : GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output != INVALID_HANDLE_VALUE ? output : GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = error != INVALID_HANDLE_VALUE ? error : GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    for (HANDLE h : {input, output, error})
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (!started) return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}

}  // namespace

int RunProgram(const std::vector<std::string>& arguments, const std::string& inputFile,
               const std::string& outputFile, const std::string& errorFile)
{
    // Wine starts a Linux program without waiting for it, and its process handle always ends with
    // status 1. So a Linux program runs under a shell that writes its status to a file when it ends,
    // and the status is read from there.
    if (!arguments.empty() && IsHostProgram(arguments[0])) {
        static std::atomic<int> counter{0};
        const std::string status = "/tmp/tarrow-wine-status-" + std::to_string(GetCurrentProcessId()) + "-" +
                                   std::to_string(++counter);
        std::vector<std::string> wrapped = {HostProgramPath("/bin/sh"), "-c",
                                            "\"$@\"; echo $? > \"$0.part\" && mv \"$0.part\" \"$0\"", status,
                                            LinuxPath(arguments[0])};
        wrapped.insert(wrapped.end(), arguments.begin() + 1, arguments.end());
        if (StartAndWait(wrapped, inputFile, outputFile, errorFile) == -1) return -1;
        const std::string statusFile = HostProgramPath(status);
        for (int waited = 0; waited < 600000; waited += 20) {
            std::ifstream in(statusFile);
            int code = -1;
            if (in >> code) {
                in.close();
                DeleteFileA(statusFile.c_str());
                return code;
            }
            Sleep(20);
        }
        return -1;
    }
    return StartAndWait(arguments, inputFile, outputFile, errorFile);
}

std::string HostProgramPath(const std::string& linuxPath)
{
    std::string path = "Z:" + linuxPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

#else

int RunProgram(const std::vector<std::string>& arguments, const std::string& inputFile,
               const std::string& outputFile, const std::string& errorFile)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!inputFile.empty()) posix_spawn_file_actions_addopen(&actions, 0, inputFile.c_str(), O_RDONLY, 0);
    if (!outputFile.empty())
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!errorFile.empty())
        posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int failed = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string HostProgramPath(const std::string& linuxPath) { return linuxPath; }

#endif

}  // namespace tarrow::test
