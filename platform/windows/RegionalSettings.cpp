#include "platform/RegionalSettings.h"

// Windows: the settings from the user's locale.

#include <windows.h>

namespace tarrow {

namespace {

// One of the user's locale values, or the empty text when the locale has none.
std::string LocaleValue(LCTYPE type)
{
    char buffer[128];
    const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n - 1)) : std::string();
}

}  // namespace

TFormatSettings ReadSystemFormatSettings()
{
    return SettingsFromPictures(LocaleValue(LOCALE_SDECIMAL), LocaleValue(LOCALE_SSHORTDATE),
                                LocaleValue(LOCALE_STIMEFORMAT));
}

}  // namespace tarrow
