#include "platform/windows/SystemLibraries.h"
#include "platform/ProgramStart.h"

#include <delayimp.h>

#include <string>

namespace tarrow {

HMODULE SystemLibrary(const char* fileName)
{
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(folder, length);
    path += L'\\';
    for (const char* c = fileName; *c != '\0'; ++c)
        path += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    // The DLL's own imports from the system folder as well. Windows 7 without its loader update
    // (KB2533623) refuses the flag; there the altered search order looks in the DLL's folder first,
    // which is the system folder, and not in the program's.
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return module;
}

namespace {

// The delay-load helper's question before it loads a DLL: our answer is the system folder's copy.
// Without an answer it would fall back to LoadLibrary by the bare name, which searches the
// program's folder first where SetDefaultDllDirectories is missing; so a DLL that is not in the
// system folder raises the helper's own "module not found" exception, which ends the program as a
// missing DLL would have at load time.
FARPROC WINAPI BeforeDelayLoad(unsigned notification, PDelayLoadInfo info)
{
    if (notification != dliNotePreLoadLibrary) return nullptr;
    // A reference of its own, which the helper keeps (or gives back when another thread was first).
    HMODULE module = SystemLibrary(info->szDll);
    if (module == nullptr) {
        info->dwLastError = GetLastError();
        ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(info);
        RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), 0, 1, &argument);
    }
    return reinterpret_cast<FARPROC>(module);
}

}  // namespace

void LimitLibrarySearchToSystemFolder()
{
    // Windows 8 and later, and Windows 7 with KB2533623: every later load by a bare name, the
    // system DLLs' own loads included, looks in the system folder only. Without it the system DLLs
    // we delay-load still come by their full path (SystemLibrary); the working directory at least
    // is taken out of the search.
    using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    const FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (found != nullptr) {
        // void (*)() stands for any function type: casts through it draw no warning.
        const auto generic = reinterpret_cast<void (*)()>(found);
        reinterpret_cast<TSetDefaultDllDirectories>(generic)(LOAD_LIBRARY_SEARCH_SYSTEM32);
    } else {
        SetDllDirectoryW(L"");
    }
}

}  // namespace tarrow

// The hook the delay-load helper of the C runtime library consults; defined here, it replaces
// the library's empty one (cmake/TarrowSystemLibraries.cmake makes every program link this file).
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = tarrow::BeforeDelayLoad;
}
