#include "platform/Errors.h"

#include "platform/Component.h"

#include <cctype>

namespace tarrow {

namespace {

int LastDigitRun(std::string_view text)
{
    auto end = text.size();
    while (end > 0 && !std::isdigit(static_cast<unsigned char>(text[end - 1]))) --end;
    auto begin = end;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(text[begin - 1]))) --begin;
    int value = 0;
    for (auto i = begin; i < end; ++i) {
        if (value > 100'000'000) break;  // a line number, not an arbitrary digit run
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

EMyError::EMyError(int errorCode, std::string message, TComponent* component)
    : EDAError(std::move(message)), errorCode_(errorCode), component_(component)
{
    if (errorCode_ == 1064) lineNumber_ = LastDigitRun(Message());
}

bool EMyError::IsConnectionLost() const noexcept
{
    switch (errorCode_) {
    case 1053:  // server shutdown in progress
    case 2003:  // can't connect
    case 2006:  // server has gone away
    case 2013:  // lost connection during query
        return true;
    default:
        return false;
    }
}

std::string ComponentMessage(const TComponent* component, std::string_view text)
{
    if (component == nullptr || component->Name().empty()) return std::string(text);
    std::string message = component->Name();
    message += ": ";
    message += text;
    return message;
}

}  // namespace tarrow
