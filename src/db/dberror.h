#pragma once
// Failures of the database access layer and the one text in which every
// database failure is reported to the user.
//
// DbError is a failure of the layer itself (an operation on a closed result
// set, a missing database component, a malformed alias file): it carries a
// message only. DbEngineError is a failure reported by a server or driver: it
// also carries the error stack, first reported entry first, and the character
// offset of the fault in the statement text where the driver knows it.
#include <QList>
#include <QString>
#include <QtGlobal>

#include <exception>
#include <string>

namespace quodlin {

// The layer's own error codes (the "Error Code" of a stack entry).
enum DbErrorCode : quint16 {
    kDbErrServer = 0x3301,      // an SQL error reported by the server; native = its number
    kDbErrIsam = 0x3302,        // the ISAM error that accompanies an SQL error
    kDbErrDriver = 0x3303,      // a driver diagnostic without an Informix meaning
    kDbErrConnect = 0x2101,     // the connection could not be made
};

struct DbErrorEntry {
    DbErrorEntry(quint16 code = 0, qint32 native = 0, QString text = {}, QString state = {})
        : errorCode(code), nativeCode(native), message(std::move(text)), sqlState(std::move(state)) {}
    quint16 errorCode;
    qint32 nativeCode;
    QString message;
    QString sqlState;       // the ODBC driver's five-character SQLSTATE; empty from the engine
};

class DbError : public std::exception {
public:
    explicit DbError(QString message);
    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return m_what.c_str(); }

private:
    QString m_message;
    std::string m_what;
};

// Raised by a query's open when the statement ran but returns no rows; the
// message is the one callers compare with.
class DbNoResultSet : public DbError {
public:
    DbNoResultSet();
};
inline const QString kNoResultSetMessage = QStringLiteral("Error creating cursor handle");

class DbEngineError : public DbError {
public:
    DbEngineError(QString message, QList<DbErrorEntry> stack, int errorOffset = -1);
    const QList<DbErrorEntry> &stack() const { return m_stack; }
    // 0-based character offset of the fault in the statement text; -1 when unknown.
    int errorOffset() const { return m_errorOffset; }
    // The first entry's native code (the server's error number), 0 without entries.
    qint32 nativeCode() const { return m_stack.isEmpty() ? 0 : m_stack.first().nativeCode; }

private:
    QList<DbErrorEntry> m_stack;
    int m_errorOffset;
};

// The server's error number (0 when the failure has none) and the failure's
// first message, for one-line summaries.
struct FailureSummary {
    qint32 code = 0;
    QString message;
};
FailureSummary SummarizeFailure(const std::exception &failure);

// The multi-line report (CR LF between lines, none at the end). A failure that
// carries an error stack gets the "Database Error in [context]:" header and
// three lines per entry (four with an SQLSTATE); any other failure is the
// single "  Error: " line.
QString DbErrorReport(const std::exception &failure, const QString &context);

} // namespace quodlin
