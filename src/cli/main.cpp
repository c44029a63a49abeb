// quodlin-cli: the command-line companion. Runs the same core as the
// windows: lists aliases, creates embedded databases, runs SQL, prints the
// object tree and object details.
#include "app/programinfo.h"
#include "cli/clicommands.h"
#include "cli/clioptions.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <functional>

namespace {

using Command = std::function<int(const quodlin::cli::CliOptions &, QTextStream &, QTextStream &)>;

// The commands by name; a new command adds one line.
const std::pair<const char *, Command> kCommands[] = {
    {"aliases", [](const auto &, QTextStream &out, QTextStream &err) { return quodlin::cli::RunAliases(out, err); }},
    {"createdb", quodlin::cli::RunCreateDb},
    {"sql", quodlin::cli::RunSql},
    {"tree", quodlin::cli::RunTree},
    {"show", quodlin::cli::RunShow},
    {"compile", quodlin::cli::RunCompile},
    {"drop", quodlin::cli::RunDrop},
    {"schema", quodlin::cli::RunSchema},
    {"compare", quodlin::cli::RunCompare},
    {"history", quodlin::cli::RunHistory},
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(quodlin::kProductName);
    QCoreApplication::setOrganizationName(QStringLiteral("Veltrane"));
    QCoreApplication::setApplicationVersion(quodlin::kVersion);

    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    const auto options = quodlin::cli::ParseCliOptions(app.arguments().mid(1), error);
    if (!options) {
        err << "quodlin-cli: " << error << '\n' << quodlin::cli::kUsage;
        return 2;
    }
    if (options->help) {
        out << quodlin::cli::kUsage;
        return 0;
    }
    if (options->version) {
        out << "quodlin-cli " << quodlin::kVersion << " (" << quodlin::kProgramTitle << ")\n";
        return 0;
    }
    // Before anything reads a setting or the alias configuration.
    if (!options->home.isEmpty())
        qputenv("QUODLIN_HOME", QDir(options->home).absolutePath().toLocal8Bit());

    for (const auto &[name, run] : kCommands)
        if (options->command == QLatin1String(name))
            return run(*options, out, err);
    err << "quodlin-cli: unknown command " << options->command << '\n' << quodlin::cli::kUsage;
    return 2;
}
