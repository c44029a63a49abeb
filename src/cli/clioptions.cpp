#include "cli/clioptions.h"

#include <QSet>

namespace quodlin::cli {

std::optional<CliOptions> ParseCliOptions(const QStringList &args, QString &error)
{
    CliOptions o;
    QSet<QString> seen;
    auto word = [&](const QString &w) {
        if (o.command.isEmpty())
            o.command = w;
        else
            o.arguments << w;
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--")) {
            // Everything after "--" is a word, even when it starts with '-'.
            for (++i; i < args.size(); ++i)
                word(args[i]);
            break;
        }
        if (a.size() < 2 || !a.startsWith(QLatin1Char('-'))) {
            word(a);
            continue;
        }
        // A second -d (or any option) is refused rather than silently replacing the first.
        const QString name = a == QLatin1String("-h") ? QStringLiteral("--help") : a;
        if (seen.contains(name)) {
            error = QStringLiteral("%1 given twice").arg(a);
            return std::nullopt;
        }
        seen.insert(name);
        if (name == QLatin1String("--help")) {
            o.help = true;
            continue;
        }
        if (name == QLatin1String("--version")) {
            o.version = true;
            continue;
        }
        if (name == QLatin1String("--demo")) {
            o.demo = true;
            continue;
        }
        if (name == QLatin1String("--no-grants")) {
            o.noGrants = true;
            continue;
        }
        if (name == QLatin1String("--ignore-owner") || name == QLatin1String("--drop")) {
            (name == QLatin1String("--drop") ? o.drop : o.ignoreOwner) = true;
            continue;
        }
        QString *target = nullptr;
        std::optional<QString> *optionalTarget = nullptr;
        if (name == QLatin1String("--home"))
            target = &o.home;
        else if (name == QLatin1String("-d"))
            target = &o.alias;
        else if (name == QLatin1String("-s"))
            target = &o.server;
        else if (name == QLatin1String("-D"))
            target = &o.database;
        else if (name == QLatin1String("-f"))
            target = &o.file;
        else if (name == QLatin1String("-t"))
            target = &o.table;
        else if (name == QLatin1String("--format"))
            target = &o.format;
        else if (name == QLatin1String("--out"))
            target = &o.out;
        else if (name == QLatin1String("--to"))
            target = &o.to;
        else if (name == QLatin1String("--to-file"))
            target = &o.toFile;
        else if (name == QLatin1String("--script"))
            target = &o.script;
        else if (name == QLatin1String("--grep"))
            target = &o.grep;
        else if (name == QLatin1String("-n"))
            target = &o.count;
        else if (name == QLatin1String("--owner"))
            optionalTarget = &o.owner;
        else if (name == QLatin1String("-u"))
            optionalTarget = &o.user;
        else if (name == QLatin1String("-p"))
            optionalTarget = &o.password;
        if (!target && !optionalTarget) {
            error = QStringLiteral("unknown option %1").arg(a);
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            error = QStringLiteral("%1 needs a value").arg(a);
            return std::nullopt;
        }
        if (target)
            *target = args[++i];
        else
            *optionalTarget = args[++i];
    }
    if (o.help || o.version)
        return o;
    if (o.command.isEmpty()) {
        error = QStringLiteral("no command given");
        return std::nullopt;
    }
    if (!o.alias.isEmpty() && (!o.server.isEmpty() || !o.database.isEmpty())) {
        error = QStringLiteral("give either -d or -s and -D, not both");
        return std::nullopt;
    }
    if (o.server.isEmpty() != o.database.isEmpty()) {
        error = QStringLiteral("-s and -D go together");
        return std::nullopt;
    }
    return o;
}

} // namespace quodlin::cli
