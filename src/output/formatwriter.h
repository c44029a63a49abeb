#pragma once
// What the five export formats share; exportwriter.cpp drives them, each
// format's writer lives in a file of its own. Lines are made as UTF-8 into a
// Sink; a writer takes a record's values from the query's cells (or from a
// copy of them made for the writing thread) and their texts from DbCellText,
// so a value reads the same in every format and in the grid.
#include "app/outputfile.h"
#include "db/dberror.h"
#include "db/dbformat.h"
#include "db/dbquery.h"
#include "output/exportwriter.h"

#include <QIODevice>
#include <QStringEncoder>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quodlin::exporting {

// The table a script or SQD file names when the statement names none.
inline const QString kUnknownTable = QStringLiteral("unknown");

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
    // Ends the line begun at `start` with `eol`, its trailing blanks and
    // controls dropped.
    void endTrimmedLine(size_t start, std::string_view eol)
    {
        size_t end = buffer.size();
        while (end > start && uchar(buffer[end - 1]) <= 32)
            --end;
        buffer.resize(end);
        buffer += eol;
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

inline void AppendBytes(std::string &out, QByteArrayView text) { out.append(text.data(), size_t(text.size())); }

inline bool IsNumberType(DbFieldType type)
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

// Appends `text`, each byte that is `special` doubled (`escape` 0) or
// preceded by `escape`; the plain runs between go in one piece.
template <typename Special>
void AppendEscaped(std::string &out, QByteArrayView text, Special special, char escape)
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
    void loadRecord();
    bool isNull(size_t k) const { return !m_calculated[k] && cell(k).kind == DbCell::Kind::Null; }
    // Field k's text of the current record as UTF-8; valid until the next
    // call for the same field.
    QByteArrayView text(size_t k, DbTextKind kind)
    {
        const DbField &f = *m_fields[k];
        if (f.isCalculated())
            return encode(k, f.value().toString());
        return DbCellText(f.column(), *m_row, cellIndex(k), m_fmt, kind, m_slots[k]);
    }
    QByteArrayView encode(size_t k, const QString &text)
    {
        QByteArray &scratch = m_slots[k].scratch;
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
    // A buffer per field, so a record's texts can be taken all before writing.
    std::vector<DbTextBuffer> m_slots;
};

// The formats, set up from the export's options.
std::unique_ptr<FormatWriter> MakeTextWriter(const ExportOptions &options);
std::unique_ptr<FormatWriter> MakeScriptWriter(const ExportOptions &options);
std::unique_ptr<FormatWriter> MakeSqdWriter(const ExportOptions &options);
std::unique_ptr<FormatWriter> MakeCsvWriter(const ExportOptions &options);
std::unique_ptr<FormatWriter> MakeUnloadWriter(const ExportOptions &options);

} // namespace quodlin::exporting
