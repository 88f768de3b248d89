#include "platform/ProgramStart.h"

// Linux: the XML library needs nothing set up per thread.

namespace tarrow {

void InitialiseProgramThread() {}

}  // namespace tarrow
