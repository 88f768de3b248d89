#include "platform/RegionalSettings.h"

// Linux: the settings from the C library's locale (LC_ALL, LC_NUMERIC, LC_TIME, LANG).

#include <clocale>
#include <langinfo.h>
#include <locale.h>
#include <string_view>

namespace tarrow {

namespace {

bool IsPlainLocale(const char* name)
{
    if (name == nullptr) return true;
    std::string_view n(name);
    return n.empty() || n == "C" || n == "POSIX" || n.starts_with("C.");
}

}  // namespace

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

}  // namespace tarrow
