#include "output/formatwriter.h"

namespace quodlin::exporting {

namespace {

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
            const QByteArrayView t = text(k, DbTextKind::File);
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
            return AppendBytes(out, text);
        out += '"';
        AppendEscaped(out, text, [](char c) { return c == '"'; }, 0);
        out += '"';
    }
};

} // namespace

std::unique_ptr<FormatWriter> MakeCsvWriter(const ExportOptions &) { return std::make_unique<CsvWriter>(); }

} // namespace quodlin::exporting
