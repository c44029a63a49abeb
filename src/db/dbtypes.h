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
