#include "workspace/builtstatement.h"

#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "db/dbsession.h"
#include "workspace/statementsplitter.h"

namespace quodlin {

IDbConnection &QueryConnection(DbQuery &query)
{
    DbDatabase *db = query.session().findDatabase(query.databaseName());
    if (!db)
        throw DbError(QStringLiteral("Unknown database '%1'").arg(query.databaseName()));
    db->open();
    return *db->connection();
}

SqlNameStyle QueryNameStyle(DbQuery &query)
{
    return SqlNameStyleOf(&QueryConnection(query));
}

void RunBuiltStatement(DbQuery &query, const QString &sql)
{
    if (SplitSqlStatements(sql).size() != 1)
        throw DbError(QStringLiteral("The statement \"%1\" is not one statement; it was not run.").arg(sql));
    query.close();
    query.setSql(sql);
    query.setLive(false);
    try {
        query.execSQL();
    } catch (...) {
        query.close();
        throw;
    }
    query.close();
}

WorkTransaction BeginWork(IDbConnection &connection)
{
    try {
        connection.execute(QStringLiteral("BEGIN WORK"), {});
        return WorkTransaction::Own;
    } catch (const DbEngineError &e) {
        if (e.nativeCode() == -535)
            return WorkTransaction::Users;
        if (e.nativeCode() == -256)
            return WorkTransaction::None;
        throw;
    }
}

} // namespace quodlin
