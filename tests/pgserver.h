#pragma once
// A private PostgreSQL server for a test or benchmark program: initdb into a
// temporary folder, a free loopback port, a password user, and a unixODBC
// data source for it in ini files of our own (ODBCSYSINI/ODBCINI), never the
// system's. Postgres refuses to run as root, so as root the server runs as
// `nobody` and owns its folder. A watchdog stops the server when this
// process ends, however it ends.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quodlin::test {

class PgServer {
public:
    static constexpr const char *kUser = "quodlin_tester";
    static constexpr const char *kPassword = "s3cret pass";
    static constexpr const char *kDsn = "pgtest";

    // Empty on success, else why the server could not be started.
    QString start()
    {
        const QString bin = binDir();
        if (bin.isEmpty())
            return QStringLiteral("no PostgreSQL server binaries (apt-get install postgresql)");
        m_bin = bin;
        const QString odbc = odbcLibrary();
        if (odbc.isEmpty())
            return QStringLiteral("no PostgreSQL ODBC driver (apt-get install odbc-postgresql)");
        if (!m_dir.isValid())
            return QStringLiteral("no temporary folder");
        m_port = freePort();
        const QString base = m_dir.path();
        m_data = base + QStringLiteral("/data");
        const QString pwfile = base + QStringLiteral("/pw");
        writeFile(pwfile, kPassword);
        if (geteuid() == 0) {
            // The server's user must reach its folder and nothing of ours.
            for (const QString &path : {base, pwfile})
                if (!run(QStringLiteral("chown"), {QStringLiteral("nobody:nogroup"), path}).isEmpty())
                    return QStringLiteral("cannot give %1 to nobody").arg(path);
        }
        QString error = runAsServer(QStringLiteral("initdb"),
                                    {QStringLiteral("-D"), m_data, QStringLiteral("-U"), QLatin1String(kUser),
                                     QStringLiteral("--pwfile=") + pwfile, QStringLiteral("-A"),
                                     QStringLiteral("scram-sha-256"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                                     QStringLiteral("--no-locale"), QStringLiteral("-N")});
        if (!error.isEmpty())
            return error;
        if (!(error = resume()).isEmpty())
            return error;
        watch();
        const QByteArray ini = (base + QStringLiteral("/odbc")).toUtf8();
        QDir().mkpath(QString::fromUtf8(ini));
        writeFile(ini + "/odbcinst.ini", "[PostgreSQL]\nDriver=" + odbc.toUtf8() + "\nDontDLClose=1\n");
        // Cursor fetching keeps a large result on the server; booleans as
        // BIT and bytea as binary, not as the driver's defaults (text and
        // large objects).
        writeFile(ini + "/odbc.ini",
                  QByteArray("[") + kDsn + "]\nDriver=PostgreSQL\nServername=127.0.0.1\nPort="
                      + QByteArray::number(m_port) + "\nDatabase=postgres\nUseDeclareFetch=1\nFetch=500\n"
                      "BoolsAsChar=0\nByteaAsLongVarBinary=1\n");
        qputenv("ODBCSYSINI", ini);
        qputenv("ODBCINI", ini + "/odbc.ini");
        return {};
    }

    // Stops the server at once (clients see their connection go).
    QString stop()
    {
        return runAsServer(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), m_data, QStringLiteral("-m"),
                                                      QStringLiteral("immediate"), QStringLiteral("-w"),
                                                      QStringLiteral("stop")});
    }
    // Starts a stopped server again on the same port.
    QString resume()
    {
        const QString options = QStringLiteral("-c listen_addresses=127.0.0.1 -p %1 -c unix_socket_directories='' "
                                               "-c fsync=off -c full_page_writes=off")
                                    .arg(m_port);
        return runAsServer(QStringLiteral("pg_ctl"),
                           {QStringLiteral("-D"), m_data, QStringLiteral("-l"), m_dir.path() + QStringLiteral("/log"),
                            QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-o"),
                            options, QStringLiteral("start")});
    }
    ~PgServer()
    {
        if (!m_data.isEmpty() && QFile::exists(m_data + QStringLiteral("/postmaster.pid")))
            stop();
    }

    int port() const { return m_port; }
    // Parameter lines of the data source with the user and password.
    static QStringList params()
    {
        return {QStringLiteral("DSN=") + QLatin1String(kDsn), QStringLiteral("USER NAME=") + QLatin1String(kUser),
                QStringLiteral("PASSWORD=") + QLatin1String(kPassword)};
    }
    // A port nobody listens on: bound and let go.
    static int freePort()
    {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof addr;
        bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &length);
        close(fd);
        return ntohs(addr.sin_port);
    }

private:
    static QString binDir()
    {
        QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        std::sort(versions.begin(), versions.end(), [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
        for (const QString &v : versions)
            if (QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(v)))
                return QStringLiteral("/usr/lib/postgresql/%1/bin").arg(v);
        return {};
    }
    static QString odbcLibrary()
    {
        for (const char *path : {"/usr/lib/x86_64-linux-gnu/odbc/psqlodbca.so", "/usr/lib/aarch64-linux-gnu/odbc/psqlodbca.so",
                                 "/usr/lib/odbc/psqlodbca.so"})
            if (QFile::exists(QLatin1String(path)))
                return QLatin1String(path);
        return {};
    }
    static void writeFile(const QString &path, const QByteArray &text)
    {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
    }
    // Empty when the program ran and exited 0, else its output.
    static QString run(const QString &program, const QStringList &args)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        if (!p.waitForFinished(120000))
            return program + QStringLiteral(" did not finish");
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(p.readAll());
        return {};
    }
    QString runAsServer(const QString &tool, const QStringList &args) const
    {
        const QString program = m_bin + QLatin1Char('/') + tool;
        if (geteuid() != 0)
            return run(program, args);
        return run(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("nobody"),
                                                          QStringLiteral("--"), program} + args);
    }
    // Stops the server and removes its folder once this process is gone,
    // even after a crash.
    void watch() const
    {
        const QString stopLine = (geteuid() == 0 ? QStringLiteral("runuser -u nobody -- ") : QString())
            + m_bin + QStringLiteral("/pg_ctl -D '") + m_data + QStringLiteral("' -m immediate stop");
        QProcess::startDetached(
            QStringLiteral("sh"),
            {QStringLiteral("-c"),
             QStringLiteral("while kill -0 %1 2>/dev/null; do sleep 1; done; %2 >/dev/null 2>&1; rm -rf '%3'")
                 .arg(QCoreApplication::applicationPid())
                 .arg(stopLine, m_dir.path())});
    }

    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/quodlin-pg-XXXXXX")};
    QString m_bin;
    QString m_data;
    int m_port = 0;
};

} // namespace quodlin::test
