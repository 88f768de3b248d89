#include "platform/Console.h"

// Windows: the console's control events, and the console's own output modes.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ios>

// Older SDK headers lack the console mode of Windows 10 that takes the terminal escapes.
#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace tarrow {

namespace {

const char* g_immediateText = "";
int g_exitStatus = 1;
UINT g_outputCodePage = 0;

void RestoreOutputCodePage()
{
    if (g_outputCodePage != 0) SetConsoleOutputCP(g_outputCodePage);
}

// The system runs this on a thread of its own, one call per event.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        if (RecordStopRequest(static_cast<int>(event))) return TRUE;
        {
            // A second request: the operator will not wait for the step in hand.
            DWORD written = 0;
            WriteFile(GetStdHandle(STD_ERROR_HANDLE), g_immediateText,
                      static_cast<DWORD>(std::strlen(g_immediateText)), &written, nullptr);
            RestoreOutputCodePage();
            TerminateProcess(GetCurrentProcess(), static_cast<UINT>(g_exitStatus));
        }
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // The process ends as soon as this handler returns, and the system ends it anyway a few
        // seconds after the event: holding the handler gives the step in hand those seconds, and
        // the program's own end, once the step is done, ends the process.
        RecordStopRequest(static_cast<int>(event));
        Sleep(INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void InstallStopHandlers(const char* immediateText, int exitStatus)
{
    g_immediateText = immediateText;
    g_exitStatus = exitStatus;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

std::string StopRequestName()
{
    switch (RecordedStopRequest()) {
    case CTRL_C_EVENT:
        return "Ctrl+C";
    case CTRL_BREAK_EVENT:
        return "Ctrl+Break";
    case CTRL_CLOSE_EVENT:
        return "CTRL_CLOSE_EVENT";
    case CTRL_LOGOFF_EVENT:
        return "CTRL_LOGOFF_EVENT";
    case CTRL_SHUTDOWN_EVENT:
        return "CTRL_SHUTDOWN_EVENT";
    // The session's end, through the hidden window of SessionEnd.cpp (the codes are the
    // messages', apart from the console events').
    case WM_QUERYENDSESSION:
        return "WM_QUERYENDSESSION";
    case WM_ENDSESSION:
        return "WM_ENDSESSION";
    default:
        return {};
    }
}

bool PrepareTerminalOutput()
{
    DWORD mode = 0;
    const auto isConsole = [&mode](DWORD which) {
        const HANDLE handle = GetStdHandle(which);
        // A file or a pipe has no console mode: its bytes stay as the program writes them.
        return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
    };
    const bool errorIsConsole = isConsole(STD_ERROR_HANDLE);
    const bool outputIsConsole = isConsole(STD_OUTPUT_HANDLE);
    // The bytes go to a console as they stand, in whole pieces: the console's own processing
    // starts a new line at a bare LF, while Wine's C runtime reads text-mode output in the ANSI
    // code page, and its stdio writes an unbuffered console a byte at a time (cutting UTF-8
    // sequences), both dropping the escape character. So the descriptors are binary and the C++
    // streams write through them with buffers of their own. Files and pipes keep text mode and its
    // CR LF.
    if (errorIsConsole) _setmode(_fileno(stderr), _O_BINARY);
    if (outputIsConsole) _setmode(_fileno(stdout), _O_BINARY);
    if (outputIsConsole || errorIsConsole) std::ios::sync_with_stdio(false);
    if ((outputIsConsole || errorIsConsole) && g_outputCodePage == 0) {
        g_outputCodePage = GetConsoleOutputCP();
        if (SetConsoleOutputCP(CP_UTF8)) std::atexit(RestoreOutputCodePage);
        else g_outputCodePage = 0;
    }
    if (!outputIsConsole) return false;
    // Consoles before Windows 10 refuse the mode and would print the escapes as they stand.
    return SetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace tarrow
