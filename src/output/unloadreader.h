#pragma once
// Reads an Informix UNLOAD file record by record (LOAD), in flat memory.
//
// A record ends at a newline that no backslash escapes; its values are split
// at the delimiter, and a backslash makes the next character plain (the
// delimiter, a backslash, a newline). An empty value is NULL; a value that is
// exactly a backslash and a blank is the empty string. The delimiter that
// Informix writes after the last value is optional, a CR before the record's
// newline is dropped (files edited on Windows) and empty lines are skipped.
//
// A record longer than kMaxLoadRecordBytes (escapes and delimiters counted)
// is refused: the whole record is held in memory, and a file that is no
// UNLOAD file (/dev/zero, a binary file) would otherwise take all of it.
// 256 MB is far beyond the longest Informix row (32,767 bytes) and leaves
// room for TEXT and BYTE values of over 100 MB (BYTE is written in hex).
#include "db/dbtypes.h"

#include <QByteArray>
#include <QChar>

class QIODevice;

namespace quodlin {

inline constexpr qint64 kMaxLoadRecordBytes = qint64(256) << 20;

class UnloadReader {
public:
    // `delimiter` must pass IsValidUnloadDelimiter and be ASCII.
    UnloadReader(QIODevice &in, QChar delimiter, qint64 maxRecordBytes = kMaxLoadRecordBytes);
    // The next record's values as Text cells (UTF-8 as in the file), or Null;
    // false at the end of the file. Raises DbError when the device fails or
    // the record is too long (naming the line it begins on).
    bool next(DbCellRow &values);
    // The 1-based line on which the last record began.
    qint64 recordLine() const { return m_recordLine; }

private:
    bool fill();

    QIODevice &m_in;
    char m_delimiter;
    qint64 m_maxRecordBytes;
    QByteArray m_buffer;
    qsizetype m_at = 0;
    qint64 m_line = 1;
    qint64 m_recordLine = 0;
};

} // namespace quodlin
