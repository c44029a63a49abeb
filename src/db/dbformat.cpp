#include "db/dbformat.h"

#include "db/dberror.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTime>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>

namespace quodlin {

namespace {

constexpr int kMemoDisplayWidth = 50;
constexpr int kUnsizedDisplayWidth = 20;
// 15 significant digits, sign and point; wider values are rare in practice.
constexpr int kFloatDisplayWidth = 17;

struct MoneySymbols {
    QString front;
    QChar separator = QLatin1Char('.');
    QString back;
};

MoneySymbols moneySymbols(const QString &dbmoney)
{
    MoneySymbols m;
    const qsizetype at = [&] {
        for (qsizetype i = 0; i < dbmoney.size(); ++i)
            if (dbmoney[i] == QLatin1Char('.') || dbmoney[i] == QLatin1Char(','))
                return i;
        return qsizetype(-1);
    }();
    if (at < 0) {
        m.front = dbmoney;
        return m;
    }
    m.front = dbmoney.left(at);
    m.separator = dbmoney[at];
    m.back = dbmoney.mid(at + 1);
    return m;
}

QString moneyText(const DbColumn &column, const QVariant &value, const DbFormatting &fmt)
{
    QString number = DecimalAtScale(value.toString(), column.scale);
    const MoneySymbols m = moneySymbols(fmt.dbmoney);
    const bool negative = number.startsWith(QLatin1Char('-'));
    if (negative)
        number.remove(0, 1);
    number.replace(QLatin1Char('.'), m.separator);
    return (negative ? QStringLiteral("-") : QString()) + m.front + number + m.back;
}

// Adds one to the last digit of a digit string, carrying to the left.
QString incrementDigits(QString digits)
{
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != QLatin1Char('9')) {
            digits[i] = QChar(digits[i].unicode() + 1);
            return digits;
        }
        digits[i] = QLatin1Char('0');
    }
    return QLatin1Char('1') + digits;
}

} // namespace

QString TrimTrailingBlanks(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' '))
        --end;
    return end == text.size() ? text : text.left(end);
}

namespace {

char16_t unit(QChar c) { return c.unicode(); }
char16_t unit(char c) { return uchar(c); }

// Whether a decimal text (QString, or UTF-8 bytes) is already at `scale` as
// drivers send it: an optional minus, digits, and exactly `scale` digits
// after a point; not a negative zero, whose sign the full path drops.
// Exports format every cell, so this saves the general path's work on
// nearly all of them.
template <typename Text>
bool isAtScale(const Text &text, int scale)
{
    const auto digit = [&text](qsizetype i) { return unit(text[i]) >= '0' && unit(text[i]) <= '9'; };
    const qsizetype n = text.size();
    qsizetype i = n > 0 && unit(text[0]) == '-' ? 1 : 0;
    const qsizetype start = i;
    bool nonZero = false;
    for (; i < n && digit(i); ++i)
        nonZero = nonZero || unit(text[i]) != '0';
    if (i == start)
        return false;
    if (scale > 0) {
        if (i >= n || unit(text[i]) != '.' || n - i - 1 != scale)
            return false;
        for (++i; i < n; ++i) {
            if (!digit(i))
                return false;
            nonZero = nonZero || unit(text[i]) != '0';
        }
    }
    return i == n && (start == 0 || nonZero);
}

} // namespace

QString DecimalAtScale(const QString &decimal, int scale)
{
    if (scale >= 0 && isAtScale(decimal, scale))
        return decimal;
    QString text = decimal.trimmed();
    if (scale < 0 || text.isEmpty())
        return text;
    if (text.contains(QLatin1Char('e'), Qt::CaseInsensitive)) {
        bool ok = false;
        const double v = text.toDouble(&ok);
        return ok ? QString::number(v, 'f', scale) : text;
    }
    QString sign;
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'))) {
        if (text[0] == QLatin1Char('-'))
            sign = QStringLiteral("-");
        text.remove(0, 1);
    }
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    QString whole = point < 0 ? text : text.left(point);
    QString fraction = point < 0 ? QString() : text.mid(point + 1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    if (fraction.size() > scale) {
        const bool roundUp = fraction[scale] >= QLatin1Char('5');
        fraction.truncate(scale);
        if (roundUp) {
            const QString digits = incrementDigits(whole + fraction);
            whole = digits.left(digits.size() - scale);
            fraction = digits.right(scale);
        }
    }
    fraction = fraction.leftJustified(scale, QLatin1Char('0'));
    bool allZero = true;
    for (QChar c : whole + fraction)
        allZero = allZero && c == QLatin1Char('0');
    if (allZero)
        sign.clear();
    return sign + whole + (scale > 0 ? QLatin1Char('.') + fraction : QString());
}

namespace {

// A DBDATE format taken apart: the order of day, month and year, the year's
// digits and the separator. Parsed once per format, not once per date.
struct DateLayout {
    QString format;
    char order[3] = {'M', 'D', 'Y'};
    bool twoDigitYear = false;
    QString separator = QStringLiteral("/");
    std::string separatorUtf8 = "/";
};

DateLayout parseDateLayout(const QString &dbdate)
{
    DateLayout layout;
    layout.format = dbdate;
    const QString f = dbdate.toUpper();
    int parts = 0;
    bool twoDigits = false;
    QString separator = QStringLiteral("/");
    char order[3] = {0, 0, 0};
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar c = f[i];
        if (c == QLatin1Char('M') || c == QLatin1Char('D') || c == QLatin1Char('Y')) {
            if (parts < 3)
                order[parts] = char(c.unicode());
            ++parts;
            if (c == QLatin1Char('Y') && i + 1 < f.size()
                && (f[i + 1] == QLatin1Char('2') || f[i + 1] == QLatin1Char('4'))) {
                twoDigits = f[i + 1] == QLatin1Char('2');
                ++i;
            }
        } else {
            separator = c == QLatin1Char('0') ? QString() : QString(c);
            break;
        }
    }
    // Anything but three parts falls back to the default MDY4/.
    if (parts == 3) {
        std::copy(order, order + 3, layout.order);
        layout.twoDigitYear = twoDigits;
        layout.separator = separator;
        layout.separatorUtf8 = separator.toStdString();
    }
    return layout;
}

void appendDigits(QString &out, int value, int width)
{
    QChar digits[8];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = QChar(u'0' + value % 10);
        value /= 10;
    }
    out.append(digits, width);
}

} // namespace

QString FormatDbDate(const QDate &date, const QString &dbdate)
{
    if (!date.isValid())
        return {};
    thread_local DateLayout layout = parseDateLayout(QStringLiteral("MDY4/"));
    if (layout.format != dbdate)
        layout = parseDateLayout(dbdate);
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    QString text;
    text.reserve(10);
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            text += layout.separator;
        if (layout.order[i] == 'M')
            appendDigits(text, month, 2);
        else if (layout.order[i] == 'D')
            appendDigits(text, day, 2);
        else if (layout.twoDigitYear)
            appendDigits(text, year % 100, 2);
        else
            appendDigits(text, year, 4);
    }
    return text;
}

namespace {

const QDate kDayZero(1899, 12, 31);

// Proleptic Gregorian date of a day number; the same as QDate for years 1 to
// 9999, which is all the fast path takes.
void civilFromDays(qint64 dayNumber, int &year, int &month, int &day)
{
    const qint64 z = dayNumber + 693900;  // days since 0000-03-01
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

} // namespace

qint64 DbDayNumber(const QDate &date) { return kDayZero.daysTo(date); }
QDate DbDateOfDay(qint64 dayNumber) { return kDayZero.addDays(dayNumber); }

void AppendDbDate(std::string &out, qint64 dayNumber, const QString &dbdate)
{
    // 0001-01-01 and 9999-12-31
    if (dayNumber < -693594 || dayNumber > 2958464) {
        out += FormatDbDate(DbDateOfDay(dayNumber), dbdate).toStdString();
        return;
    }
    thread_local DateLayout layout = parseDateLayout(QStringLiteral("MDY4/"));
    // The same setting comes again and again, mostly as the same shared
    // text: comparing the data pointers first spares comparing the texts.
    if (layout.format.constData() != dbdate.constData()) {
        if (layout.format != dbdate)
            layout = parseDateLayout(dbdate);
        layout.format = dbdate;
    }
    int year = 0, month = 0, day = 0;
    civilFromDays(dayNumber, year, month, day);
    char text[16];  // at most 4 + 2 + 2 digits and two separators of one character (3 bytes in UTF-8)
    char *p = text;
    static constexpr char kPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                     "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                     "8081828384858687888990919293949596979899";
    const auto digits = [&p](int value, int width) {
        if (width == 4) {
            std::memcpy(p, kPairs + 2 * (value / 100), 2);
            p += 2;
            value %= 100;
        }
        std::memcpy(p, kPairs + 2 * value, 2);
        p += 2;
    };
    const std::string &separator = layout.separatorUtf8;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            std::memcpy(p, separator.data(), separator.size());
            p += separator.size();
        }
        if (layout.order[i] == 'M')
            digits(month, 2);
        else if (layout.order[i] == 'D')
            digits(day, 2);
        else if (layout.twoDigitYear)
            digits(year % 100, 2);
        else
            digits(year, 4);
    }
    out.append(text, size_t(p - text));
}

void DbCellRow::addVariant(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return addNull();
    case QMetaType::LongLong:
    case QMetaType::Int:
        return addInteger(value.toLongLong());
    case QMetaType::Double:
        return addFloat(value.toDouble());
    case QMetaType::Bool:
        return addBoolean(value.toBool());
    case QMetaType::QDate: {
        const QDate date = value.toDate();
        if (!date.isValid())
            break;
        return addDate(DbDayNumber(date));
    }
    case QMetaType::QString: {
        const QByteArray text = value.toString().toUtf8();
        return addText(text.constData(), text.size());
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return addBytes(bytes.constData(), bytes.size());
    }
    default:
        break;
    }
    cells.push_back({DbCell::Kind::Variant, 0, 0, variants.size(), 0});
    variants << value;
}

QVariant DbCellRow::variant(int index) const
{
    const DbCell &c = cells[size_t(index)];
    switch (c.kind) {
    case DbCell::Kind::Null: return {};
    case DbCell::Kind::Integer: return qlonglong(c.integer);
    case DbCell::Kind::Float: return c.real;
    case DbCell::Kind::Date: return DbDateOfDay(c.integer);
    case DbCell::Kind::Boolean: return c.integer != 0;
    case DbCell::Kind::Text: return QString::fromUtf8(bytes.data() + c.offset, c.size);
    case DbCell::Kind::Bytes: return QByteArray(bytes.data() + c.offset, c.size);
    case DbCell::Kind::Variant: break;
    }
    return variants[c.offset];
}

namespace {

[[noreturn]] void notA(const QString &text, const char *what)
{
    throw DbError(QStringLiteral("'%1' is not a valid %2").arg(text, QLatin1String(what)));
}

QDate parseDbDate(const QString &text, const QString &dbdate)
{
    QString order;  // the letters M, D, Y in the format's order
    for (QChar c : dbdate.toUpper())
        if (c == QLatin1Char('M') || c == QLatin1Char('D') || c == QLatin1Char('Y'))
            order += c;
    if (order.size() != 3 || !order.contains(QLatin1Char('M')) || !order.contains(QLatin1Char('D')))
        order = QStringLiteral("MDY");
    QStringList parts;
    static const QRegularExpression separated(QStringLiteral("^(\\d{1,4})\\D(\\d{1,4})\\D(\\d{1,4})$"));
    const QRegularExpressionMatch m = separated.match(text);
    if (m.hasMatch()) {
        parts << m.captured(1) << m.captured(2) << m.captured(3);
    } else {
        static const QRegularExpression digits(QStringLiteral("^\\d+$"));
        if (!digits.match(text).hasMatch())
            return {};
        qsizetype at = 0;
        for (QChar c : order) {
            const int width = c == QLatin1Char('Y') ? (text.size() == 8 ? 4 : 2) : 2;
            parts << text.mid(at, width);
            at += width;
        }
        if (at != text.size())
            return {};
    }
    int year = 0, month = 0, day = 0;
    for (int i = 0; i < 3; ++i) {
        const int v = parts[i].toInt();
        if (order[i] == QLatin1Char('Y'))
            year = parts[i].size() <= 2 ? 2000 + v : v;
        else if (order[i] == QLatin1Char('M'))
            month = v;
        else
            day = v;
    }
    return QDate(year, month, day);
}

} // namespace

QVariant DbParseEditText(const DbColumn &column, const QString &text, const DbFormatting &fmt)
{
    if (column.type == DbFieldType::String || column.type == DbFieldType::Memo)
        return text;
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    bool ok = false;
    switch (column.type) {
    case DbFieldType::SmallInt:
    case DbFieldType::Integer:
    case DbFieldType::BigInt: {
        const qlonglong v = t.toLongLong(&ok);
        if (!ok || (column.type == DbFieldType::SmallInt && (v < -32767 || v > 32767))
            || (column.type == DbFieldType::Integer && (v < -2147483647 || v > 2147483647)))
            notA(text, "integer");
        return v;
    }
    case DbFieldType::Float: {
        const double v = t.toDouble(&ok);
        if (!ok)
            notA(text, "number");
        return v;
    }
    case DbFieldType::Decimal:
    case DbFieldType::Money: {
        static const QRegularExpression number(QStringLiteral("^[-+]?(\\d+\\.?\\d*|\\.\\d+)$"));
        if (!number.match(t).hasMatch())
            notA(text, "number");
        return DecimalAtScale(t, column.scale);
    }
    case DbFieldType::Date: {
        const QDate d = parseDbDate(t, fmt.dbdate);
        if (!d.isValid())
            notA(text, "date");
        return d;
    }
    case DbFieldType::Time: {
        const QTime v = QTime::fromString(t, QStringLiteral("hh:mm:ss"));
        if (!v.isValid())
            notA(text, "time");
        return v;
    }
    case DbFieldType::Boolean:
        if (t == QLatin1String("t") || t == QLatin1String("1"))
            return true;
        if (t == QLatin1String("f") || t == QLatin1String("0"))
            return false;
        notA(text, "boolean (t or f)");
    case DbFieldType::Blob:
        throw DbError(QStringLiteral("A BYTE value cannot be edited as text"));
    default:
        return t;
    }
}

QString DbDisplayText(const DbColumn &column, const QVariant &value, const DbFormatting &fmt)
{
    if (!value.isValid())
        return {};
    switch (column.type) {
    case DbFieldType::SmallInt:
    case DbFieldType::Integer:
    case DbFieldType::BigInt:
        return QString::number(value.toLongLong());
    case DbFieldType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    case DbFieldType::Decimal:
        return DecimalAtScale(value.toString(), column.scale);
    case DbFieldType::Money:
        return moneyText(column, value, fmt);
    case DbFieldType::Date:
        return FormatDbDate(value.toDate(), fmt.dbdate);
    case DbFieldType::Time:
        return value.toTime().toString(QStringLiteral("hh:mm:ss"));
    case DbFieldType::Boolean:
        return value.toBool() ? QStringLiteral("t") : QStringLiteral("f");
    case DbFieldType::Blob:
        return column.smartLob ? QStringLiteral("(BLOB)") : QStringLiteral("(BYTE)");
    default:
        return value.toString();
    }
}

QString DbEditText(const DbColumn &column, const QVariant &value, const DbFormatting &fmt)
{
    if (column.type == DbFieldType::Money && value.isValid())
        return DecimalAtScale(value.toString(), column.scale);
    return DbDisplayText(column, value, fmt);
}

QString DbValueText(const DbColumn &column, const QVariant &value, const DbFormatting &fmt, DbTextKind kind)
{
    if (kind == DbTextKind::File && value.isValid()) {
        if (column.type == DbFieldType::Float)
            return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        if (column.type == DbFieldType::Blob)
            return QString::fromLatin1(value.toByteArray().toHex());
    }
    return kind == DbTextKind::Display ? DbDisplayText(column, value, fmt) : DbEditText(column, value, fmt);
}

namespace {

// Most stored floats are short decimals (prices, quarters): when `a` is
// exactly the double nearest m / 10^k for a small k, the smallest such k
// gives the shortest digits that read back as `a` (m's digits), without the
// general algorithm. `x` is the first digit's decimal exponent.
bool shortDecimal(double a, char *digits, int &n, int &x)
{
    static constexpr double kPow10[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    if (!(a >= 1e-4 && a < 1e15))
        return false;
    for (int k = 0; k < 9; ++k) {
        const double scaled = a * kPow10[k];
        // Well below 2^53, so the nearest integer is found despite the
        // product's rounding.
        if (scaled >= 1e15)
            return false;
        const double m = std::nearbyint(scaled);
        if (m == 0 || m / kPow10[k] != a)
            continue;
        char *const end = std::to_chars(digits, digits + 20, static_cast<long long>(m)).ptr;
        const int length = int(end - digits);
        x = length - 1 - k;
        n = length;
        while (n > 1 && digits[n - 1] == '0')  // only an integer (k = 0) ends in zeros
            --n;
        return true;
    }
    return false;
}

// A double as QString::number(v, 'g', p) writes it, for p the shortest
// round trip or 15 digits; false where only that call gives it (infinities,
// NaN, more than 15 digits at 15, subnormals). The shortest digits come from
// std::to_chars; Qt takes the shorter of the fixed and exponent forms for the
// shortest, the C rule at a precision, exponents of at least two digits.
bool appendDouble(std::string &out, double v, bool shortest)
{
    if (!std::isfinite(v) || (!shortest && v != 0 && std::fabs(v) < DBL_MIN))
        return false;
    if (v == 0) {
        out += '0';
        return true;
    }
    const bool negative = std::signbit(v);
    char digits[24];
    int n = 0;
    int x = 0;
    if (!shortDecimal(std::fabs(v), digits, n, x)) {
        char buffer[40];
        const char *const end = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::scientific).ptr;
        const char *p = buffer + negative;
        n = 0;
        for (; p < end && *p != 'e'; ++p)
            if (*p != '.')
                digits[n++] = *p;
        std::from_chars(p + 1 + (p[1] == '+'), end, x);
    }
    if (!shortest && n > 15)
        return false;
    const int exponentDigits = std::abs(x) >= 100 ? 3 : 2;
    const int scientificLength = n + (n > 1) + 2 + exponentDigits;
    const int fixedLength = x >= n - 1 ? x + 1 : x >= 0 ? n + 1 : n + 1 - x;
    const bool scientific = shortest ? scientificLength < fixedLength : (x < -4 || x >= 15);
    if (negative)
        out += '-';
    if (scientific) {
        out += digits[0];
        if (n > 1) {
            out += '.';
            out.append(digits + 1, size_t(n - 1));
        }
        out += 'e';
        out += x < 0 ? '-' : '+';
        const int a = std::abs(x);
        if (a >= 100)
            out += char('0' + a / 100);
        out += char('0' + a / 10 % 10);
        out += char('0' + a % 10);
    } else if (x >= n - 1) {
        out.append(digits, size_t(n));
        out.append(size_t(x - n + 1), '0');
    } else if (x >= 0) {
        out.append(digits, size_t(x + 1));
        out += '.';
        out.append(digits + x + 1, size_t(n - x - 1));
    } else {
        out += "0.";
        out.append(size_t(-x - 1), '0');
        out.append(digits, size_t(n));
    }
    return true;
}

} // namespace

QByteArrayView DbCellText(const DbColumn &column, const DbCellRow &row, size_t index, const DbFormatting &fmt,
                          DbTextKind kind, DbTextBuffer &buffer)
{
    const DbCell &c = row.cells[index];
    switch (column.type) {
    case DbFieldType::SmallInt:
    case DbFieldType::Integer:
    case DbFieldType::BigInt:
        if (c.kind == DbCell::Kind::Integer) {
            char *const end = std::to_chars(buffer.digits, buffer.digits + sizeof buffer.digits, c.integer).ptr;
            return {buffer.digits, end - buffer.digits};
        }
        break;
    case DbFieldType::Float:
        if (c.kind == DbCell::Kind::Float) {
            buffer.chars.clear();
            if (appendDouble(buffer.chars, c.real, kind == DbTextKind::File))
                return {buffer.chars.data(), qsizetype(buffer.chars.size())};
        }
        break;
    case DbFieldType::Decimal:
    case DbFieldType::Money:
        // MONEY's display text carries the currency: the general path.
        if (c.kind == DbCell::Kind::Text && (column.type == DbFieldType::Decimal || kind != DbTextKind::Display)
            && column.scale >= 0 && isAtScale(row.view(c), column.scale))
            return row.view(c);
        break;
    case DbFieldType::Date:
        if (c.kind == DbCell::Kind::Date) {
            buffer.chars.clear();
            AppendDbDate(buffer.chars, c.integer, fmt.dbdate);
            return {buffer.chars.data(), qsizetype(buffer.chars.size())};
        }
        break;
    case DbFieldType::Boolean:
        if (c.kind == DbCell::Kind::Boolean)
            return c.integer ? "t" : "f";
        break;
    case DbFieldType::Blob:
        if (c.kind == DbCell::Kind::Bytes && kind != DbTextKind::File)
            return column.smartLob ? "(BLOB)" : "(BYTE)";
        if (c.kind == DbCell::Kind::Bytes) {
            buffer.scratch = row.view(c).toByteArray().toHex();
            return buffer.scratch;
        }
        break;
    case DbFieldType::Time:
        break;
    default:
        // Text as read, bytes that are not UTF-8 too.
        if (c.kind == DbCell::Kind::Text)
            return row.view(c);
        break;
    }
    buffer.scratch = DbValueText(column, row.variant(int(index)), fmt, kind).toUtf8();
    return buffer.scratch;
}

int DbDefaultDisplayWidth(const DbColumn &column, const DbFormatting &fmt)
{
    const int sized = column.size > 0 ? column.size : kUnsizedDisplayWidth;
    switch (column.type) {
    case DbFieldType::Memo: return kMemoDisplayWidth;
    case DbFieldType::SmallInt: return 6;
    case DbFieldType::Integer: return 11;
    case DbFieldType::BigInt: return 20;
    case DbFieldType::Float: return kFloatDisplayWidth;
    case DbFieldType::Decimal:
    case DbFieldType::Money: {
        const int precision = column.size > 0 ? column.size : 16;
        int width = precision + 1 + (column.scale != 0 ? 1 : 0);
        if (column.scale < 0)
            width += 4;  // exponent of a floating decimal
        if (column.type == DbFieldType::Money) {
            const MoneySymbols m = moneySymbols(fmt.dbmoney);
            width += int(m.front.size() + m.back.size());
        }
        return width;
    }
    case DbFieldType::Date: return int(FormatDbDate(QDate(2000, 12, 31), fmt.dbdate).size());
    case DbFieldType::Time: return 8;
    case DbFieldType::Boolean: return 1;
    case DbFieldType::Blob: return 6;
    default: return sized;
    }
}

QString DbParamValue(const QStringList &lines, const QString &name, const QString &fallback)
{
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return fallback;
}

void SetDbParamValue(QStringList &lines, const QString &name, const QString &value)
{
    for (QString &line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            line = name + QLatin1Char('=') + value;
            return;
        }
    }
    lines << name + QLatin1Char('=') + value;
}

} // namespace quodlin
