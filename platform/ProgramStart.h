#pragma once
// What a program's main thread sets up before any layer runs: on Windows the component library
// (COM), through which the service's XML documents are reached; nothing on Linux.

namespace tarrow {

// Once, on the thread that will make the service calls, before the first of them. Raises
// Exception when the system refuses.
void InitialiseProgramThread();

}  // namespace tarrow
