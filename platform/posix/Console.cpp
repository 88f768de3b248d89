#include "platform/Console.h"

// Linux: the stop signals, and the terminal as isatty sees it.

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace tarrow {

namespace {

const char* g_immediateText = "";
int g_exitStatus = 1;

extern "C" void OnStopSignal(int signal)
{
    if (RecordStopRequest(signal)) return;
    // A second request: the operator will not wait for the step in hand.
    (void)!::write(STDERR_FILENO, g_immediateText, std::strlen(g_immediateText));
    ::_exit(g_exitStatus);
}

}  // namespace

void InstallStopHandlers(const char* immediateText, int exitStatus)
{
    g_immediateText = immediateText;
    g_exitStatus = exitStatus;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

std::string StopRequestName()
{
    const int signal = RecordedStopRequest();
    return signal == -1 ? std::string() : std::to_string(signal);
}

bool PrepareTerminalOutput() { return ::isatty(STDOUT_FILENO) == 1; }

// A session's end reaches a Linux program as SIGHUP or SIGTERM.
void WatchSessionEnd(const std::string&) {}

}  // namespace tarrow
