#include "tests/support/Wine.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tarrow::test {

bool RunsUnderWine()
{
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace tarrow::test
