#include "platform/RegionalSettings.h"

// The rules every platform shares; ReadSystemFormatSettings lives in posix/RegionalSettings.cpp and
// windows/RegionalSettings.cpp.

#include <mutex>
#include <optional>
#include <string_view>

namespace tarrow {

namespace {

std::once_flag g_readOnce;
TFormatSettings g_settings;

void EnsureRead()
{
    std::call_once(g_readOnce, [] { g_settings = ReadSystemFormatSettings(); });
}

// Turns a strftime date format made only of day, month and year fields into our pattern and its
// separator; anything else (month names, blanks, era fields) is refused.
std::optional<std::pair<std::string, char>> DatePattern(std::string_view fmt)
{
    std::string pattern;
    char separator = 0;
    int fields = 0;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] == '%' && i + 1 < fmt.size()) {
            switch (fmt[++i]) {
            case 'd': pattern += "dd"; break;
            case 'm': pattern += "MM"; break;
            case 'Y':
            case 'y': pattern += "yyyy"; break;  // four digits: statements never carry two
            default: return std::nullopt;
            }
            ++fields;
        } else if (fmt[i] == '.' || fmt[i] == '/' || fmt[i] == '-') {
            if (separator != 0 && separator != fmt[i]) return std::nullopt;
            separator = fmt[i];
            pattern += '/';  // the pattern's "/" stands for the date separator
        } else {
            return std::nullopt;
        }
    }
    if (fields != 3 || separator == 0) return std::nullopt;
    return std::make_pair(pattern, separator);
}

std::optional<std::pair<std::string, char>> TimePattern(std::string_view fmt)
{
    std::string pattern;
    char separator = 0;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] == '%' && i + 1 < fmt.size()) {
            switch (fmt[++i]) {
            case 'H': pattern += "HH"; break;
            case 'M': pattern += "mm"; break;
            case 'S': pattern += "ss"; break;
            default: return std::nullopt;
            }
        } else if (fmt[i] == ':' || fmt[i] == '.') {
            if (separator != 0 && separator != fmt[i]) return std::nullopt;
            separator = fmt[i];
            pattern += ':';
        } else {
            return std::nullopt;
        }
    }
    if (pattern != "HH:mm:ss") return std::nullopt;
    return std::make_pair(pattern, separator);
}


// One field of a Windows picture ("dd", "M", "yyyy"): its letter and how often it repeats.
std::size_t RunLength(std::string_view picture, std::size_t at)
{
    std::size_t n = 1;
    while (at + n < picture.size() && picture[at + n] == picture[at]) ++n;
    return n;
}

}  // namespace

TFormatSettings SettingsFromLocale(std::string_view radix, std::string_view dateFormat,
                                   std::string_view timeFormat)
{
    TFormatSettings settings;
    if (radix.size() == 1 && (radix[0] == '.' || radix[0] == ',')) settings.DecimalSeparator = radix[0];
    if (auto date = DatePattern(dateFormat)) {
        settings.ShortDateFormat = date->first;
        settings.DateSeparator = date->second;
    }
    if (auto clock = TimePattern(timeFormat)) {
        settings.LongTimeFormat = clock->first;
        settings.TimeSeparator = clock->second;
    }
    return settings;
}

TFormatSettings SettingsFromPictures(std::string_view decimal, std::string_view datePicture,
                                     std::string_view timePicture)
{
    TFormatSettings settings;
    if (decimal.size() == 1 && (decimal[0] == '.' || decimal[0] == ',')) settings.DecimalSeparator = decimal[0];

    std::string date;
    char dateSeparator = 0;
    int fields = 0;
    bool usable = true;
    for (std::size_t i = 0; usable && i < datePicture.size();) {
        const char c = datePicture[i];
        const std::size_t n = RunLength(datePicture, i);
        if (c == 'd' && n <= 2) date += std::string(n, 'd'), ++fields;
        else if (c == 'M' && n <= 2) date += std::string(n, 'M'), ++fields;
        else if (c == 'y' && (n == 2 || n == 4)) date += "yyyy", ++fields;  // statements never carry two
        else if ((c == '.' || c == '/' || c == '-') && n == 1 && (dateSeparator == 0 || dateSeparator == c))
            dateSeparator = c, date += '/';
        else usable = false;  // day or month names, eras, quoted text, blanks
        i += n;
    }
    if (usable && fields == 3 && dateSeparator != 0) {
        settings.ShortDateFormat = date;
        settings.DateSeparator = dateSeparator;
    }

    // Only a 24-hour clock with seconds, as on Linux.
    if (timePicture.size() == 8 && (timePicture.substr(0, 2) == "HH") && timePicture.substr(3, 2) == "mm" &&
        timePicture.substr(6, 2) == "ss" && timePicture[2] == timePicture[5] &&
        (timePicture[2] == ':' || timePicture[2] == '.')) {
        settings.TimeSeparator = timePicture[2];
    }
    return settings;
}

const TFormatSettings& FormatSettings()
{
    EnsureRead();
    return g_settings;
}

void SetFormatSettings(const TFormatSettings& settings)
{
    EnsureRead();
    g_settings = settings;
}

TScopedFormatSettings::TScopedFormatSettings(const TFormatSettings& settings) : saved_(FormatSettings())
{
    SetFormatSettings(settings);
}

TScopedFormatSettings::~TScopedFormatSettings() { SetFormatSettings(saved_); }

}  // namespace tarrow
