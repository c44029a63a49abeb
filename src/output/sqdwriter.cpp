#include "output/formatwriter.h"

#include "app/textutil.h"

namespace quodlin::exporting {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The length of valid UTF-8 in UTF-16 code units, as QString counts.
qsizetype utf16Length(QByteArrayView text)
{
    qsizetype n = 0;
    for (const char c : text)
        n += ((uchar(c) & 0xC0) != 0x80) + (uchar(c) >= 0xF0);
    return n;
}

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
                AppendBytes(out, text(k, DbTextKind::Edit));
                out += '\'';
            } else {
                AppendBytes(out, text(k, IsNumberType(type) ? DbTextKind::File : DbTextKind::Edit));
            }
            const qsizetype length = utf16Length({out.data() + at, qsizetype(out.size() - at)});
            if (length < m_widths[k])
                out.append(size_t(m_widths[k] - length), ' ');
        }
        sink.endTrimmedLine(start, "\r\n");
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

} // namespace

std::unique_ptr<FormatWriter> MakeSqdWriter(const ExportOptions &options)
{
    const QString table = options.tableName.isEmpty() ? kUnknownTable : options.tableName;
    return std::make_unique<SqdWriter>(table, options.table.name, options.primaryKey);
}

} // namespace quodlin::exporting
