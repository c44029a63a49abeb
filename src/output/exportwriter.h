#pragma once
// Result sets written out as they are read: the text table, INSERT scripts,
// SQD files, CSV and Informix UNLOAD files. Every window command ("Save as
// Script...", "Save as SQD...", "Save as CSV...", "Save as UNLOAD..."), the
// UNLOAD statement and quodlin-cli use these writers.
//
// A writer walks an open query from its first record to its end and writes
// each line as soon as it is made, so with a forward-only query
// (DbQuery::setForwardOnly) memory does not grow with the row count. Files go
// through OutputFile: the new file replaces the old one only when everything
// was written; a failure or a stop leaves any old file as it was (a device or
// FIFO is written directly).
// Afterwards the query is back on the record that was current before (not
// for a forward-only query) and its detail queries did not follow the walk.
//
// Formats (all text UTF-8; a text value read forward only whose bytes are
// not UTF-8 keeps its bytes in every format but Text, which shows U+FFFD as
// the grid does; a value's trailing blanks are kept unless its column is
// CHAR, whose padding the access layer drops):
//  Text    the text table of QueryToTextLines, lines ended by LF.
//  Script  per record "INSERT INTO t (a,b) \r\n     VALUES (1,'x');\r\n",
//          table and field names through SqlName (a name that needs it
//          delimited, for a session with DELIMIDENT), all fields, NULL unquoted, strings, dates, times, date-times,
//          intervals, TEXT and booleans quoted with inner quotes doubled;
//          BYTE and BLOB, which have no SQL literal, as their edit texts
//          "(BYTE)" and "(BLOB)", so the statement fails rather than insert
//          something else; CLOB is text.
//  Sqd     the "ZRTSQD1" header with the table and key line, a column line
//          and one line per record, cells padded to the larger of display
//          width and name length and joined by ", ", CR LF; inner quotes are
//          kept as they are (the format's own rule).
//  Csv     RFC 4180: a header line of field names, then the records, CR LF;
//          NULL an empty field, an empty string "".
//  Unload  Informix UNLOAD: each value followed by the delimiter, LF;
//          backslash escapes the delimiter, a backslash and a newline; NULL an
//          empty field, an empty string a backslash and a blank; dates in
//          DBDATE, DECIMAL and MONEY at scale without currency, BYTE and BLOB in hex.
// Numbers are written exactly (floats in their shortest round-trip form).
#include <QChar>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>

class QIODevice;

namespace quodlin {

class DbQuery;

enum class ExportFormat { Text, Script, Sqd, Csv, Unload };

// The table name of the script and SQD exports: the first word after the
// first " FROM " of the SQL text (found upper-cased, taken as typed), ended
// by a blank, comma, CR or LF outside double quotes; a word wholly in double
// quotes loses them. Empty when there is none.
QString ExportTableName(const QString &sql);
// The same word as the table the catalog names: [database[@server]:][owner.]name,
// each part bare (folded to lower case, as the server folds it) or in double
// quotes (taken as written, doubled quotes undone). Empty name when the word
// is no such reference. `alone` tells that nothing after it names another
// table (it ends the statement or WHERE, ORDER BY, GROUP BY, HAVING, INTO or
// FOR follows).
struct ExportTable {
    QString database, server, owner, name;
    bool alone = false;
};
ExportTable ExportTableOf(const QString &sql);
// The file name the save dialogs propose: the table name with ".sql" or
// ".sqd"; empty without a table name.
QString ExportDefaultFileName(const QString &tableName, ExportFormat format);

// "Saving query to file..." while writing; "Query saved to file [NAME]."
// afterwards (only when the file was written).
QString ExportSavingStatusText();
QString ExportSavedStatusText(const QString &fileName);

struct ExportOptions {
    ExportFormat format = ExportFormat::Script;
    // SQD: the table the header names, as typed (ExportTableName); empty
    // means "unknown".
    QString tableName;
    // Script: the table the INSERT statements name (ExportTableOf), every
    // part written as SqlName writes it for DELIMIDENT; no name gives "unknown".
    ExportTable table;
    // SQD: the key columns of the table, asked with table.name (the name as
    // the catalog has it), e.g. through SqdKeyColumns, for the line
    // "PrimaryKey: a,b". Unset or empty gives "PrimaryKey: "; raising
    // anything gives ";PrimaryKey: unknown".
    std::function<QStringList(const QString &tableName)> primaryKey;
    // Unload: the field delimiter (DELIMITER clause, else DBDELIMITER, else '|').
    QChar delimiter = QLatin1Char('|');
};

// Asked every few hundred records with the count written so far; false stops.
using ExportProgress = std::function<bool(qint64 records)>;

struct ExportResult {
    qint64 records = 0;
    bool stopped = false;          // the progress callback said stop
    std::exception_ptr failure;    // the cursor's or the file's failure
    bool ok() const { return !stopped && !failure; }
    // The failure's message, and its report (DbErrorReport) under `context`
    // such as "TMainForm.QueryToScriptFile"; empty without a failure.
    QString message() const;
    QString report(const QString &context) const;
};

// Writes to an open device (standard output, a buffer); what was written
// before a failure or stop stays there.
ExportResult WriteQuery(DbQuery &query, QIODevice &out, const ExportOptions &options,
                        const ExportProgress &progress = {});
// Writes `fileName` atomically (see above).
ExportResult WriteQueryToFile(DbQuery &query, const QString &fileName, const ExportOptions &options,
                              const ExportProgress &progress = {});

// The SQD key columns as the object browser knows them: when `table` (one
// row with field tabname) and `indexes` (fields colname1..colname16) are both
// open and tabname equals `tableName` exactly, the names of the current index
// row up to its first NULL part; else none. Raises what reading them raises.
QStringList SqdKeyColumns(const DbQuery *table, const DbQuery *indexes, const QString &tableName);

// Whether `c` can delimit an UNLOAD file: not a backslash, line end, blank
// or hexadecimal digit (BYTE values are hex), nor a NUL.
bool IsValidUnloadDelimiter(QChar c);
// The delimiter from the environment's DBDELIMITER, else '|'.
QChar DefaultUnloadDelimiter();

} // namespace quodlin
