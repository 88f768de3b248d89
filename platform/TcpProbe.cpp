#include "platform/TcpProbe.h"

// The rule every platform shares; TcpCanConnect lives in posix/TcpProbe.cpp and
// windows/TcpProbe.cpp.

#include <cctype>

namespace tarrow {

bool IsReservedInvalidName(std::string host)
{
    while (!host.empty() && host.back() == '.') host.pop_back();
    for (char& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return host == "invalid" || (host.size() > 8 && host.ends_with(".invalid"));
}

}  // namespace tarrow
