#include "output/formatwriter.h"

namespace quodlin::exporting {

namespace {

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
                const QByteArrayView t = text(k, DbTextKind::File);
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
            AppendEscaped(out, text, [delimiter](char c) { return c == delimiter || c == '\\' || c == '\n'; }, '\\');
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

} // namespace

std::unique_ptr<FormatWriter> MakeUnloadWriter(const ExportOptions &options)
{
    if (!IsValidUnloadDelimiter(options.delimiter))
        throw DbError(QStringLiteral("The character '%1' cannot delimit an UNLOAD file").arg(options.delimiter));
    return std::make_unique<UnloadWriter>(options.delimiter);
}

} // namespace quodlin::exporting
