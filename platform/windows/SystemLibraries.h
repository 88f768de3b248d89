#pragma once
// Windows: the system's DLLs that are not among its known DLLs (version, wininet, crypt32) come
// from the system folder and from nowhere else. The loader would look for them in the program's
// folder first, where the store's users may create files, so a DLL of that name planted there
// would run with the rights of whoever starts the program (SYSTEM, for a scheduled tarrow-send).
// The programs link them through delay-import libraries (cmake/TarrowSystemLibraries.cmake): no
// load-time import names them, and the delay-load helper asks our hook, which loads each one by
// its full path in the system folder.

#include <windows.h>

namespace tarrow {

// The DLL of that file name ("wininet.dll") from the system folder, its own imports looked for
// there too; each call takes one reference (FreeLibrary gives it back). Null, with the system's
// error code in GetLastError, when it is not there: it is never looked for anywhere else.
HMODULE SystemLibrary(const char* fileName);

}  // namespace tarrow
