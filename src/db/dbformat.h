#pragma once
// Display and edit texts and default display widths per field type, shared by
// both drivers so that a value looks the same whichever way it was read.
//
// Dates follow DBDATE (default MDY4/), DECIMAL and MONEY show exactly their
// scale, MONEY carries the DBMONEY currency symbol and decimal separator in the
// display text only (its edit text is the plain number), BYTE shows "(BYTE)".
#include "db/dbtypes.h"

#include <QDate>

namespace quodlin {

QString DbDisplayText(const DbColumn &column, const QVariant &value, const DbFormatting &fmt);
QString DbEditText(const DbColumn &column, const QVariant &value, const DbFormatting &fmt);
int DbDefaultDisplayWidth(const DbColumn &column, const DbFormatting &fmt);

// The value an edit text stands for, the reverse of DbEditText. An empty text
// is NULL, except for strings (an empty string). Raises DbError for a text
// that is not a value of the type; BYTE cannot be edited as text.
QVariant DbParseEditText(const DbColumn &column, const QString &text, const DbFormatting &fmt);

// A date in a DBDATE format ("MDY4/", "DMY2-", "Y4MD.", "MDY40" = no separator).
QString FormatDbDate(const QDate &date, const QString &dbdate);
// The same for a day number (days since 1899-12-31), appended as UTF-8.
void AppendDbDate(std::string &out, qint64 dayNumber, const QString &dbdate);
// The day number of a date and back.
qint64 DbDayNumber(const QDate &date);
QDate DbDateOfDay(qint64 dayNumber);
// A decimal text rounded half away from zero or padded to `scale` digits; a
// negative scale leaves it as it is.
QString DecimalAtScale(const QString &decimal, int scale);
// Removes trailing blanks (the contract for CHAR values read from a server).
QString TrimTrailingBlanks(const QString &text);

} // namespace quodlin
