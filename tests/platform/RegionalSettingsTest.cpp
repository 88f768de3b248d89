#include "platform/RegionalSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tarrow {
namespace {

void ExpectDefaults(const TFormatSettings& s)
{
    EXPECT_EQ(s.DecimalSeparator, '.');
    EXPECT_EQ(s.DateSeparator, '/');
    EXPECT_EQ(s.TimeSeparator, ':');
    EXPECT_EQ(s.ShortDateFormat, "dd/MM/yyyy");
    EXPECT_EQ(s.LongTimeFormat, "HH:mm:ss");
}

#if !defined(_WIN32)
// Linux only: Windows reads the user's locale, which no variable of the process changes.
TEST(RegionalSettings, ThePlainCLocaleGivesDotSlashAndDayMonthYear)
{
    const char* saved = std::getenv("LC_ALL");
    const std::string keep = saved ? saved : "";
    setenv("LC_ALL", "C", 1);
    const TFormatSettings s = ReadSystemFormatSettings();
    if (saved) setenv("LC_ALL", keep.c_str(), 1); else unsetenv("LC_ALL");
    ExpectDefaults(s);
}
#endif

TEST(RegionalSettings, LocaleFormatsBecomeSeparatorsAndPatterns)
{
    const TFormatSettings br = SettingsFromLocale(",", "%d/%m/%Y", "%H:%M:%S");
    EXPECT_EQ(br.DecimalSeparator, ',');
    EXPECT_EQ(br.DateSeparator, '/');
    EXPECT_EQ(br.ShortDateFormat, "dd/MM/yyyy");

    const TFormatSettings de = SettingsFromLocale(",", "%d.%m.%Y", "%H:%M:%S");
    EXPECT_EQ(de.DateSeparator, '.');
    EXPECT_EQ(de.ShortDateFormat, "dd/MM/yyyy");

    const TFormatSettings us = SettingsFromLocale(".", "%m/%d/%Y", "%r");
    EXPECT_EQ(us.ShortDateFormat, "MM/dd/yyyy");
    EXPECT_EQ(us.LongTimeFormat, "HH:mm:ss");  // twelve-hour clocks are not taken over
}

TEST(RegionalSettings, FormatsWithBlanksOrMonthNamesKeepTheDefaults)
{
    ExpectDefaults(SettingsFromLocale(".", "%e %b %Y", "%I:%M:%S %p"));
    ExpectDefaults(SettingsFromLocale("\xC2\xB7", "%Y年%m月%d日", ""));
}

TEST(RegionalSettings, WindowsPicturesBecomeSeparatorsAndPatternsByTheSameRules)
{
    const TFormatSettings br = SettingsFromPictures(",", "dd/MM/yyyy", "HH:mm:ss");
    EXPECT_EQ(br.DecimalSeparator, ',');
    EXPECT_EQ(br.ShortDateFormat, "dd/MM/yyyy");
    const TFormatSettings de = SettingsFromPictures(",", "dd.MM.yy", "HH.mm.ss");
    EXPECT_EQ(de.DateSeparator, '.');
    EXPECT_EQ(de.ShortDateFormat, "dd/MM/yyyy");
    EXPECT_EQ(de.TimeSeparator, '.');
    const TFormatSettings us = SettingsFromPictures(".", "M/d/yyyy", "h:mm:ss tt");
    EXPECT_EQ(us.ShortDateFormat, "M/d/yyyy");
    EXPECT_EQ(us.LongTimeFormat, "HH:mm:ss");  // twelve-hour clocks are not taken over
    ExpectDefaults(SettingsFromPictures(".", "dddd, MMMM d, yyyy", "H:mm"));
    // What the system gives is read through the same rules, whatever the locale is.
    const TFormatSettings system = ReadSystemFormatSettings();
    EXPECT_TRUE(system.DecimalSeparator == '.' || system.DecimalSeparator == ',');
    EXPECT_EQ(system.ShortDateFormat.size() - system.ShortDateFormat.find_first_of('y'), 4u);
}

TEST(RegionalSettings, ScopedSettingsAreRestored)
{
    const TFormatSettings before = FormatSettings();
    {
        TFormatSettings comma;
        comma.DecimalSeparator = ',';
        TScopedFormatSettings scoped(comma);
        EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
    }
    EXPECT_EQ(FormatSettings().DecimalSeparator, before.DecimalSeparator);
}

}  // namespace
}  // namespace tarrow
