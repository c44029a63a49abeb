#pragma once
// Plain data shared by the access layer and its drivers: field types, result
// column descriptions, statement parameters, the SQL communication area and
// the session's formatting environment.
//
// A value travels as a QVariant: an invalid QVariant is NULL (an empty string
// is not NULL). Strings and memos are QString, whole numbers qlonglong,
// floats double, DECIMAL and MONEY the exact decimal text ("12.50"), DATE a
// QDate, TIME a QTime, DATETIME and INTERVAL their canonical text, BOOLEAN
// bool, BYTE a QByteArray.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <string>
#include <vector>

namespace quodlin {

enum class DbFieldType {
    Unknown, String, Memo, SmallInt, Integer, BigInt, Float, Decimal, Money,
    Date, Time, DateTime, Interval, Boolean, Blob
};

struct DbColumn {
    QString name;
    DbFieldType type = DbFieldType::String;
    int size = 0;           // characters for text and date-times, precision for numbers
    int scale = 0;          // digits after the point for DECIMAL/MONEY; -1 floating
    bool nullable = true;
    QString tableName;      // base table when the driver knows it
    // CHAR and NCHAR: blank-padded to their length, so trailing blanks are
    // padding and the layer drops them; VARCHAR, LVARCHAR and TEXT keep theirs.
    bool blankPadded = false;
    // A BLOB (a smart large object) rather than BYTE: the placeholder names it.
    bool smartLob = false;
};

struct DbParam {
    QString name;           // empty for a positional '?'
    QVariant value;
};

// The part of the Informix SQL communication area callers read.
struct DbSqlca {
    qint32 sqlcode = 0;
    QString sqlerrm;
    qint64 sqlerrd[6] = {0, 0, 0, 0, -1, 0};
    // 0-based character offset of the last error in the statement text; -1 unknown.
    int errorOffset() const { return static_cast<int>(sqlerrd[4]); }
};

// One row read for streaming (exports, UNLOAD) without a QVariant per value:
// typed cells, text as UTF-8 in one byte buffer the row reuses from row to
// row. A value with no cell form of its own is kept as its QVariant.
struct DbCell {
    enum class Kind : quint8 { Null, Integer, Float, Date, Boolean, Text, Bytes, Variant };
    Kind kind = Kind::Null;
    qint64 integer = 0;     // Integer; Boolean 0/1; Date: days since 1899-12-31
    double real = 0;        // Float
    qsizetype offset = 0;   // Text and Bytes: where in DbCellRow::bytes; Variant: index in variants
    qsizetype size = 0;
};

struct DbCellRow {
    std::vector<DbCell> cells;
    std::string bytes;
    QVariantList variants;

    // Empties the row, keeping its buffers.
    void clear()
    {
        cells.clear();
        bytes.clear();
        variants.clear();
    }
    void addNull() { cells.emplace_back(); }
    void addInteger(qint64 v) { cells.push_back({DbCell::Kind::Integer, v, 0, 0, 0}); }
    void addFloat(double v) { cells.push_back({DbCell::Kind::Float, 0, v, 0, 0}); }
    void addDate(qint64 dayNumber) { cells.push_back({DbCell::Kind::Date, dayNumber, 0, 0, 0}); }
    void addBoolean(bool v) { cells.push_back({DbCell::Kind::Boolean, v ? 1 : 0, 0, 0, 0}); }
    void addText(const char *data, qsizetype size) { addBuffered(DbCell::Kind::Text, data, size); }
    void addBytes(const char *data, qsizetype size) { addBuffered(DbCell::Kind::Bytes, data, size); }
    // A QVariant as the layer carries values (see above) turned into its cell.
    void addVariant(const QVariant &value);
    // The cell's bytes (Text: UTF-8 as a rule; bytes a server or a file gave
    // that are not UTF-8 stay as they were).
    QByteArrayView view(const DbCell &c) const { return {bytes.data() + c.offset, c.size}; }
    // The cell as the QVariant the layer carries.
    QVariant variant(int index) const;

private:
    void addBuffered(DbCell::Kind kind, const char *data, qsizetype size)
    {
        cells.push_back({kind, 0, 0, qsizetype(bytes.size()), size});
        bytes.append(data, size_t(size));
    }
};

// DBDATE and DBMONEY of the session.
struct DbFormatting {
    QString dbdate = QStringLiteral("MDY4/");
    QString dbmoney = QStringLiteral("$.");
};

// Parameter lines "NAME=value": the value of the first line whose name
// matches (case-insensitive, blanks around the name ignored), else `fallback`.
QString DbParamValue(const QStringList &lines, const QString &name, const QString &fallback = {});
// Replaces or appends the line for `name`.
void SetDbParamValue(QStringList &lines, const QString &name, const QString &value);

} // namespace quodlin
