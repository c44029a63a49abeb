#include "output/unloadreader.h"

#include "db/dberror.h"

#include <QIODevice>

namespace quodlin {

namespace {

constexpr qint64 kChunk = 1 << 20;

} // namespace

UnloadReader::UnloadReader(QIODevice &in, QChar delimiter, qint64 maxRecordBytes)
    : m_in(in), m_delimiter(char(delimiter.toLatin1())), m_maxRecordBytes(maxRecordBytes)
{
}

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

bool UnloadReader::next(DbCellRow &values)
{
    std::string &bytes = values.bytes;
    size_t start = 0;             // where the value begins in bytes
    qsizetype raw = 0;            // characters of the value as written, escapes included
    bool escapedBlank = false;    // the value so far is exactly "\ "
    bool crAtEnd = false;         // the value ends in a CR no backslash escaped
    bool anything = false;        // the record has at least one character
    values.clear();
    auto finish = [&] {
        if (raw == 0) {
            values.addNull();
        } else {
            if (escapedBlank && raw == 2)
                bytes.resize(start);
            values.cells.push_back({DbCell::Kind::Text, 0, 0, qsizetype(start), qsizetype(bytes.size() - start)});
        }
        start = bytes.size();
        raw = 0;
        escapedBlank = crAtEnd = false;
    };
    m_recordLine = m_line;
    qint64 taken = 0;  // bytes of the record read so far
    auto take = [&](qint64 n) {
        taken += n;
        if (taken <= m_maxRecordBytes)
            return;
        const QString limit = m_maxRecordBytes % (1 << 20) == 0
            ? QStringLiteral("%1 MB").arg(m_maxRecordBytes >> 20)
            : QStringLiteral("%1 bytes").arg(m_maxRecordBytes);
        throw DbError(QStringLiteral("The record on line %1 of the load file is longer than %2, the most LOAD "
                                     "reads in one record.")
                          .arg(m_recordLine)
                          .arg(limit));
    };
    bool ended = false;
    while (!ended && fill()) {
        // A run of plain characters goes in one piece.
        const char *const from = m_buffer.constData() + m_at;
        const char *const end = m_buffer.constData() + m_buffer.size();
        const char *to = from;
        while (to < end && *to != '\\' && *to != '\n' && *to != m_delimiter)
            ++to;
        if (to > from) {
            take(to - from);
            bytes.append(from, size_t(to - from));
            raw += to - from;
            m_at += to - from;
            anything = true;
            escapedBlank = false;
            crAtEnd = to[-1] == '\r';
            continue;
        }
        const char c = m_buffer[m_at++];
        if (c != '\n')
            take(1);
        if (c == '\\') {
            anything = true;
            if (!fill())
                break;  // a lone backslash at the very end stands for nothing
            const char plain = m_buffer[m_at++];
            if (plain == '\n')
                ++m_line;
            escapedBlank = raw == 0 && plain == ' ';
            crAtEnd = false;
            bytes += plain;
            raw += 2;
        } else if (c == '\n') {
            ++m_line;
            if (anything)
                ended = true;
            else
                m_recordLine = m_line;  // an empty line
        } else {
            anything = true;
            finish();
        }
    }
    if (!anything)
        return false;
    if (crAtEnd) {
        bytes.pop_back();
        --raw;
    }
    // The delimiter after the last value leaves an empty piece behind it.
    if (raw > 0 || values.cells.empty())
        finish();
    return true;
}

} // namespace quodlin
