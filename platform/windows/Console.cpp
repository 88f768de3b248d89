#include "platform/Console.h"

// Windows: the console's control events, and the console's own output modes.

#include "platform/windows/WideText.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <streambuf>
#include <string>
#include <string_view>

// Older SDK headers lack the console mode of Windows 10 that takes the terminal escapes.
#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace tarrow {

namespace {

const char* g_immediateText = "";
int g_exitStatus = 1;

// A standard stream whose UTF-8 text is handed on in whole characters: a UTF-8 sequence cut
// between two writes waits for its end. What receives the text is the derived class's.
class TTextBuffer : public std::streambuf {
public:
    explicit TTextBuffer(std::ostream& stream) : stream_(stream), previous_(stream.rdbuf(this)) {}
    // The standard streams outlive every object of ours: they get their own buffers back.
    ~TTextBuffer() override { stream_.rdbuf(previous_); }
    TTextBuffer(const TTextBuffer&) = delete;
    TTextBuffer& operator=(const TTextBuffer&) = delete;

protected:
    int_type overflow(int_type c) override
    {
        if (!traits_type::eq_int_type(c, traits_type::eof())) pending_ += traits_type::to_char_type(c);
        if (pending_.size() >= kLargest) WriteComplete();
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        pending_.append(text, static_cast<std::size_t>(count));
        if (pending_.size() >= kLargest) WriteComplete();
        return count;
    }
    int sync() override
    {
        WriteComplete();
        return 0;
    }

    // Whole characters only.
    virtual void Write(std::string_view utf8) = 0;

    // Derived destructors call it while their Write is still theirs.
    void Flush() { sync(); }

private:
    static constexpr std::size_t kLargest = 4096;

    // The length of pending_ without a UTF-8 sequence still missing bytes at its end.
    std::size_t CompleteLength() const
    {
        const std::size_t size = pending_.size();
        for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
            const auto byte = static_cast<unsigned char>(pending_[size - back]);
            if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
            const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            return length > back ? size - back : size;
        }
        return size;
    }

    void WriteComplete()
    {
        const std::size_t complete = CompleteLength();
        if (complete == 0) return;
        Write(std::string_view(pending_).substr(0, complete));
        pending_.erase(0, complete);
    }

    std::ostream& stream_;
    std::streambuf* previous_;
    std::string pending_;
};

// A console, through its wide-character function. The console's byte functions read the bytes in
// the console's code page, and the consoles before Windows 10 count a UTF-8 output code page's
// bytes as characters (the text after an accent repeats); the wide function takes every character
// as it is, whatever either code page.
class TConsoleBuffer final : public TTextBuffer {
public:
    TConsoleBuffer(std::ostream& stream, HANDLE console) : TTextBuffer(stream), console_(console) {}
    ~TConsoleBuffer() override { Flush(); }

private:
    void Write(std::string_view utf8) override
    {
        const std::wstring wide = Utf8ToWide(utf8);
        // Older consoles refuse very long writes: pieces well below their limit.
        for (std::size_t at = 0; at < wide.size();) {
            const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(wide.size() - at, 8192));
            DWORD written = 0;
            if (!WriteConsoleW(console_, wide.data() + at, piece, &written, nullptr) || written == 0) return;
            at += written;
        }
    }

    HANDLE console_;
};

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
    const auto console = [&mode](DWORD which) -> HANDLE {
        const HANDLE handle = GetStdHandle(which);
        const bool isConsole = handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
        return isConsole ? handle : nullptr;
    };
    // Once per process; they hand the streams their own buffers back at the program's end.
    // A file or a pipe keeps the streams as the C runtime made them: the program's UTF-8 bytes as
    // they are, with the text mode's CR LF line ends, what a log and the programs reading a pipe
    // expect whatever the system's code page.
    if (const HANDLE error = console(STD_ERROR_HANDLE)) static TConsoleBuffer errors(std::cerr, error);
    const HANDLE output = console(STD_OUTPUT_HANDLE);
    if (output == nullptr) return false;
    static TConsoleBuffer out(std::cout, output);
    // Consoles before Windows 10 refuse the mode and would print the escapes as they stand.
    return SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace tarrow
