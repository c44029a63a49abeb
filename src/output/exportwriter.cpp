#include "output/exportwriter.h"

#include "app/externalprograms.h"
#include "app/outputfile.h"
#include "app/textutil.h"
#include "db/dberror.h"
#include "db/dbformat.h"
#include "db/dbquery.h"
#include "db/sqlname.h"
#include "output/textrender.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringEncoder>

#include <atomic>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quodlin {

namespace {

const QString kUnknownTable = QStringLiteral("unknown");
const QString kCrLf = QStringLiteral("\r\n");

// Lines made as UTF-8 straight into one buffer that goes to the device in
// large pieces: one write per line costs more than making the line.
class Sink {
public:
    explicit Sink(QIODevice &out) : m_out(out) { buffer.reserve(kFlushAt + 4096); }
    std::string buffer;

    void add(QStringView text)
    {
        const size_t at = buffer.size();
        buffer.resize(at + size_t(m_encoder.requiredSpace(text.size())));
        char *end = m_encoder.appendToBuffer(buffer.data() + at, text);
        buffer.resize(size_t(end - buffer.data()));
        endLine();
    }
    // After each line: hands the buffer on once it is large.
    void endLine()
    {
        if (buffer.size() >= kFlushAt)
            flush();
    }
    void flush()
    {
        if (buffer.empty())
            return;
        if (m_out.write(buffer.data(), qint64(buffer.size())) != qint64(buffer.size()))
            throw DbError(WriteFailureText(m_out));
        buffer.clear();
    }

private:
    static constexpr size_t kFlushAt = 256 * 1024;
    QIODevice &m_out;
    QStringEncoder m_encoder{QStringEncoder::Utf8};
};

void append(std::string &out, QByteArrayView text) { out.append(text.data(), size_t(text.size())); }

bool isAscii(QByteArrayView text)
{
    const char *p = text.data();
    qsizetype n = text.size();
    for (; n >= 8; p += 8, n -= 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; n > 0; ++p, --n)
        if (uchar(*p) & 0x80)
            return false;
    return true;
}

// The length of valid UTF-8 in UTF-16 code units, as QString counts.
qsizetype utf16Length(QByteArrayView text)
{
    qsizetype n = 0;
    for (const char c : text)
        n += ((uchar(c) & 0xC0) != 0x80) + (uchar(c) >= 0xF0);
    return n;
}

bool isNumber(DbFieldType type)
{
    switch (type) {
    case DbFieldType::SmallInt:
    case DbFieldType::Integer:
    case DbFieldType::BigInt:
    case DbFieldType::Float:
    case DbFieldType::Decimal:
    case DbFieldType::Money:
        return true;
    default:
        return false;
    }
}

// Whether decimal text is already at `scale` (what DecimalAtScale returns
// unchanged): an optional minus, digits, a point and exactly `scale` digits;
// not a negative zero.
bool isAtScale(QByteArrayView text, int scale)
{
    const qsizetype n = text.size();
    qsizetype i = n > 0 && text[0] == '-' ? 1 : 0;
    const qsizetype start = i;
    bool nonZero = false;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
        nonZero = nonZero || text[i] != '0';
    if (i == start)
        return false;
    if (scale > 0) {
        if (i >= n || text[i] != '.' || n - i - 1 != scale)
            return false;
        for (++i; i < n; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            nonZero = nonZero || text[i] != '0';
        }
    }
    return i == n && (start == 0 || nonZero);
}

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

// Which text of a value: the grid's display text, the edit text, or the
// files' text (the edit text, but floats with every digit and BYTE in hex).
enum class TextKind { Display, Edit, File };

QString variantText(const DbField &field, const QVariant &value, const DbFormatting &fmt, TextKind kind)
{
    if (field.isCalculated())
        return value.toString();
    if (kind == TextKind::File && field.type() == DbFieldType::Float)
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    if (kind == TextKind::File && field.type() == DbFieldType::Blob)
        return QString::fromLatin1(value.toByteArray().toHex());
    return kind == TextKind::Display ? DbDisplayText(field.column(), value, fmt)
                                     : DbEditText(field.column(), value, fmt);
}

// One format: lines before the records and the line of the current record.
// A record's values come as cells, from the forward-only query itself or
// made here from the fields' QVariants; the common types are formatted from
// the cell, anything else through the fields' QString texts.
class FormatWriter {
public:
    virtual ~FormatWriter() = default;
    virtual void begin(const DbQuery &query, Sink &sink) = 0;
    virtual void record(Sink &sink) = 0;
    // The line of a row read earlier (a copy of the query's cells).
    void record(const DbCellRow &row, Sink &sink)
    {
        m_given = &row;
        record(sink);
        m_given = nullptr;
    }

protected:
    std::vector<const DbField *> m_fields;  // all of them, hidden ones too (the text table: the visible ones)
    DbFormatting m_fmt;

    void takeFields(const DbQuery &query)
    {
        for (int i = 0; i < query.fieldCount(); ++i)
            m_fields.push_back(&query.field(i));
        m_fmt = query.formatting();
        m_query = &query;
    }
    // Takes the current record's values.
    void loadRecord()
    {
        // Once, the first time: a writer may narrow m_fields in begin().
        if (m_slots.size() != m_fields.size()) {
            m_slots.resize(m_fields.size());
            for (const DbField *f : m_fields) {
                m_cellOf.push_back(size_t(f->index()));
                m_calculated.push_back(f->isCalculated());
            }
        }
        m_row = m_given ? m_given : m_query->currentCells();
        m_direct = m_row != nullptr;
        if (m_direct)
            return;
        m_own.clear();
        for (const DbField *f : m_fields)
            m_own.addVariant(f->value());
        m_row = &m_own;
    }
    bool isNull(size_t k) const { return !m_calculated[k] && cell(k).kind == DbCell::Kind::Null; }
    // Field k's text of the current record as UTF-8; valid until the next
    // call for the same field.
    QByteArrayView text(size_t k, TextKind kind)
    {
        const DbField &f = *m_fields[k];
        if (f.isCalculated())
            return encode(k, f.value().toString());
        const DbCell &c = cell(k);
        switch (f.type()) {
        case DbFieldType::SmallInt:
        case DbFieldType::Integer:
        case DbFieldType::BigInt:
            if (c.kind == DbCell::Kind::Integer) {
                char *const digits = slot(k).digits;
                const auto end = std::to_chars(digits, digits + sizeof Slot::digits, c.integer).ptr;
                return {digits, end - digits};
            }
            break;
        case DbFieldType::Float:
            if (c.kind == DbCell::Kind::Float) {
                std::string &chars = slot(k).chars;
                chars.clear();
                if (appendDouble(chars, c.real, kind == TextKind::File))
                    return {chars.data(), qsizetype(chars.size())};
            }
            break;
        case DbFieldType::Decimal:
        case DbFieldType::Money:
            // MONEY's display text carries the currency: the general path.
            if (c.kind == DbCell::Kind::Text && (f.type() == DbFieldType::Decimal || kind != TextKind::Display)
                && f.column().scale >= 0 && isAtScale(m_row->view(c), f.column().scale))
                return m_row->view(c);
            break;
        case DbFieldType::Date:
            if (c.kind == DbCell::Kind::Date) {
                std::string &chars = slot(k).chars;
                chars.clear();
                AppendDbDate(chars, c.integer, m_fmt.dbdate);
                return {chars.data(), qsizetype(chars.size())};
            }
            break;
        case DbFieldType::Boolean:
            if (c.kind == DbCell::Kind::Boolean)
                return c.integer ? "t" : "f";
            break;
        case DbFieldType::Blob:
            if (c.kind == DbCell::Kind::Bytes && kind != TextKind::File)
                return "(BYTE)";
            if (c.kind == DbCell::Kind::Bytes) {
                QByteArray &scratch = slot(k).scratch;
                scratch = m_row->view(c).toByteArray().toHex();
                return scratch;
            }
            break;
        case DbFieldType::Time:
            break;
        default:
            // Text as read, bytes that are not UTF-8 too: the files keep the
            // data (the text table turns them into U+FFFD as the grid does).
            if (c.kind == DbCell::Kind::Text)
                return m_row->view(c);
            break;
        }
        return encode(k, variantText(f, m_row->variant(cellIndex(k)), m_fmt, kind));
    }
    QByteArrayView encode(size_t k, const QString &text)
    {
        QByteArray &scratch = slot(k).scratch;
        scratch = text.toUtf8();
        return scratch;
    }

private:
    size_t cellIndex(size_t k) const { return m_direct ? m_cellOf[k] : k; }
    const DbCell &cell(size_t k) const { return m_row->cells[cellIndex(k)]; }

    const DbQuery *m_query = nullptr;
    const DbCellRow *m_given = nullptr;
    const DbCellRow *m_row = nullptr;
    bool m_direct = false;
    std::vector<size_t> m_cellOf;     // field k's cell in the query's own rows
    std::vector<char> m_calculated;   // per field
    DbCellRow m_own;
    // Where field k's text is made when it is not the cell's own bytes; a
    // slot per field, so a record's texts can be taken all before writing.
    struct Slot {
        QByteArray scratch;
        std::string chars;
        char digits[24];
    };
    Slot &slot(size_t k) { return m_slots[k]; }
    std::vector<Slot> m_slots;
};

// Appends `text`, each byte that is `special` doubled (`escape` 0) or
// preceded by `escape`; the plain runs between go in one piece.
template <typename Special>
void appendEscaped(std::string &out, QByteArrayView text, Special special, char escape)
{
    const char *p = text.data();
    const char *const end = p + text.size();
    while (p < end) {
        const char *q = p;
        while (q < end && !special(*q))
            ++q;
        out.append(p, size_t(q - p));
        if (q == end)
            break;
        out += escape ? escape : *q;
        out += *q;
        p = q + 1;
    }
}

class TextWriter : public FormatWriter {
public:
    void begin(const DbQuery &query, Sink &sink) override
    {
        takeFields(query);
        m_layout = std::make_unique<TextTableLayout>(query);
        m_fields.clear();
        for (const TextTableLayout::Column &c : m_layout->columns())
            m_fields.push_back(c.field);
        sink.add(m_layout->headerLine() + QLatin1Char('\n'));
        sink.add(m_layout->separatorLine() + QLatin1Char('\n'));
    }
    void record(Sink &sink) override
    {
        loadRecord();
        std::string &out = sink.buffer;
        const size_t start = out.size();
        const std::vector<TextTableLayout::Column> &columns = m_layout->columns();
        for (size_t k = 0; k < columns.size(); ++k) {
            const TextTableLayout::Column &c = columns[k];
            qsizetype length = 0;
            if (c.field->hasDisplayHook() || c.field->isCalculated()) {
                length = appendCut(out, c.field->displayText(), c.displayWidth);
            } else if (!isNull(k)) {
                const QByteArrayView t = text(k, TextKind::Display);
                if (isAscii(t)) {
                    length = qMin<qsizetype>(t.size(), c.displayWidth);
                    append(out, t.first(length));
                } else {
                    length = appendCut(out, QString::fromUtf8(t), c.displayWidth);
                }
            }
            out.append(size_t(c.width + 1 - length), ' ');
        }
        // Trailing blanks and controls go, as from every line of the table.
        size_t end = out.size();
        while (end > start && uchar(out[end - 1]) <= 32)
            --end;
        out.resize(end);
        out += '\n';
        sink.endLine();
    }

private:
    static qsizetype appendCut(std::string &out, QString text, int width)
    {
        text.truncate(width);
        const QByteArray bytes = text.toUtf8();
        append(out, bytes);
        return text.size();
    }
    std::unique_ptr<TextTableLayout> m_layout;
};

class ScriptWriter : public FormatWriter {
public:
    explicit ScriptWriter(QString table) : m_table(std::move(table)) {}
    void begin(const DbQuery &query, Sink &) override
    {
        takeFields(query);
        QStringList names;
        for (const DbField *f : m_fields)
            names << SqlName(f->name(), SqlNameStyle::Delimident);
        m_prefix = (QStringLiteral("INSERT INTO ") + m_table + QStringLiteral(" (") + names.join(QLatin1Char(','))
                    + QStringLiteral(") \r\n     VALUES ("))
                       .toStdString();
    }
    // The values' texts first, then the line in one piece of known length:
    // appending piece by piece cost more than making the texts.
    void record(Sink &sink) override
    {
        loadRecord();
        const size_t n = m_fields.size();
        m_values.resize(n);
        m_quoted.resize(n);
        size_t length = m_prefix.size() + n + 3;
        for (size_t k = 0; k < n; ++k) {
            // BYTE has no SQL literal: its edit text makes the statement fail
            // rather than insert something else.
            const DbFieldType type = m_fields[k]->type();
            m_quoted[k] = 0;
            if (isNull(k)) {
                m_values[k] = "NULL";
            } else if (isNumber(type)) {
                m_values[k] = text(k, TextKind::File);
            } else if (type == DbFieldType::Blob) {
                m_values[k] = text(k, TextKind::Edit);
            } else {
                m_values[k] = text(k, TextKind::Edit);
                m_quoted[k] = 1 + countQuotes(m_values[k]);
            }
            length += size_t(m_values[k].size()) + (m_quoted[k] ? m_quoted[k] + 1 : 0);
        }
        std::string &out = sink.buffer;
        const size_t at = out.size();
        out.resize(at + length);
        char *p = out.data() + at;
        p = put(p, m_prefix.data(), m_prefix.size());
        for (size_t k = 0; k < n; ++k) {
            if (k > 0)
                *p++ = ',';
            const QByteArrayView v = m_values[k];
            if (!m_quoted[k]) {
                p = put(p, v.data(), size_t(v.size()));
                continue;
            }
            *p++ = '\'';
            if (m_quoted[k] == 1) {
                p = put(p, v.data(), size_t(v.size()));
            } else {
                for (const char c : v) {
                    *p++ = c;
                    if (c == '\'')
                        *p++ = c;
                }
            }
            *p++ = '\'';
        }
        p = put(p, ");\r\n", 4);
        Q_ASSERT(p == out.data() + out.size());
        sink.endLine();
    }

private:
    static char *put(char *p, const char *text, size_t n)
    {
        if (n > 0)
            std::memcpy(p, text, n);
        return p + n;
    }
    static size_t countQuotes(QByteArrayView text)
    {
        size_t count = 0;
        const char *p = text.data();
        const char *const end = p + text.size();
        while (p != end && (p = static_cast<const char *>(std::memchr(p, '\'', size_t(end - p)))) != nullptr) {
            ++count;
            ++p;
        }
        return count;
    }

    QString m_table;
    std::string m_prefix;
    std::vector<QByteArrayView> m_values;
    std::vector<size_t> m_quoted;  // 0: not quoted, else 1 + the quotes inside
};

class SqdWriter : public FormatWriter {
public:
    SqdWriter(QString table, QString keyTable, std::function<QStringList(const QString &)> key)
        : m_table(std::move(table)), m_keyTable(std::move(keyTable)), m_key(std::move(key)) {}
    void begin(const DbQuery &query, Sink &sink) override
    {
        const QString banner = QLatin1Char(';') + QString(76, QLatin1Char('*'));
        sink.add(QStringLiteral("ZRTSQD1\r\n\r\n") + banner + kCrLf + QStringLiteral("; ") + m_table + kCrLf + banner
                 + kCrLf + QStringLiteral("Table: ") + m_table + kCrLf);
        sink.add(keyLine() + kCrLf);
        takeFields(query);
        QString names;
        for (size_t k = 0; k < m_fields.size(); ++k) {
            const DbField *f = m_fields[k];
            m_widths.push_back(qMax(f->displayWidth(), int(f->name().size())));
            if (k > 0)
                names += QStringLiteral(", ");
            names += f->name().leftJustified(m_widths.back());
        }
        sink.add(TrimTrailingControls(names) + kCrLf);
    }
    void record(Sink &sink) override
    {
        loadRecord();
        std::string &out = sink.buffer;
        const size_t start = out.size();
        for (size_t k = 0; k < m_fields.size(); ++k) {
            if (k > 0)
                out += ", ";
            const DbFieldType type = m_fields[k]->type();
            const size_t at = out.size();
            if (isNull(k)) {
                out += "NULL";
            } else if (quoted(type)) {
                out += '\'';
                append(out, text(k, TextKind::Edit));
                out += '\'';
            } else {
                append(out, text(k, isNumber(type) ? TextKind::File : TextKind::Edit));
            }
            const qsizetype length = utf16Length({out.data() + at, qsizetype(out.size() - at)});
            if (length < m_widths[k])
                out.append(size_t(m_widths[k] - length), ' ');
        }
        size_t end = out.size();
        while (end > start && uchar(out[end - 1]) <= 32)
            --end;
        out.resize(end);
        out += "\r\n";
        sink.endLine();
    }

private:
    static bool quoted(DbFieldType type)
    {
        return type == DbFieldType::String || type == DbFieldType::Date || type == DbFieldType::Time
            || type == DbFieldType::DateTime;
    }
    QString keyLine() const
    {
        try {
            const QStringList key = m_key ? m_key(m_keyTable) : QStringList();
            return QStringLiteral("PrimaryKey: ") + key.join(QLatin1Char(','));
        } catch (...) {
            return QStringLiteral(";PrimaryKey: unknown");
        }
    }

    QString m_table;
    QString m_keyTable;  // as the catalog names it
    std::function<QStringList(const QString &)> m_key;
    std::vector<int> m_widths;
};

class CsvWriter : public FormatWriter {
public:
    void begin(const DbQuery &query, Sink &sink) override
    {
        takeFields(query);
        std::string &out = sink.buffer;
        for (size_t k = 0; k < m_fields.size(); ++k) {
            if (k > 0)
                out += ',';
            appendCell(out, m_fields[k]->name().toUtf8());
        }
        out += "\r\n";
        sink.endLine();
    }
    void record(Sink &sink) override
    {
        loadRecord();
        std::string &out = sink.buffer;
        for (size_t k = 0; k < m_fields.size(); ++k) {
            if (k > 0)
                out += ',';
            if (isNull(k))
                continue;
            const QByteArrayView t = text(k, TextKind::File);
            if (t.isEmpty())
                out += "\"\"";
            else
                appendCell(out, t);
        }
        out += "\r\n";
        sink.endLine();
    }

private:
    static void appendCell(std::string &out, QByteArrayView text)
    {
        bool plain = true;
        for (const char c : text)
            plain = plain && c != ',' && c != '"' && c != '\r' && c != '\n';
        if (plain)
            return append(out, text);
        out += '"';
        appendEscaped(out, text, [](char c) { return c == '"'; }, 0);
        out += '"';
    }
};

class UnloadWriter : public FormatWriter {
public:
    explicit UnloadWriter(QChar delimiter) : m_delimiterUtf8(QString(delimiter).toStdString()) {}
    void begin(const DbQuery &query, Sink &) override { takeFields(query); }
    void record(Sink &sink) override
    {
        loadRecord();
        std::string &out = sink.buffer;
        for (size_t k = 0; k < m_fields.size(); ++k) {
            if (!isNull(k)) {
                const QByteArrayView t = text(k, TextKind::File);
                if (t.isEmpty())
                    out += "\\ ";
                else
                    appendValue(out, t);
            }
            out += m_delimiterUtf8;
        }
        out += '\n';
        sink.endLine();
    }

private:
    void appendValue(std::string &out, QByteArrayView text) const
    {
        if (m_delimiterUtf8.size() == 1) {
            const char delimiter = m_delimiterUtf8[0];
            appendEscaped(out, text, [delimiter](char c) { return c == delimiter || c == '\\' || c == '\n'; }, '\\');
            return;
        }
        // A delimiter of several bytes is matched as bytes, so text that is
        // not UTF-8 passes unchanged.
        const std::string_view delimiter = m_delimiterUtf8;
        const char *p = text.data();
        const char *const end = p + text.size();
        while (p < end) {
            if (*p == '\\' || *p == '\n') {
                out += '\\';
                out += *p++;
            } else if (size_t(end - p) >= delimiter.size() && delimiter.compare(0, delimiter.size(), p, delimiter.size()) == 0) {
                out += '\\';
                out += delimiter;
                p += delimiter.size();
            } else {
                out += *p++;
            }
        }
    }
    std::string m_delimiterUtf8;
};

QString tableSql(const ExportTable &t)
{
    if (t.name.isEmpty())
        return kUnknownTable;
    QString text;
    if (!t.database.isEmpty()) {
        text = SqlName(t.database, SqlNameStyle::Delimident);
        if (!t.server.isEmpty())
            text += QLatin1Char('@') + SqlName(t.server, SqlNameStyle::Delimident);
        text += QLatin1Char(':');
    }
    return text + SqlName(t.owner, t.name, SqlNameStyle::Delimident);
}

std::unique_ptr<FormatWriter> makeWriter(const ExportOptions &o)
{
    const QString table = o.tableName.isEmpty() ? kUnknownTable : o.tableName;
    switch (o.format) {
    case ExportFormat::Text: return std::make_unique<TextWriter>();
    case ExportFormat::Script: return std::make_unique<ScriptWriter>(tableSql(o.table));
    case ExportFormat::Sqd: return std::make_unique<SqdWriter>(table, o.table.name, o.primaryKey);
    case ExportFormat::Csv: return std::make_unique<CsvWriter>();
    case ExportFormat::Unload: break;
    }
    if (!IsValidUnloadDelimiter(o.delimiter))
        throw DbError(QStringLiteral("The character '%1' cannot delimit an UNLOAD file").arg(o.delimiter));
    return std::make_unique<UnloadWriter>(o.delimiter);
}

} // namespace

QString ExportTableName(const QString &sql)
{
    const qsizetype at = sql.toUpper().indexOf(QStringLiteral(" FROM "));
    if (at < 0)
        return {};
    return ExtractDelimitedField(1, sql.mid(at + 6), QStringLiteral(" ,\r\n"), QLatin1Char('"'));
}

ExportTable ExportTableOf(const QString &sql)
{
    const qsizetype at = sql.toUpper().indexOf(QStringLiteral(" FROM "));
    if (at < 0)
        return {};
    qsizetype i = at + 6;
    const auto charAt = [&](qsizetype k) { return k < sql.size() ? sql.at(k) : QChar(); };
    // One part: bare, or in double (an owner also single) quotes.
    const auto part = [&](QString &out) {
        const QChar quote = charAt(i);
        if (quote == QLatin1Char('"') || quote == QLatin1Char('\'')) {
            for (++i; i < sql.size(); ++i) {
                if (sql.at(i) != quote) {
                    out += sql.at(i);
                } else if (charAt(i + 1) == quote) {
                    out += quote;
                    ++i;
                } else {
                    ++i;
                    return !out.isEmpty();
                }
            }
            return false;
        }
        const qsizetype start = i;
        while (i < sql.size() && (sql.at(i).isLetterOrNumber() || sql.at(i) == QLatin1Char('_') || sql.at(i) == QLatin1Char('$')))
            ++i;
        out = sql.mid(start, i - start).toLower();
        return !out.isEmpty();
    };
    ExportTable t;
    QString first;
    if (!part(first))
        return {};
    if (charAt(i) == QLatin1Char('@') || charAt(i) == QLatin1Char(':')) {
        t.database = first;
        first.clear();
        if (charAt(i) == QLatin1Char('@')) {
            ++i;
            if (!part(t.server))
                return {};
        }
        if (charAt(i) != QLatin1Char(':'))
            return {};
        ++i;
        if (!part(first))
            return {};
    }
    if (charAt(i) == QLatin1Char('.')) {
        t.owner = first;
        ++i;
        if (!part(t.name))
            return {};
    } else {
        t.name = first;
    }
    const QChar end = charAt(i);
    if (!end.isNull() && !end.isSpace() && end != QLatin1Char(';') && end != QLatin1Char(',') && end != QLatin1Char(')'))
        return {};
    static const QRegularExpression clause(QStringLiteral("^\\s*(;|$|(where|order|group|having|into|for)\\b)"),
                                           QRegularExpression::CaseInsensitiveOption);
    t.alone = clause.match(sql.mid(i)).hasMatch();
    return t;
}

QString ExportDefaultFileName(const QString &tableName, ExportFormat format)
{
    if (tableName.isEmpty())
        return {};
    switch (format) {
    case ExportFormat::Script: return tableName + QStringLiteral(".sql");
    case ExportFormat::Sqd: return tableName + QStringLiteral(".sqd");
    case ExportFormat::Csv: return tableName + QStringLiteral(".csv");
    case ExportFormat::Unload: return tableName + QStringLiteral(".unl");
    case ExportFormat::Text: break;
    }
    return tableName + QStringLiteral(".txt");
}

QString ExportSavingStatusText() { return QStringLiteral("Saving query to file..."); }

QString ExportSavedStatusText(const QString &fileName)
{
    return QStringLiteral("Query saved to file [") + fileName + QStringLiteral("].");
}

QString ExportResult::message() const
{
    if (!failure)
        return {};
    try {
        std::rethrow_exception(failure);
    } catch (const DbError &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown failure");
    }
}

QString ExportResult::report(const QString &context) const
{
    if (!failure)
        return {};
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception &e) {
        return DbErrorReport(e, context);
    } catch (...) {
        return DbErrorReport(DbError(QStringLiteral("Unknown failure")), context);
    }
}

namespace {

// Rows read on the caller's thread are formatted and written on another:
// reading and formatting take about as long each, so a large export takes
// the time of the slower one instead of both. Copies of the rows go over in
// batches, a few in flight, so memory stays flat.
class WritingThread {
public:
    WritingThread(FormatWriter &writer, Sink &sink)
        : m_thread([this, &writer, &sink] { run(writer, sink); })
    {
    }
    ~WritingThread() { finish(); }
    WritingThread(const WritingThread &) = delete;
    WritingThread &operator=(const WritingThread &) = delete;

    // Takes a copy of the row; false once writing has failed.
    bool add(const DbCellRow &row)
    {
        if (m_filling.size() == m_used)
            m_filling.emplace_back();
        m_filling[m_used++] = row;  // into a buffer used before: no allocation
        return m_used < kBatch ? !m_failed : hand();
    }
    // Writes what was added and waits; the failure of the writing side.
    std::exception_ptr finish()
    {
        if (m_thread.joinable()) {
            hand();
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_done = true;
            }
            m_ready.notify_all();
            m_thread.join();
        }
        return m_failure;
    }

private:
    static constexpr size_t kBatch = 256;
    static constexpr size_t kInFlight = 4;
    struct Batch {
        std::vector<DbCellRow> rows;
        size_t used = 0;
    };

    bool hand()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_space.wait(lock, [this] { return m_queue.size() < kInFlight || m_failed; });
        if (m_failed)
            return false;
        if (m_used > 0) {
            m_queue.push_back({std::move(m_filling), m_used});
            m_filling.clear();
            m_used = 0;
            if (!m_spare.empty()) {
                m_filling = std::move(m_spare.back());
                m_spare.pop_back();
            }
            m_ready.notify_one();
        }
        return true;
    }
    void run(FormatWriter &writer, Sink &sink)
    {
        for (;;) {
            Batch batch;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_ready.wait(lock, [this] { return !m_queue.empty() || m_done; });
                if (m_queue.empty())
                    break;
                batch = std::move(m_queue.front());
                m_queue.pop_front();
            }
            m_space.notify_one();
            if (!m_failed) {
                try {
                    for (size_t i = 0; i < batch.used; ++i)
                        writer.record(batch.rows[i], sink);
                } catch (...) {
                    fail(std::current_exception());
                }
            }
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_spare.push_back(std::move(batch.rows));
        }
        if (!m_failed) {
            try {
                sink.flush();
            } catch (...) {
                fail(std::current_exception());
            }
        }
    }
    void fail(std::exception_ptr failure)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_failure = std::move(failure);
            m_failed = true;
        }
        m_space.notify_all();
    }

    std::vector<DbCellRow> m_filling;  // the caller's batch
    size_t m_used = 0;
    std::mutex m_mutex;
    std::condition_variable m_ready;  // a batch to write, or the end
    std::condition_variable m_space;  // room for a batch, or a failure
    std::deque<Batch> m_queue;
    std::vector<std::vector<DbCellRow>> m_spare;  // written batches' buffers
    bool m_done = false;
    std::atomic<bool> m_failed{false};
    std::exception_ptr m_failure;
    std::thread m_thread;  // last: starts once the rest is made
};

// Whether every value of a record comes from the query's cells: a computed
// field or a display hook reads the query's current row, which moves on
// while the writing thread works.
bool cellsOnly(const DbQuery &query)
{
    for (int i = 0; i < query.fieldCount(); ++i)
        if (query.field(i).isCalculated() || query.field(i).hasDisplayHook())
            return false;
    return true;
}

} // namespace

ExportResult WriteQuery(DbQuery &query, QIODevice &out, const ExportOptions &options, const ExportProgress &progress)
{
    ExportResult result;
    DbBookmark mark = -1;
    bool controlsDisabled = false;
    Sink sink(out);
    try {
        std::unique_ptr<FormatWriter> writer = makeWriter(options);
        if (!query.forwardOnly())
            mark = query.bookmark();
        query.disableControls();
        controlsDisabled = true;
        query.first();
        writer->begin(query, sink);
        const bool threaded = query.forwardOnly() && query.currentCells() && cellsOnly(query);
        if (threaded) {
            WritingThread writing(*writer, sink);
            std::exception_ptr readFailure;
            try {
                while (!query.eof()) {
                    const DbCellRow *cells = query.currentCells();
                    if (!cells)
                        throw DbError(QStringLiteral("The row is not available"));
                    if (!writing.add(*cells))
                        break;
                    if (++result.records % 256 == 0 && progress && !progress(result.records)) {
                        result.stopped = true;
                        break;
                    }
                    query.next();
                }
            } catch (...) {
                readFailure = std::current_exception();
            }
            if (std::exception_ptr writeFailure = writing.finish())
                std::rethrow_exception(writeFailure);
            if (readFailure)
                std::rethrow_exception(readFailure);
        }
        while (!threaded && !query.eof()) {
            writer->record(sink);
            if (++result.records % 256 == 0 && progress && !progress(result.records)) {
                result.stopped = true;
                break;
            }
            query.next();
        }
        sink.flush();
    } catch (...) {
        result.failure = std::current_exception();
        try {
            sink.flush();  // what was made stays, as for a failure while writing
        } catch (...) {
        }
    }
    try {
        if (mark >= 0)
            query.gotoBookmark(mark);
    } catch (...) {
    }
    try {
        if (controlsDisabled)
            query.enableControls();
    } catch (...) {
    }
    return result;
}

ExportResult WriteQueryToFile(DbQuery &query, const QString &fileName, const ExportOptions &options,
                              const ExportProgress &progress)
{
    OutputFile file(fileName);
    if (!file.open()) {
        ExportResult result;
        result.failure = std::make_exception_ptr(
            DbError(QStringLiteral("Cannot create %1: %2").arg(fileName, file.errorString())));
        return result;
    }
    ExportResult result = WriteQuery(query, file, options, progress);
    if (!result.ok()) {
        file.cancel();
        return result;
    }
    if (!file.commit())
        result.failure = std::make_exception_ptr(
            DbError(QStringLiteral("Cannot write %1: %2").arg(fileName, file.errorString())));
    return result;
}

QStringList SqdKeyColumns(const DbQuery *table, const DbQuery *indexes, const QString &tableName)
{
    if (!table || !indexes || !table->isOpen() || !indexes->isOpen())
        return {};
    if (table->fieldByName(QStringLiteral("tabname")).asString() != tableName)
        return {};
    QStringList key;
    for (int i = 1; i <= 16; ++i) {
        const DbField &part = indexes->fieldByName(QStringLiteral("colname") + QString::number(i));
        if (part.isNull())
            break;
        key << part.asString();
    }
    return key;
}

bool IsValidUnloadDelimiter(QChar c)
{
    if (c.isNull() || c == QLatin1Char('\\') || c == QLatin1Char('\n') || c == QLatin1Char('\r')
        || c == QLatin1Char(' '))
        return false;
    const char16_t u = c.unicode();
    return !((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F'));
}

QChar DefaultUnloadDelimiter()
{
    const QString env = qEnvironmentVariable("DBDELIMITER");
    return env.size() == 1 && IsValidUnloadDelimiter(env[0]) ? env[0] : QLatin1Char('|');
}

} // namespace quodlin
