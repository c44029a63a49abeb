#include "output/formatwriter.h"

#include "db/sqlname.h"

#include <cstring>

namespace quodlin::exporting {

namespace {

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
            } else if (IsNumberType(type)) {
                m_values[k] = text(k, DbTextKind::File);
            } else if (type == DbFieldType::Blob) {
                m_values[k] = text(k, DbTextKind::Edit);
            } else {
                m_values[k] = text(k, DbTextKind::Edit);
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

} // namespace

std::unique_ptr<FormatWriter> MakeScriptWriter(const ExportOptions &options)
{
    return std::make_unique<ScriptWriter>(tableSql(options.table));
}

} // namespace quodlin::exporting
