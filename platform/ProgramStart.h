#pragma once
// What a program's main thread sets up before any layer runs: on Windows where DLLs may come from
// and the component library (COM), through which the service's XML documents are reached; nothing
// on Linux. And its command line.

#include <string>
#include <vector>

namespace tarrow {

// The very first call of every program's entry, before anything can load a DLL: from then on a
// DLL named without its folder is looked for in the system folder only, never in the program's
// own folder, where the store's users may create files (Windows 7 without KB2533623 cannot; see
// platform/windows/SystemLibraries.h for what holds there). Never fails.
void LimitLibrarySearchToSystemFolder();

// The program's arguments after its own name, in UTF-8. On Windows they are read from the wide
// command line: the C runtime's argv holds them in the ANSI code page, where a character it lacks
// (a folder's "✓") is already lost. argc and argv are main's.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Once, on the thread that will make the service calls, before the first of them. Raises
// Exception when the system refuses.
void InitialiseProgramThread();

}  // namespace tarrow
