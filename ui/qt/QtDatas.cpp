#include "ui/qt/QtDatas.h"

#include "platform/RegionalSettings.h"

namespace tarrow {

QDate DataQt(TDateTime dia)
{
    const TDateParts d = DecodeDate(dia);
    return QDate(d.Year, d.Month, d.Day);
}

TDateTime DataDelphi(const QDate& dia) { return EncodeDate(dia.year(), dia.month(), dia.day()); }

QString FormatoDataQt()
{
    const TFormatSettings& fs = FormatSettings();
    QString formato;
    for (char c : fs.ShortDateFormat) {
        if (c == '/') formato += QChar(fs.DateSeparator);
        else if (c == 'm') formato += 'M';
        else formato += QChar(c);
    }
    return formato;
}

}  // namespace tarrow
