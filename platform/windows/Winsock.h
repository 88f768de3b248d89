#pragma once
// Windows: Winsock is started once per process, before the first socket call of any layer, and
// stays started until the process ends.

namespace tarrow {

// Starts Winsock 2.2 on the first call; true when it is available.
bool StartWinsock();

}  // namespace tarrow
