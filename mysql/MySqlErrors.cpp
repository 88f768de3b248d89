#include "mysql/MySqlErrors.h"

#include <array>
#include <cstdio>

namespace tarrow {

namespace {

constexpr int kFirstClientError = 2000;

constexpr std::array<std::string_view, 48> kClientErrorTexts = {
    "Unknown MySQL error",
    "Can't create UNIX socket (%d)",
    "Can't connect to local MySQL server through socket '%-.64s' (%d)",
    "Can't connect to MySQL server on '%s' (%d)",
    "Can't create TCP/IP socket (%d)",
    "Unknown MySQL Server Host '%-.64s' (%d)",
    "MySQL server has gone away",
    "Protocol mismatch. Server Version = %d Client Version = %d",
    "MySQL client run out of memory",
    "Wrong host info",
    "Localhost via UNIX socket",
    "%-.64s via TCP/IP",
    "Error in server handshake",
    "Lost connection to MySQL server during query",
    "Commands out of sync;  You can't run this command now",
    "%-.64s via named pipe",
    "Can't wait for named pipe to host: %s  pipe: %s (%s)",
    "Can't open named pipe to host: %s  pipe: %s (%s)",
    "Can't set state of named pipe to host: %s  pipe: %s (%s)",
    "Can't initialize character set %s (path: %s)",
    "Got packet bigger than 'max_allowed_packet'",
    "Embedded server",
    "Error on SHOW SLAVE STATUS:",
    "Error on SHOW SLAVE HOSTS:",
    "Error connecting to slave:",
    "Error connecting to master:",
    "SSL connection error",
    "Malformed packet",
    "Invalid use of null pointer",
    "Statement not prepared",
    "Not all parameters data supplied",
    "Data truncated",
    "No parameters exists in the statement",
    "Invalid parameter number",
    "Can't send long data for non string or binary data types (parameter: %s)",
    "Using unsupported buffer type: %s  (parameter: %s)",
    "Shared memory (%s)",
    "Can't open shared memory. Request event don't create  (%s)",
    "Can't open shared memory. Answer event don't create  (%s)",
    "Can't open shared memory. File mapping don't create  (%s)",
    "Can't open shared memory. Map of memory don't create  (%s)",
    "Can't open shared memory. File mapping don't create for client (%s)",
    "Can't open shared memory. Map of memory don't create for client (%s)",
    "Can't open shared memory. %s event don't create for client (%s)",
    "Can't open shared memory. Server abandoded and don't sent the answer event (%s)",
    "Can't open shared memory. Can't send the request event to server (%s)",
    "Wrong or unknown protocol",
    "Invalid connection handle",
};

void Pad(std::string& out, std::string value, bool leftJustify, std::size_t width)
{
    if (value.size() >= width) {
        out += value;
    } else if (leftJustify) {
        out += value;
        out.append(width - value.size(), ' ');
    } else {
        out.append(width - value.size(), ' ');
        out += value;
    }
}

} // namespace

std::string_view ClientErrorText(int code)
{
    if (code < kFirstClientError || code >= kFirstClientError + static_cast<int>(kClientErrorTexts.size()))
        return {};
    return kClientErrorTexts[static_cast<std::size_t>(code - kFirstClientError)];
}

std::string FormatText(std::string_view pattern, std::initializer_list<TFormatArg> args)
{
    std::string out;
    out.reserve(pattern.size() + 32);
    auto next = args.begin();
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        std::size_t j = i + 1;
        bool leftJustify = false;
        if (j < pattern.size() && pattern[j] == '-') {
            leftJustify = true;
            ++j;
        }
        std::size_t width = 0;
        while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9')
            width = width * 10 + (pattern[j++] - '0');
        std::size_t precision = std::string::npos;
        if (j < pattern.size() && pattern[j] == '.') {
            precision = 0;
            ++j;
            while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9')
                precision = precision * 10 + (pattern[j++] - '0');
        }
        if (j >= pattern.size()) {
            out.append(pattern.substr(i));
            break;
        }
        const char conversion = pattern[j];
        const std::string_view placeholder = pattern.substr(i, j + 1 - i);
        i = j + 1;
        if (next == args.end()) {
            out.append(placeholder);
            continue;
        }
        const TFormatArg& arg = *next;
        if (conversion == 's' && std::holds_alternative<std::string>(arg)) {
            const std::string& text = std::get<std::string>(arg);
            Pad(out, text.substr(0, precision), leftJustify, width);
            ++next;
        } else if ((conversion == 'd' || conversion == 'u' || conversion == 'x' || conversion == 'X') &&
                   std::holds_alternative<std::int64_t>(arg)) {
            const std::int64_t value = std::get<std::int64_t>(arg);
            char buffer[32];
            if (conversion == 'd') {
                std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
            } else {
                // Hexadecimal and unsigned forms show the 32-bit pattern, as the system's codes are 32-bit.
                const auto bits = static_cast<unsigned long long>(static_cast<std::uint32_t>(value));
                std::snprintf(buffer, sizeof buffer,
                              conversion == 'u'   ? "%llu"
                              : conversion == 'x' ? "%llx"
                                                  : "%llX",
                              bits);
            }
            Pad(out, buffer, leftJustify, width);
            ++next;
        } else {
            out.append(placeholder);
        }
    }
    return out;
}

std::string MySqlErrorMessage(int code, std::initializer_list<TFormatArg> args, std::string_view detail)
{
    const std::string_view text = ClientErrorText(code);
    std::string message = args.size() == 0 ? std::string(text) : FormatText(text, args);
    if (!detail.empty()) {
        message += "\r\n";
        message += detail;
    }
    return message;
}

} // namespace tarrow
