#include "platform/RegionalSettings.h"

#include <clocale>
#include <langinfo.h>
#include <locale.h>
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

bool IsPlainLocale(const char* name)
{
    if (name == nullptr) return true;
    std::string_view n(name);
    return n.empty() || n == "C" || n == "POSIX" || n.starts_with("C.");
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

TFormatSettings ReadSystemFormatSettings()
{
    std::string radix = ".";
    std::string dateFormat;
    std::string timeFormat;
    if (locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0))) {
        radix = nl_langinfo_l(RADIXCHAR, numeric);
        freelocale(numeric);
    }
    if (locale_t time = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0))) {
        const char* name = nullptr;
#if defined(__GLIBC__)
        name = nl_langinfo_l(_NL_LOCALE_NAME(LC_TIME), time);
#endif
        if (!IsPlainLocale(name)) {
            dateFormat = nl_langinfo_l(D_FMT, time);
            timeFormat = nl_langinfo_l(T_FMT, time);
        }
        freelocale(time);
    }
    return SettingsFromLocale(radix, dateFormat, timeFormat);
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
