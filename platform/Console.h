#pragma once
// The console a program without a window runs in: whether its output is a terminal that can redraw
// a line in place, and the requests to stop that reach the program through it. On Linux those are
// the signals of a service manager, a terminal or a closed session (SIGTERM, SIGINT, SIGHUP); on
// Windows the console's control events (Ctrl+C, Ctrl+Break, the console's close, log-off,
// shutdown). The program asks between two steps of its work whether one came, so the step in hand
// is finished first.

#include <string>

namespace tarrow {

// Installs the handlers, once per process. The first request is only recorded. A second one
// writes immediateText to the standard error and ends the process with exitStatus at once,
// without unwinding anything. Windows ends the program by itself a few seconds after a close,
// log-off or shutdown event, whatever the handler does; until then the program goes on as after
// any first request.
void InstallStopHandlers(const char* immediateText, int exitStatus);

// True once a request has come.
bool StopRequested() noexcept;

// Windows tells a console program that loads user32 (WinInet and COM load it anyway) of a
// log-off or a shutdown only through its top-level windows: no CTRL_LOGOFF_EVENT or
// CTRL_SHUTDOWN_EVENT comes. This starts a thread with a hidden window of its own, once per
// process: the session's end is a stop request like the others; while work is in hand the system
// is asked to wait, busyReason shown beside the program, and at the end itself the thread waits a
// few seconds for the work to finish. Nothing on Linux, and nothing where no window can be made
// (Wine without a display): the program goes on without it.
void WatchSessionEnd(const std::string& busyReason);

// Work a session's end should wait for (a send), marked from its start to its end.
void MarkWorkInHand(bool inHand) noexcept;
bool WorkInHand() noexcept;

// What asked first, as the system names it: the signal's number on Linux ("15"); "Ctrl+C",
// "Ctrl+Break", "CTRL_CLOSE_EVENT", "CTRL_LOGOFF_EVENT", "CTRL_SHUTDOWN_EVENT", "WM_QUERYENDSESSION"
// or "WM_ENDSESSION" on Windows.
// Empty while none has come.
std::string StopRequestName();

// True when the standard output is a terminal that takes "\r" and the erase-line escape; on
// Windows a console that accepts those escapes once asked to (older consoles get plain lines).
// There the standard streams write a console through its wide-character function, whatever its
// code page; a file or a pipe gets the program's UTF-8 bytes unchanged, with CR LF line ends.
// Call it before any output.
bool PrepareTerminalOutput();

// The rule both platforms' handlers share: true for the first request, which is recorded under
// its code; false for every later one. Safe inside a signal handler.
bool RecordStopRequest(int code) noexcept;
// The code recorded by the first request; -1 while none has come.
int RecordedStopRequest() noexcept;

}  // namespace tarrow
