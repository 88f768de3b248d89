#include "platform/Console.h"
#include "platform/windows/WideText.h"

// Windows: the session's end (log-off, shutdown, restart) for a program without a window of its
// own. The system sends it to top-level windows only, hidden ones included; a message-only window
// (HWND_MESSAGE) is sent none. So a hidden top-level window on a thread of its own, with its own
// message loop, answers it, whatever the program's main thread is doing.

#include <windows.h>

#include <string>

namespace tarrow {

namespace {

constexpr const wchar_t* kWindowClass = L"TarrowSessionEnd";
// Windows ends a program that holds WM_ENDSESSION a few seconds after it came; the wait stops
// short of that, so the program is not taken for hung.
constexpr DWORD kWaitAtEndMs = 4000;
constexpr DWORD kPollMs = 50;
// The first window of a session may have to wait for the desktop's process to start.
constexpr DWORD kWaitForWindowMs = 5000;

std::wstring g_busyReason;
// Touched on the window's thread only.
bool g_reasonShown = false;

LRESULT CALLBACK OnSessionMessage(HWND window, UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_QUERYENDSESSION:
        RecordStopRequest(static_cast<int>(WM_QUERYENDSESSION));
        if (!WorkInHand()) return TRUE;
        // The work stops at its next edge and the program then ends, which lets the session's end
        // go on by itself.
        if (!g_reasonShown) g_reasonShown = ShutdownBlockReasonCreate(window, g_busyReason.c_str()) != FALSE;
        return FALSE;
    case WM_ENDSESSION:
        // FALSE: someone cancelled the session's end; the request stands, as a Ctrl+C would.
        if (w == FALSE) return 0;
        RecordStopRequest(static_cast<int>(WM_ENDSESSION));
        // The process may be ended as soon as this returns.
        for (DWORD waited = 0; WorkInHand() && waited < kWaitAtEndMs; waited += kPollMs) Sleep(kPollMs);
        return 0;
    default:
        return DefWindowProcW(window, message, w, l);
    }
}

DWORD WINAPI RunSessionWindow(LPVOID ready)
{
    // Whatever becomes of the window, the program goes on once this is known.
    struct TReady {
        HANDLE event;
        ~TReady() { SetEvent(event); }
    };
    TReady signal{static_cast<HANDLE>(ready)};
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.hInstance = instance;
    windowClass.lpfnWndProc = OnSessionMessage;
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassExW(&windowClass) == 0) return 0;
    // Never shown.
    const HWND window =
        CreateWindowExW(0, kWindowClass, L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 0;
    SetEvent(signal.event);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}

}  // namespace

void WatchSessionEnd(const std::string& busyReason)
{
    static bool started = false;
    if (started) return;
    started = true;
    g_busyReason = Utf8ToWide(busyReason);
    // The thread lives as long as the process; the process's end ends it. The window is there
    // before the program's work begins, so a session's end never finds the work unwatched.
    const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (ready == nullptr) return;
    const HANDLE thread = CreateThread(nullptr, 0, RunSessionWindow, ready, 0, nullptr);
    if (thread != nullptr) {
        WaitForSingleObject(ready, kWaitForWindowMs);
        CloseHandle(thread);
    }
    // Set by now or never waited for again; the thread's own SetEvent calls may still come, so
    // the event stays for the process's life.
}

}  // namespace tarrow
