#include "db/dberror.h"

#include <QStringList>

namespace quodlin {

DbError::DbError(QString message)
    : m_message(std::move(message)), m_what(m_message.toStdString())
{
}

DbNoResultSet::DbNoResultSet()
    : DbError(kNoResultSetMessage)
{
}

DbEngineError::DbEngineError(QString message, QList<DbErrorEntry> stack, int errorOffset)
    : DbError(std::move(message)), m_stack(std::move(stack)), m_errorOffset(errorOffset)
{
}

namespace {

QString numberWithHex(qint64 decimal, quint32 bits)
{
    return QString::number(decimal) + QStringLiteral(" (0x")
        + QString::number(bits, 16).toUpper() + QLatin1Char(')');
}

QString failureMessage(const std::exception &failure)
{
    if (const auto *db = dynamic_cast<const DbError *>(&failure))
        return db->message();
    return QString::fromUtf8(failure.what());
}

} // namespace

QString DbErrorReport(const std::exception &failure, const QString &context)
{
    QStringList lines;
    const auto *engine = dynamic_cast<const DbEngineError *>(&failure);
    if (!engine) {
        lines << QStringLiteral("  Error: ") + failureMessage(failure);
    } else {
        lines << QStringLiteral("Database Error in [") + context + QStringLiteral("]:");
        if (engine->stack().isEmpty())
            lines << QStringLiteral("  Error: ") + engine->message();
        for (const DbErrorEntry &e : engine->stack()) {
            lines << QStringLiteral("  Error Code: ") + numberWithHex(e.errorCode, e.errorCode);
            lines << QStringLiteral("  Native Code: ")
                    + numberWithHex(e.nativeCode, static_cast<quint32>(e.nativeCode));
            if (!e.sqlState.isEmpty())
                lines << QStringLiteral("  SQLSTATE: ") + e.sqlState;
            lines << QStringLiteral("  Error: ") + e.message;
        }
    }
    QString text = lines.join(QStringLiteral("\r\n"));
    while (text.endsWith(QLatin1Char('\r')) || text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

FailureSummary SummarizeFailure(const std::exception &failure)
{
    if (const auto *engineError = dynamic_cast<const DbEngineError *>(&failure))
        return {engineError->nativeCode(),
                engineError->stack().isEmpty() ? engineError->message() : engineError->stack().first().message};
    if (const auto *error = dynamic_cast<const DbError *>(&failure))
        return {0, error->message()};
    return {0, QString::fromLocal8Bit(failure.what())};
}

} // namespace quodlin
