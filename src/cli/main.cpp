// quodlin-cli: the command-line companion. Runs the same core as the
// windows: lists aliases, creates embedded databases, runs SQL.
#include "app/programinfo.h"
#include "cli/clicommands.h"
#include "cli/clioptions.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(quodlin::kProductName);
    QCoreApplication::setOrganizationName(QStringLiteral("Veltrane"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    const auto options = quodlin::cli::ParseCliOptions(app.arguments().mid(1), error);
    if (!options) {
        err << "quodlin-cli: " << error << '\n' << quodlin::cli::kUsage;
        return 2;
    }
    // Before anything reads a setting or the alias configuration.
    if (!options->home.isEmpty())
        qputenv("QUODLIN_HOME", QDir(options->home).absolutePath().toLocal8Bit());

    const QString &command = options->command;
    if (command == QLatin1String("aliases"))
        return quodlin::cli::RunAliases(out, err);
    if (command == QLatin1String("createdb"))
        return quodlin::cli::RunCreateDb(*options, out, err);
    if (command == QLatin1String("sql"))
        return quodlin::cli::RunSql(*options, out, err);
    err << "quodlin-cli: unknown command " << command << '\n' << quodlin::cli::kUsage;
    return 2;
}
