#include "platform/ProgramStart.h"

// Linux: the XML library needs nothing set up per thread, and the libraries come from the
// system's own paths (the program's folder is never searched).

namespace tarrow {

void LimitLibrarySearchToSystemFolder() {}

void InitialiseProgramThread() {}

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

}  // namespace tarrow
