#pragma once
// What a program's main thread sets up before any layer runs: on Windows where DLLs may come from
// and the component library (COM), through which the service's XML documents are reached; nothing
// on Linux.

namespace tarrow {

// The very first call of every program's entry, before anything can load a DLL: from then on a
// DLL named without its folder is looked for in the system folder only, never in the program's
// own folder, where the store's users may create files (Windows 7 without KB2533623 cannot; see
// platform/windows/SystemLibraries.h for what holds there). Never fails.
void LimitLibrarySearchToSystemFolder();

// Once, on the thread that will make the service calls, before the first of them. Raises
// Exception when the system refuses.
void InitialiseProgramThread();

}  // namespace tarrow
