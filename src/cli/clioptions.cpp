#include "cli/clioptions.h"

namespace quodlin::cli {

std::optional<CliOptions> ParseCliOptions(const QStringList &args, QString &error)
{
    CliOptions o;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](QString &target) {
            if (i + 1 >= args.size()) {
                error = QStringLiteral("%1 needs a value").arg(a);
                return false;
            }
            target = args[++i];
            return true;
        };
        QString v;
        if (a == QLatin1String("--home")) {
            if (!value(o.home))
                return std::nullopt;
        } else if (a == QLatin1String("-d")) {
            if (!value(o.alias))
                return std::nullopt;
        } else if (a == QLatin1String("-s")) {
            if (!value(o.server))
                return std::nullopt;
        } else if (a == QLatin1String("-D")) {
            if (!value(o.database))
                return std::nullopt;
        } else if (a == QLatin1String("-u")) {
            if (!value(v))
                return std::nullopt;
            o.user = v;
        } else if (a == QLatin1String("-p")) {
            if (!value(v))
                return std::nullopt;
            o.password = v;
        } else if (a == QLatin1String("-f")) {
            if (!value(o.file))
                return std::nullopt;
        } else if (a == QLatin1String("--demo")) {
            o.demo = true;
        } else if (a == QLatin1String("--")) {
            // Everything after "--" is a word, even when it starts with '-'.
            for (++i; i < args.size(); ++i) {
                if (o.command.isEmpty())
                    o.command = args[i];
                else
                    o.arguments << args[i];
            }
        } else if (a.size() > 1 && a.startsWith(QLatin1Char('-'))) {
            error = QStringLiteral("unknown option %1").arg(a);
            return std::nullopt;
        } else if (o.command.isEmpty()) {
            o.command = a;
        } else {
            o.arguments << a;
        }
    }
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
