#include "db/aliasconfig.h"

#include "app/outputfile.h"
#include "app/settings.h"
#include "db/dberror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quodlin {

namespace {

const QString kEmbeddedServerOption = QStringLiteral("EMBEDDED SERVER");
const QString kOdbcDriverOption = QStringLiteral("INFORMIX ODBC DRIVER");
const QString kDriverLine = QStringLiteral("DRIVER");

[[noreturn]] void malformed(const QString &fileName, int line, const QString &what)
{
    throw DbError(QStringLiteral("%1, line %2: %3").arg(fileName).arg(line).arg(what));
}

} // namespace

const DbAlias *AliasConfig::find(const QString &name) const
{
    for (const DbAlias &a : aliases)
        if (a.name.compare(name, Qt::CaseInsensitive) == 0)
            return &a;
    return nullptr;
}

AliasConfig AliasConfig::defaults()
{
    AliasConfig config;
    config.aliases << DbAlias{QStringLiteral("demo"), QStringLiteral("EMBEDDED"),
                              {QStringLiteral("DATABASE NAME=demo"), QStringLiteral("CREATE DEMO=YES")}};
    return config;
}

AliasConfig AliasConfig::parse(const QString &text, const QString &fileName)
{
    AliasConfig config;
    DbAlias *current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        // Every carriage return before the line break goes: a file converted
        // to CRLF twice ends its lines in \r\r\n, and a value ending in \r
        // could not be written back.
        QString line = lines[n];
        while (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (!trimmed.endsWith(QLatin1Char(']')))
                malformed(fileName, n + 1, QStringLiteral("an alias line must end with ']'"));
            const QString name = trimmed.mid(1, trimmed.size() - 2).trimmed();
            if (name.isEmpty())
                malformed(fileName, n + 1, QStringLiteral("the alias name is empty"));
            if (config.find(name))
                malformed(fileName, n + 1, QStringLiteral("the alias %1 is defined twice").arg(name));
            config.aliases << DbAlias{name, {}, {}};
            current = &config.aliases.last();
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || line.left(eq).trimmed().isEmpty())
            malformed(fileName, n + 1, QStringLiteral("expected NAME=value"));
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1);
        if (!current) {
            if (key.compare(kEmbeddedServerOption, Qt::CaseInsensitive) == 0)
                config.embeddedServerName = value.trimmed();
            else if (key.compare(kOdbcDriverOption, Qt::CaseInsensitive) == 0)
                config.informixOdbcDriver = value.trimmed();
            else
                malformed(fileName, n + 1, QStringLiteral("unknown option %1").arg(key));
        } else if (key.compare(kDriverLine, Qt::CaseInsensitive) == 0) {
            current->driver = value.trimmed().toUpper();
            if (current->driver != QLatin1String("EMBEDDED") && current->driver != QLatin1String("ODBC"))
                malformed(fileName, n + 1, QStringLiteral("DRIVER must be EMBEDDED or ODBC"));
        } else {
            current->params << key + QLatin1Char('=') + value;
        }
    }
    for (const DbAlias &a : config.aliases)
        if (a.driver.isEmpty())
            throw DbError(QStringLiteral("%1: the alias %2 has no DRIVER line").arg(fileName, a.name));
    return config;
}

QString AliasConfig::toText() const
{
    QString out = QStringLiteral(
        "; Quodlin database aliases. Options first, then one [alias] section each:\n"
        "; DRIVER=EMBEDDED (DATABASE NAME=) or DRIVER=ODBC (DSN= or CONNECTION STRING=).\n");
    out += kEmbeddedServerOption + QLatin1Char('=') + embeddedServerName + QLatin1Char('\n');
    out += kOdbcDriverOption + QLatin1Char('=') + informixOdbcDriver + QLatin1Char('\n');
    for (const DbAlias &a : aliases) {
        out += QStringLiteral("\n[%1]\n").arg(a.name);
        out += kDriverLine + QLatin1Char('=') + a.driver + QLatin1Char('\n');
        for (const QString &p : a.params)
            out += p + QLatin1Char('\n');
    }
    return out;
}

QString AliasConfig::defaultPath()
{
    return SettingsFolder() + QStringLiteral("/aliases.conf");
}

AliasConfig AliasConfig::load(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        AliasConfig config = defaults();
        config.save(path);
        return config;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    return parse(QString::fromUtf8(file.readAll()), QFileInfo(path).fileName());
}

void AliasConfig::save(const QString &path) const
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString error;
    if (!WriteWholeFile(path, toText().toUtf8(), &error))
        throw DbError(error);
}

} // namespace quodlin
