#include "output/unloadreader.h"

#include "db/dberror.h"

#include <QIODevice>

namespace quodlin {

namespace {

constexpr qint64 kChunk = 1 << 20;

} // namespace

UnloadReader::UnloadReader(QIODevice &in, QChar delimiter) : m_in(in), m_delimiter(char(delimiter.toLatin1())) {}

bool UnloadReader::fill()
{
    if (m_at < m_buffer.size())
        return true;
    m_buffer.resize(kChunk);
    const qint64 got = m_in.read(m_buffer.data(), kChunk);
    if (got < 0)
        throw DbError(QStringLiteral("Cannot read the load file: %1").arg(m_in.errorString()));
    m_buffer.resize(got);
    m_at = 0;
    return got > 0;
}

bool UnloadReader::next(QVariantList &values)
{
    QByteArray field;
    qsizetype raw = 0;            // characters of the value as written, escapes included
    bool escapedBlank = false;    // the value so far is exactly "\ "
    bool crAtEnd = false;         // the value ends in a CR no backslash escaped
    bool anything = false;        // the record has at least one character
    values.clear();
    auto finish = [&] {
        if (raw == 0)
            values << QVariant();
        else if (escapedBlank && raw == 2)
            values << QString(QLatin1String(""));
        else
            values << QString::fromUtf8(field);
        field.clear();
        raw = 0;
        escapedBlank = crAtEnd = false;
    };
    m_recordLine = m_line;
    bool ended = false;
    while (!ended && fill()) {
        const char c = m_buffer[m_at++];
        if (c == '\\') {
            anything = true;
            if (!fill())
                break;  // a lone backslash at the very end stands for nothing
            const char plain = m_buffer[m_at++];
            if (plain == '\n')
                ++m_line;
            escapedBlank = raw == 0 && plain == ' ';
            crAtEnd = false;
            field += plain;
            raw += 2;
        } else if (c == '\n') {
            ++m_line;
            if (anything)
                ended = true;
            else
                m_recordLine = m_line;  // an empty line
        } else if (c == m_delimiter) {
            anything = true;
            finish();
        } else {
            anything = true;
            escapedBlank = false;
            crAtEnd = c == '\r';
            field += c;
            ++raw;
        }
    }
    if (!anything)
        return false;
    if (crAtEnd) {
        field.chop(1);
        --raw;
    }
    // The delimiter after the last value leaves an empty piece behind it.
    if (raw > 0 || values.isEmpty())
        finish();
    return true;
}

} // namespace quodlin
