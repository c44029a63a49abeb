#include "output/exportwriter.h"

#include "app/externalprograms.h"
#include "app/textutil.h"
#include "db/dberror.h"
#include "db/dbformat.h"
#include "db/dbquery.h"
#include "output/textrender.h"

#include <QLocale>
#include <QSaveFile>
#include <QStringEncoder>

#include <memory>
#include <vector>

namespace quodlin {

namespace {

const QString kUnknownTable = QStringLiteral("unknown");
const QString kCrLf = QStringLiteral("\r\n");

// Lines gathered as UTF-8 and handed to the device in large pieces: one
// write per line costs more than making the line.
class Sink {
public:
    explicit Sink(QIODevice &out) : m_out(out) { m_buffer.reserve(kFlushAt + 4096); }
    void add(QStringView text)
    {
        const qsizetype at = m_buffer.size();
        m_buffer.resize(at + m_encoder.requiredSpace(text.size()));
        char *end = m_encoder.appendToBuffer(m_buffer.data() + at, text);
        m_buffer.resize(end - m_buffer.constData());
        if (m_buffer.size() >= kFlushAt)
            flush();
    }
    void flush()
    {
        if (m_buffer.isEmpty())
            return;
        if (m_out.write(m_buffer) != m_buffer.size())
            throw DbError(QStringLiteral("Cannot write the file: %1").arg(m_out.errorString()));
        m_buffer.clear();
    }

private:
    static constexpr qsizetype kFlushAt = 256 * 1024;
    QIODevice &m_out;
    QByteArray m_buffer;
    QStringEncoder m_encoder{QStringEncoder::Utf8};
};

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

// The value as the files hold it: the edit text, except that floats keep
// every digit (the edit text rounds to 15) and BYTE is hexadecimal. One read
// of the value serves the NULL test and the text.
QString fileText(const DbField &field, const QVariant &value, const DbFormatting &fmt)
{
    if (field.isCalculated())
        return value.toString();
    if (field.type() == DbFieldType::Float)
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    if (field.type() == DbFieldType::Blob)
        return QString::fromLatin1(value.toByteArray().toHex());
    return DbEditText(field.column(), value, fmt);
}

QString editText(const DbField &field, const QVariant &value, const DbFormatting &fmt)
{
    return field.isCalculated() ? value.toString() : DbEditText(field.column(), value, fmt);
}

void appendQuotedDoubling(QString &line, const QString &text)
{
    line += QLatin1Char('\'');
    if (!text.contains(QLatin1Char('\''))) {
        line += text;
    } else {
        for (QChar c : text) {
            if (c == QLatin1Char('\''))
                line += QLatin1Char('\'');
            line += c;
        }
    }
    line += QLatin1Char('\'');
}

// One format: lines before the records and the line of the current record.
class FormatWriter {
public:
    virtual ~FormatWriter() = default;
    virtual void begin(const DbQuery &query, Sink &sink) = 0;
    virtual void record(Sink &sink) = 0;

protected:
    std::vector<const DbField *> m_fields;  // all of them, hidden ones too
    DbFormatting m_fmt;
    void takeFields(const DbQuery &query)
    {
        for (int i = 0; i < query.fieldCount(); ++i)
            m_fields.push_back(&query.field(i));
        m_fmt = query.formatting();
    }
};

class TextWriter : public FormatWriter {
public:
    void begin(const DbQuery &query, Sink &sink) override
    {
        m_layout = std::make_unique<TextTableLayout>(query);
        sink.add(m_layout->headerLine() + QLatin1Char('\n'));
        sink.add(m_layout->separatorLine() + QLatin1Char('\n'));
    }
    void record(Sink &sink) override { sink.add(m_layout->recordLine() + QLatin1Char('\n')); }

private:
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
            names << f->name();
        m_prefix = QStringLiteral("INSERT INTO ") + m_table + QStringLiteral(" (") + names.join(QLatin1Char(','))
            + QStringLiteral(") \r\n     VALUES (");
    }
    void record(Sink &sink) override
    {
        m_line = m_prefix;
        bool first = true;
        for (const DbField *f : m_fields) {
            if (!first)
                m_line += QLatin1Char(',');
            first = false;
            // BYTE has no SQL literal: its edit text makes the statement fail
            // rather than insert something else.
            const QVariant v = f->value();
            if (!v.isValid())
                m_line += QStringLiteral("NULL");
            else if (isNumber(f->type()))
                m_line += fileText(*f, v, m_fmt);
            else if (f->type() == DbFieldType::Blob)
                m_line += editText(*f, v, m_fmt);
            else
                appendQuotedDoubling(m_line, editText(*f, v, m_fmt));
        }
        m_line += QStringLiteral(");\r\n");
        sink.add(m_line);
    }

private:
    QString m_table;
    QString m_prefix;
    QString m_line;
};

class SqdWriter : public FormatWriter {
public:
    SqdWriter(QString table, std::function<QStringList(const QString &)> key)
        : m_table(std::move(table)), m_key(std::move(key)) {}
    void begin(const DbQuery &query, Sink &sink) override
    {
        const QString banner = QLatin1Char(';') + QString(76, QLatin1Char('*'));
        sink.add(QStringLiteral("ZRTSQD1\r\n\r\n") + banner + kCrLf + QStringLiteral("; ") + m_table + kCrLf + banner
                 + kCrLf + QStringLiteral("Table: ") + m_table + kCrLf);
        sink.add(keyLine() + kCrLf);
        takeFields(query);
        QStringList names;
        for (const DbField *f : m_fields) {
            m_widths.push_back(qMax(f->displayWidth(), int(f->name().size())));
            names << f->name();
        }
        sink.add(line(names) + kCrLf);
    }
    void record(Sink &sink) override
    {
        QStringList cells;
        for (const DbField *f : m_fields) {
            const QVariant v = f->value();
            if (!v.isValid())
                cells << QStringLiteral("NULL");
            else if (quoted(f->type()))
                cells << QLatin1Char('\'') + editText(*f, v, m_fmt) + QLatin1Char('\'');
            else if (isNumber(f->type()))
                cells << fileText(*f, v, m_fmt);
            else
                cells << editText(*f, v, m_fmt);
        }
        sink.add(line(cells) + kCrLf);
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
            const QStringList key = m_key ? m_key(m_table) : QStringList();
            return QStringLiteral("PrimaryKey: ") + key.join(QLatin1Char(','));
        } catch (...) {
            return QStringLiteral(";PrimaryKey: unknown");
        }
    }
    QString line(const QStringList &cells) const
    {
        QString text;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (i > 0)
                text += QStringLiteral(", ");
            text += cells[i].leftJustified(m_widths[size_t(i)]);
        }
        return TrimTrailingControls(text);
    }

    QString m_table;
    std::function<QStringList(const QString &)> m_key;
    std::vector<int> m_widths;
};

class CsvWriter : public FormatWriter {
public:
    void begin(const DbQuery &query, Sink &sink) override
    {
        takeFields(query);
        QStringList names;
        for (const DbField *f : m_fields)
            names << cell(f->name());
        sink.add(names.join(QLatin1Char(',')) + kCrLf);
    }
    void record(Sink &sink) override
    {
        m_line.clear();
        bool first = true;
        for (const DbField *f : m_fields) {
            if (!first)
                m_line += QLatin1Char(',');
            first = false;
            const QVariant v = f->value();
            if (!v.isValid())
                continue;
            const QString text = fileText(*f, v, m_fmt);
            m_line += text.isEmpty() ? QStringLiteral("\"\"") : cell(text);
        }
        m_line += kCrLf;
        sink.add(m_line);
    }

private:
    static QString cell(const QString &text)
    {
        bool plain = true;
        for (QChar c : text)
            plain = plain && c != QLatin1Char(',') && c != QLatin1Char('"') && c != QLatin1Char('\r')
                && c != QLatin1Char('\n');
        if (plain)
            return text;
        QString quoted = text;
        quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    QString m_line;
};

class UnloadWriter : public FormatWriter {
public:
    explicit UnloadWriter(QChar delimiter) : m_delimiter(delimiter) {}
    void begin(const DbQuery &query, Sink &) override { takeFields(query); }
    void record(Sink &sink) override
    {
        m_line.clear();
        for (const DbField *f : m_fields) {
            const QVariant v = f->value();
            if (v.isValid()) {
                const QString text = fileText(*f, v, m_fmt);
                if (text.isEmpty())
                    m_line += QStringLiteral("\\ ");
                else
                    appendEscaped(text);
            }
            m_line += m_delimiter;
        }
        m_line += QLatin1Char('\n');
        sink.add(m_line);
    }

private:
    void appendEscaped(const QString &text)
    {
        for (QChar c : text) {
            if (c == m_delimiter || c == QLatin1Char('\\') || c == QLatin1Char('\n'))
                m_line += QLatin1Char('\\');
            m_line += c;
        }
    }
    QChar m_delimiter;
    QString m_line;
};

std::unique_ptr<FormatWriter> makeWriter(const ExportOptions &o)
{
    const QString table = o.tableName.isEmpty() ? kUnknownTable : o.tableName;
    switch (o.format) {
    case ExportFormat::Text: return std::make_unique<TextWriter>();
    case ExportFormat::Script: return std::make_unique<ScriptWriter>(table);
    case ExportFormat::Sqd: return std::make_unique<SqdWriter>(table, o.primaryKey);
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
        while (!query.eof()) {
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
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        ExportResult result;
        result.failure = std::make_exception_ptr(
            DbError(QStringLiteral("Cannot create %1: %2").arg(fileName, file.errorString())));
        return result;
    }
    ExportResult result = WriteQuery(query, file, options, progress);
    if (!result.ok()) {
        file.cancelWriting();
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
