#include "catalog/catalogdecoders.h"

#include "engine/timeunits.h"

namespace quodlin {

namespace {

QString byLetter(const QString &letter, std::initializer_list<std::pair<char, const char *>> table)
{
    if (letter.size() != 1)
        return {};
    for (const auto &[code, text] : table)
        if (letter.at(0) == QLatin1Char(code))
            return QString::fromLatin1(text);
    return {};
}

QString pair(int first, int second)
{
    return QStringLiteral("(%1,%2)").arg(first).arg(second);
}

} // namespace

QString DateTimeQualifierText(int collength)
{
    const QLatin1String start(engine::timeUnitName((collength & 240) >> 4, false));
    const QLatin1String end(engine::timeUnitName(collength & 15, true));
    QString text;
    if (!start.isEmpty())
        text += QLatin1Char(' ') + start + QStringLiteral(" TO ");
    return text + end;
}

QString ColumnTypeText(int coltype, int collength, int extendedId)
{
    const int t = coltype & 255;
    const int low = collength & 255;
    const int high = (collength >> 8) & 255;
    switch (t) {
    case 0: return QStringLiteral("CHAR(%1)").arg(collength);
    case 1: return QStringLiteral("SMALLINT");
    case 2: return QStringLiteral("INTEGER");
    case 3: return QStringLiteral("FLOAT");
    case 4: return QStringLiteral("SMALLFLOAT");
    case 5: return QStringLiteral("DECIMAL") + pair(collength >> 8, low);
    case 6: return QStringLiteral("SERIAL");
    case 7: return QStringLiteral("DATE");
    case 8: return QStringLiteral("MONEY") + pair(collength >> 8, low);
    case 10: return QStringLiteral("DATETIME") + DateTimeQualifierText(collength);
    case 11: return QStringLiteral("BYTE");
    case 12: return QStringLiteral("TEXT");
    // A reserved minimum shares the two-byte layout of NVARCHAR.
    case 13: return high ? QStringLiteral("VARCHAR") + pair(low, high) : QStringLiteral("VARCHAR(%1)").arg(collength);
    case 14: return QStringLiteral("INTERVAL") + DateTimeQualifierText(collength);
    case 15: return QStringLiteral("NCHAR");
    case 16: return collength ? QStringLiteral("NVARCHAR") + pair(low, high) : QStringLiteral("NVARCHAR");
    case 17: return QStringLiteral("INT8");
    case 18: return QStringLiteral("SERIAL8");
    case 40: return extendedId == 1 ? QStringLiteral("LVARCHAR(%1)").arg(collength) : QString();
    case 19: return QStringLiteral("SET");
    case 20: return QStringLiteral("MULTISET");
    case 21: return QStringLiteral("LIST");
    case 22: return QStringLiteral("ROW");
    case 41:
        return extendedId == 5 ? QStringLiteral("BOOLEAN") : extendedId == 10 ? QStringLiteral("BLOB")
             : extendedId == 11 ? QStringLiteral("CLOB") : QString();
    case 43: return QStringLiteral("LVARCHAR(%1)").arg(collength);
    case 45: return QStringLiteral("BOOLEAN");
    case 52: return QStringLiteral("BIGINT");
    case 53: return QStringLiteral("BIGSERIAL");
    default: return {};
    }
}

QString RequiredText(int coltype)
{
    return (coltype & 256) ? QStringLiteral("Reqd") : QString();
}

QString DefaultKindText(const QString &letter)
{
    return byLetter(letter, {{'L', "Literal"}, {'U', "User"}, {'C', "Current"},
                             {'N', "Null"}, {'T', "Today"}, {'S', "Dbservername"}});
}

QString TableTypeText(const QString &letter)
{
    return byLetter(letter, {{'T', "Table"}, {'V', "View"}, {'S', "Synonym"}, {'L', "Log"}, {'P', "Synonym (ANSI)"}});
}

QString ProcedureModeText(const QString &letter)
{
    return byLetter(letter, {{'D', "DBA"}, {'O', "Owner"}, {'P', "Protected"}});
}

QString TriggerModeText(const QString &letter) { return letter; }

QString TriggerEventText(const QString &letter)
{
    return byLetter(letter, {{'I', "Insert"}, {'U', "Update"}, {'D', "Delete"}});
}

QString IndexTypeText(const QString &letter)
{
    return byLetter(letter, {{'U', "Unique"}, {'D', "Duplicates"}});
}

QString DependTypeText(const QString &letter)
{
    return byLetter(letter, {{'V', "View"}, {'T', "Table"}});
}

QString MemoPlaceholder(bool isNull)
{
    return isNull ? QStringLiteral("(Memo)") : QStringLiteral("(MEMO)");
}

} // namespace quodlin
