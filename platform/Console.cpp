#include "platform/Console.h"

// The rule every platform shares; the handlers live in posix/Console.cpp and windows/Console.cpp.

#include <atomic>

namespace tarrow {

namespace {

// Lock-free, so a signal handler may touch it; -1 while no request has come.
std::atomic<int> g_request{-1};
static_assert(std::atomic<int>::is_always_lock_free);

std::atomic<bool> g_workInHand{false};

}  // namespace

bool RecordStopRequest(int code) noexcept
{
    int none = -1;
    return g_request.compare_exchange_strong(none, code);
}

int RecordedStopRequest() noexcept { return g_request.load(); }

bool StopRequested() noexcept { return RecordedStopRequest() != -1; }

void MarkWorkInHand(bool inHand) noexcept { g_workInHand.store(inHand); }

bool WorkInHand() noexcept { return g_workInHand.load(); }

}  // namespace tarrow
