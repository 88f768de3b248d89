#include "platform/windows/Winsock.h"

#include <winsock2.h>

namespace tarrow {

bool StartWinsock()
{
    // Never cleaned up: a late resolver thread of the database transport may still be using it.
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

}  // namespace tarrow
