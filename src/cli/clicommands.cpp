#include "cli/clicommands.h"

#include "app/externalprograms.h"
#include "app/outputfile.h"
#include "db/aliasconfig.h"
#include "db/dbdatabase.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"
#include "engine/demo.h"
#include "catalog/catalogqueries.h"
#include "output/editorfiles.h"
#include "output/exportwriter.h"
#include "workspace/loadunload.h"
#include "workspace/queryexec.h"
#include "workspace/queryhistory.h"
#include "workspace/statementsplitter.h"

#include <QElapsedTimer>
#include <QFile>

namespace quodlin::cli {

namespace {

const QString kCliDatabaseName = QStringLiteral("QuodlinCli");

QString report(const std::exception &failure, const QString &context) { return CliReport(failure, context); }

// The first line of a statement that is not a comment, to name it in a message.
QString firstCodeLine(const QString &statement)
{
    for (const QString &line : statement.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty() && !line.trimmed().startsWith(QLatin1String("--")))
            return line.trimmed();
    return statement.section(QLatin1Char('\n'), 0, 0);
}

QString userOf(const CliOptions &o) { return CliUser(o); }

QString passwordOf(const CliOptions &o)
{
    return o.password ? *o.password : qEnvironmentVariable("QUODLIN_PASSWORD");
}

// The SQD key columns of the one table a SELECT reads: the first index as
// the browser lists it (the catalog's own index statement). None when the
// statement reads several tables, another database's or the name is not one
// table's.
QStringList keyColumnsOf(DbDatabase &db, const ExportTable &tableRead)
{
    if (tableRead.name.isEmpty() || !tableRead.alone || !tableRead.database.isEmpty())
        return {};
    const QString &name = tableRead.name;
    QString owner = tableRead.owner;
    auto query = [&](const QString &text) {
        auto q = std::make_unique<DbQuery>(db.session());
        q->setDatabaseName(db.databaseName());
        q->setSql(text);
        return q;
    };
    if (owner.isEmpty()) {
        const auto owners = query(QStringLiteral("select owner from systables where tabname = :tabname"));
        owners->setParam(QStringLiteral("tabname"), name);
        owners->open();
        if (owners->isEmpty())
            return {};
        owner = owners->field(0).asString();
        owners->next();
        if (!owners->eof())
            return {};  // the same name under several owners
    }
    const auto table = query(FindCatalogQuery(QStringLiteral("qryTable"))->sql);
    table->setParam(QStringLiteral("tabname"), name);
    table->setParam(QStringLiteral("owner"), owner);
    const auto indexes = query(FindCatalogQuery(QStringLiteral("qryTableIndexes"))->sql);
    indexes->setMaster(table.get());
    table->open();
    indexes->open();
    return SqdKeyColumns(table.get(), indexes.get(), name);
}

// The statements of one text, run in order on one database component; the
// rows of each go to `out` in the format asked for, UNLOAD and LOAD run on
// the client. The first failure stops the run.
int runStatements(DbDatabase &db, const QString &text, QIODevice &out, ExportFormat format, QTextStream &err,
                  const QString &context, HistoryEntry &history)
{
    bool printedResult = false;
    for (const SqlStatementSpan &statement : SplitSqlStatements(text)) {
        try {
            if (const std::optional<ClientStatement> client = ParseClientStatement(statement.text)) {
                // Messages go to the error stream so that the output holds rows only.
                err << RunClientStatement(db.session(), db.databaseName(), *client).message << '\n';
                continue;
            }
        } catch (const std::exception &failure) {
            NoteHistoryFailure(history, failure);
            err << report(failure, context) << '\n';
            return 1;
        }
        DbQuery query(db.session());
        query.setDatabaseName(db.databaseName());
        query.setForwardOnly(true);
        try {
            query.setSql(statement.text);
            query.open();
        } catch (const DbNoResultSet &) {
            history.rows = RowCountText(statement.text, 0).isEmpty() ? -1 : query.rowsAffected();
            continue;
        } catch (const std::exception &failure) {
            NoteHistoryFailure(history, failure);
            err << report(failure, context) << '\n';
            return 1;
        }
        if (printedResult && format == ExportFormat::Text)
            out.write("\n");
        ExportOptions options;
        options.format = format;
        options.tableName = ExportTableName(statement.text);
        options.delimiter = DefaultUnloadDelimiter();
        options.table = ExportTableOf(statement.text);
        options.primaryKey = [&](const QString &) { return keyColumnsOf(db, options.table); };
        const ExportResult written = WriteQuery(query, out, options);
        history.rows = written.records;
        if (written.failure) {
            try {
                std::rethrow_exception(written.failure);
            } catch (const std::exception &failure) {
                NoteHistoryFailure(history, failure);
            } catch (...) {
                history.outcome = HistoryOutcome::Error;
            }
            err << written.report(context).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << '\n';
            return 1;
        }
        printedResult = true;
        query.close();
    }
    return 0;
}

std::optional<ExportFormat> formatNamed(const QString &name)
{
    static const std::pair<const char *, ExportFormat> kFormats[] = {
        {"text", ExportFormat::Text}, {"script", ExportFormat::Script}, {"sqd", ExportFormat::Sqd},
        {"csv", ExportFormat::Csv}, {"unload", ExportFormat::Unload}};
    for (const auto &[word, format] : kFormats)
        if (name == QLatin1String(word))
            return format;
    return std::nullopt;
}

} // namespace

QString CliReport(const std::exception &failure, const QString &context)
{
    // Plain line ends, as a terminal wants them.
    return DbErrorReport(failure, context).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString CliUser(const CliOptions &o) { return o.user ? *o.user : GetLoginUserName(); }

QStringList ConnectionParams(const CliOptions &o)
{
    QStringList params;
    if (o.alias.isEmpty())
        params << QStringLiteral("SERVER NAME=") + o.server << QStringLiteral("DATABASE NAME=") + o.database;
    params << QStringLiteral("USER NAME=") + CliUser(o) << QStringLiteral("PASSWORD=") + passwordOf(o);
    return params;
}

int RunAliases(QTextStream &out, QTextStream &err)
{
    try {
        for (const QString &name : DbSession::defaultSession().databaseNames())
            out << name << '\n';
        return 0;
    } catch (const std::exception &failure) {
        err << report(failure, QStringLiteral("quodlin-cli.aliases")) << '\n';
        return 1;
    }
}

int RunCreateDb(const CliOptions &o, QTextStream &out, QTextStream &err)
{
    if (o.arguments.size() != 1) {
        err << "createdb takes one database name\n" << kUsage;
        return 2;
    }
    const QString name = o.arguments.first();
    if (!EmbeddedDriver::isValidDatabaseName(name)) {
        err << "Invalid database name: " << name << '\n' << kUsage;
        return 2;
    }
    DbSession &session = DbSession::defaultSession();
    const QString context = QStringLiteral("quodlin-cli.createdb");
    // The database is made whole in a temporary file and put in place, and
    // only then is its alias added: a failure or a kill leaves neither.
    int failed = 0;
    int total = 0;
    const auto loadDemo = [&](IDbConnection &connection) {
        // One transaction: a commit per statement would wait for the disk
        // 583 times (3 s instead of 0.3 s), and a failure discards the file.
        connection.execute(QStringLiteral("BEGIN WORK"), {});
        // Statement by statement, so that every one the engine cannot run
        // yet is reported.
        for (const SqlStatementSpan &statement : SplitSqlStatements(QString::fromUtf8(engine::demoScript()))) {
            ++total;
            try {
                connection.execute(statement.text, {});
            } catch (const std::exception &failure) {
                ++failed;
                err << "Demo statement " << total << " failed: " << firstCodeLine(statement.text) << '\n'
                    << report(failure, context) << '\n';
            }
        }
        if (failed)
            throw DbError(QStringLiteral("%1 of %2 demo statements failed; nothing was created.").arg(failed).arg(total));
        connection.execute(QStringLiteral("COMMIT WORK"), {});
    };
    try {
        AliasConfig config = session.aliasConfig();
        if (config.find(name)) {
            err << "An alias named " << name << " exists already; nothing was created.\n";
            return 1;
        }
        auto *driver = dynamic_cast<EmbeddedDriver *>(session.driver(QStringLiteral("EMBEDDED")));
        if (!driver) {
            err << "The embedded driver is not available.\n";
            return 1;
        }
        driver->createDatabase(name, userOf(o), o.demo ? std::function<void(IDbConnection &)>(loadDemo) : nullptr);
        config.aliases << DbAlias{name, QStringLiteral("EMBEDDED"), {QStringLiteral("DATABASE NAME=") + name}};
        try {
            config.save(session.aliasFile());
        } catch (...) {
            QFile::remove(driver->databasePath(name));
            throw;
        }
    } catch (const std::exception &failure) {
        err << report(failure, context) << '\n';
        return 1;
    }
    out << "Created database " << name << " and its alias.\n";
    if (o.demo)
        out << "Loaded the demo (" << total << " statements).\n";
    return 0;
}

int RunSql(const CliOptions &o, QTextStream &out, QTextStream &err)
{
    if (o.alias.isEmpty() && o.server.isEmpty()) {
        err << "sql needs a database: -d ALIAS or -s SERVER -D DATABASE\n" << kUsage;
        return 2;
    }
    if (o.arguments.size() > 1 || (!o.arguments.isEmpty() && !o.file.isEmpty())) {
        err << "sql takes one text or -f FILE\n" << kUsage;
        return 2;
    }
    const std::optional<ExportFormat> format = formatNamed(o.format.isEmpty() ? QStringLiteral("text") : o.format);
    if (!format) {
        err << "--format is one of text, script, sqd, csv, unload\n" << kUsage;
        return 2;
    }
    QString text;
    if (!o.file.isEmpty()) {
        QString error;
        if (!ReadEditorText(o.file, text, &error)) {
            err << error << '\n';
            return 1;
        }
    } else if (!o.arguments.isEmpty()) {
        text = o.arguments.first();
    } else {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly)) {
            err << "Cannot read the standard input\n";
            return 1;
        }
        text = DecodeEditorText(in.readAll());
    }

    const QString context = QStringLiteral("quodlin-cli.sql");
    DbDatabase db(DbSession::defaultSession());
    if (o.alias.isEmpty())
        db.setDriverName(kInformixDriverName);
    else
        db.setAliasName(o.alias);
    try {
        db.setDatabaseName(kCliDatabaseName);
        db.setParams(ConnectionParams(o));
        db.open();
    } catch (const std::exception &failure) {
        err << report(failure, context) << '\n';
        return 1;
    }
    out.flush();
    // The text is recorded as the windows record a run, whatever became of the output.
    HistoryEntry history;
    history.text = RedactSecrets(text);
    history.connection = HistoryConnectionName(db);
    history.started = QDateTime::currentDateTimeUtc();
    QElapsedTimer clock;
    clock.start();
    const auto run = [&](QIODevice &device) {
        const int status = runStatements(db, text, device, *format, err, context, history);
        history.durationMs = clock.elapsed();
        RecordHistory(history);
        WaitForHistory();
        return status;
    };
    if (o.out.isEmpty()) {
        QFile standardOutput;
        if (!standardOutput.open(stdout, QIODevice::WriteOnly)) {
            err << "Cannot write the standard output\n";
            return 1;
        }
        return run(standardOutput);
    }
    // A file appears only when every statement ran and every row was written
    // (a device or FIFO is written as the rows come).
    OutputFile file(o.out);
    if (!file.open()) {
        err << "Cannot create " << o.out << ": " << file.errorString() << '\n';
        return 1;
    }
    const int status = run(file);
    if (status != 0) {
        file.cancel();
        return status;
    }
    if (!file.commit()) {
        err << "Cannot write " << o.out << ": " << file.errorString() << '\n';
        return 1;
    }
    return 0;
}

} // namespace quodlin::cli
