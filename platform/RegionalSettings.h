#pragma once
// The user's regional settings as the programs use them: separators for numbers and dates, and
// the date and time formats. Read once from the system; tests set their own.
//
// Formats use the pattern letters the programs' texts are written in: d, M (or m) and y for the
// date, H, n/m and s for the time.

#include <string>
#include <string_view>

namespace tarrow {

struct TFormatSettings {
    char DecimalSeparator = '.';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    std::string ShortDateFormat = "dd/MM/yyyy";
    std::string LongTimeFormat = "HH:mm:ss";
};

// The settings in force: the system's, unless a test set others.
const TFormatSettings& FormatSettings();

// Replaces the settings in force (for tests and for programs that want fixed settings).
void SetFormatSettings(const TFormatSettings& settings);

// Reads the settings from the system's locale: on Linux LC_ALL, LC_NUMERIC, LC_TIME, LANG; on
// Windows the user's locale. The C and POSIX
// locales, and any locale whose formats would put blanks or month names into dates, give the
// defaults of TFormatSettings.
TFormatSettings ReadSystemFormatSettings();

// The settings a locale's radix character and strftime date and time formats stand for (the
// formats of a plain C locale are not passed here; it keeps the defaults).
TFormatSettings SettingsFromLocale(std::string_view radix, std::string_view dateFormat,
                                   std::string_view timeFormat);

// The settings a Windows locale's decimal separator and short date and time pictures stand for
// ("dd/MM/yyyy", "HH:mm:ss"): pictures with day or month names, two-digit years aside, or a
// 12-hour clock keep the defaults, as on Linux.
TFormatSettings SettingsFromPictures(std::string_view decimal, std::string_view datePicture,
                                     std::string_view timePicture);

// Puts settings in force for the lifetime of the object and restores the previous ones.
class TScopedFormatSettings {
public:
    explicit TScopedFormatSettings(const TFormatSettings& settings);
    ~TScopedFormatSettings();
    TScopedFormatSettings(const TScopedFormatSettings&) = delete;
    TScopedFormatSettings& operator=(const TScopedFormatSettings&) = delete;

private:
    TFormatSettings saved_;
};

}  // namespace tarrow
