#pragma once
// Display and edit texts and default display widths per field type, shared by
// both drivers so that a value looks the same whichever way it was read.
//
// Dates follow DBDATE (default MDY4/), DECIMAL and MONEY show exactly their
// scale, MONEY carries the DBMONEY currency symbol and decimal separator in the
// display text only (its edit text is the plain number), BYTE shows "(BYTE)".
#include "db/dbtypes.h"

#include <QByteArrayView>
#include <QDate>

#include <string>

namespace quodlin {

QString DbDisplayText(const DbColumn &column, const QVariant &value, const DbFormatting &fmt);
QString DbEditText(const DbColumn &column, const QVariant &value, const DbFormatting &fmt);

// Which text of a value: the grid's display text, the edit text, or the
// files' text (the edit text, but floats with every digit and BYTE in hex).
enum class DbTextKind { Display, Edit, File };
QString DbValueText(const DbColumn &column, const QVariant &value, const DbFormatting &fmt, DbTextKind kind);

// Where DbCellText makes a text that is not the cell's own bytes.
struct DbTextBuffer {
    QByteArray scratch;
    std::string chars;
    char digits[24];
};
// DbValueText of cell `index` of `row` as UTF-8, made straight from the cell
// for the common types, without a QVariant or a QString: the exports format
// every cell this way. Text cells come back as their own bytes, so text that
// is not UTF-8 keeps them. Valid until `buffer` is used again or the row
// changes.
QByteArrayView DbCellText(const DbColumn &column, const DbCellRow &row, size_t index, const DbFormatting &fmt,
                          DbTextKind kind, DbTextBuffer &buffer);
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
