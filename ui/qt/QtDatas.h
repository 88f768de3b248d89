#pragma once
// Dates between the relay's date-time numbers and Qt's date fields, shown in the regional short
// date format.

#include "platform/DateTime.h"

#include <QDate>
#include <QString>

namespace tarrow {

QDate DataQt(TDateTime dia);
TDateTime DataDelphi(const QDate& dia);

// The regional short date format as a Qt display format ("/" becomes the date separator).
QString FormatoDataQt();

}  // namespace tarrow
