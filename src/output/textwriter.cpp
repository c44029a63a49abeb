#include "output/formatwriter.h"

#include "output/textrender.h"

namespace quodlin::exporting {

namespace {

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
                const QByteArrayView t = text(k, DbTextKind::Display);
                if (isAscii(t)) {
                    length = qMin<qsizetype>(t.size(), c.displayWidth);
                    AppendBytes(out, t.first(length));
                } else {
                    length = appendCut(out, QString::fromUtf8(t), c.displayWidth);
                }
            }
            out.append(size_t(c.width + 1 - length), ' ');
        }
        // Trailing blanks and controls go, as from every line of the table.
        sink.endTrimmedLine(start, "\n");
    }

private:
    static qsizetype appendCut(std::string &out, QString text, int width)
    {
        text.truncate(width);
        const QByteArray bytes = text.toUtf8();
        AppendBytes(out, bytes);
        return text.size();
    }
    std::unique_ptr<TextTableLayout> m_layout;
};

} // namespace

std::unique_ptr<FormatWriter> MakeTextWriter(const ExportOptions &) { return std::make_unique<TextWriter>(); }

} // namespace quodlin::exporting
