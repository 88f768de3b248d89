#include "platform/ProgramStart.h"

// Windows: COM for MSXML. The multithreaded apartment, since no window of ours pumps the messages
// a single-threaded one would need.

#include "platform/Errors.h"
#include "platform/windows/WideText.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>

namespace tarrow {

void InitialiseProgramThread()
{
    const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    // S_FALSE: already initialised on this thread, which is as good.
    if (FAILED(result)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
        throw Exception(std::string("COM could not be initialised (") + code + ")");
    }
}

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (wide == nullptr) {
        // No memory for the wide line: the runtime's reading is all there is.
        for (int i = 1; i < argc; ++i) arguments.push_back(WideToUtf8(AnsiToWide(argv[i])));
        return arguments;
    }
    for (int i = 1; i < count; ++i) arguments.push_back(WideToUtf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

}  // namespace tarrow
