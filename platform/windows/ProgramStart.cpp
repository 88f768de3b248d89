#include "platform/ProgramStart.h"

// Windows: COM for MSXML. The multithreaded apartment, since no window of ours pumps the messages
// a single-threaded one would need.

#include "platform/Errors.h"

#include <windows.h>
#include <objbase.h>

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

}  // namespace tarrow
