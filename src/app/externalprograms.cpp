#include "app/externalprograms.h"

#include "app/dialogs.h"
#include "app/outputfile.h"
#include "app/platform.h"
#include "app/settingdefs.h"
#include "app/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>

namespace quodlin {
namespace {

bool isBlankOrControl(QChar c) { return c.unicode() <= 0x20; }

QString stripBlanksAndControls(const QString &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlankOrControl(text.at(from)))
        ++from;
    while (to > from && isBlankOrControl(text.at(to - 1)))
        --to;
    return text.mid(from, to - from);
}

// Whether a program text with blanks is one path (to be quoted) rather than a
// command with arguments. On Windows the text is always a path.
bool isPathWithBlanks(const QString &program)
{
#ifdef Q_OS_WIN
    Q_UNUSED(program);
    return true;
#else
    return QFileInfo::exists(program);
#endif
}

int startFailureCode(const QString &program)
{
    const QFileInfo info(program);
    const bool found = info.isAbsolute() || program.contains(QLatin1Char('/'))
        ? info.exists()
        : !QStandardPaths::findExecutable(program).isEmpty();
    return found ? 1 : 2;
}

// Sets up `process` for the command line; false when the line is empty.
bool prepare(QProcess &process, const QString &program, const QString &parameters, const QString &folder)
{
    const QString line = BuildCommandLine(program, parameters);
    if (line.isEmpty())
        return false;
#ifdef Q_OS_WIN
    // The line goes to CreateProcess as it is; QProcess only needs the program part.
    QString exe;
    QString rest;
    if (line.startsWith(QLatin1Char('"'))) {
        const qsizetype end = line.indexOf(QLatin1Char('"'), 1);
        exe = end < 0 ? line.mid(1) : line.mid(1, end - 1);
        rest = end < 0 ? QString() : line.mid(end + 1);
    } else {
        const qsizetype blank = line.indexOf(QLatin1Char(' '));
        exe = blank < 0 ? line : line.left(blank);
        rest = blank < 0 ? QString() : line.mid(blank);
    }
    process.setProgram(exe);
    process.setNativeArguments(rest);
#else
    QStringList parts = SplitCommandLine(line);
    if (parts.isEmpty())
        return false;
    process.setProgram(parts.takeFirst());
    process.setArguments(parts);
#endif
    if (!folder.trimmed().isEmpty())
        process.setWorkingDirectory(folder.trimmed());
    return true;
}

DatabaseToolLauncher &databaseToolLauncher()
{
    static DatabaseToolLauncher launcher;
    return launcher;
}

QString platformEol()
{
#ifdef Q_OS_WIN
    return QStringLiteral("\r\n");
#else
    return QStringLiteral("\n");
#endif
}

} // namespace

QString BuildCommandLine(const QString &program, const QString &parameters)
{
    const QString prog = stripBlanksAndControls(program);
    QString line;
    if (prog.contains(QLatin1Char(' ')) && !prog.contains(QLatin1Char('"')) && isPathWithBlanks(prog))
        line = QLatin1Char('"') + prog + QLatin1Char('"') + QLatin1Char(' ') + parameters;
    else
        line = prog + QLatin1Char(' ') + parameters;
    return stripBlanksAndControls(line);
}

QStringList SplitCommandLine(const QString &commandLine)
{
    return QProcess::splitCommand(commandLine);
}

int RunProgram(const QString &program, const QString &parameters, const QString &folder, int)
{
    QProcess process;
    if (!prepare(process, program, parameters, folder))
        return 2;
    if (!process.startDetached())
        return startFailureCode(process.program());
    return 0;
}

int RunProgramAndWait(const QString &program, const QString &parameters, const QString &folder, int)
{
    auto *process = new QProcess;
    if (!prepare(*process, program, parameters, folder)) {
        delete process;
        return 2;
    }
    // The program's output goes where ours goes instead of piling up unread.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start();
    if (!process->waitForStarted(-1)) {
        const int code = startFailureCode(process->program());
        delete process;
        return code;
    }
    QEventLoop loop;
    QObject::connect(process, &QProcess::finished, &loop, &QEventLoop::quit);
    // Belt and braces: look at the process every 100 ms as well.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (process->state() == QProcess::NotRunning)
            loop.quit();
    });
    poll.start(100);
    if (process->state() != QProcess::NotRunning)
        loop.exec();
    if (process->state() != QProcess::NotRunning) {
        // The loop ended without the process: the application is quitting.
        // Deleting the QProcess would kill the program, so it is left running.
        QObject::disconnect(process, nullptr, &loop, nullptr);
        return 0;
    }
    delete process;
    return 0;
}

int ShellOpen(const QString &file, const QString &parameters, const QString &folder, int showCommand)
{
#ifdef Q_OS_WIN
    return platform::shellExecuteOpen(file, parameters, folder, showCommand);
#else
    const QString target = stripBlanksAndControls(file);
    if (target.isEmpty())
        return 2;
    const QFileInfo info(target);
    const bool isDocument = parameters.trimmed().isEmpty()
        && (target.contains(QStringLiteral("://")) || (info.exists() && !(info.isFile() && info.isExecutable())));
    if (!isDocument)
        return RunProgram(file, parameters, folder, showCommand);
#ifdef Q_OS_MACOS
    const QString opener = QStringLiteral("open");
#else
    const QString opener = QStringLiteral("xdg-open");
#endif
    QProcess process;
    process.setProgram(opener);
    process.setArguments({target});
    if (!folder.trimmed().isEmpty())
        process.setWorkingDirectory(folder.trimmed());
    return process.startDetached() ? 0 : startFailureCode(opener);
#endif
}

QString MakeTempFileName(const QString &folder, const QString &prefix, const QString &extension)
{
    QString dir;
    if (!folder.trimmed().isEmpty()) {
        dir = folder.trimmed();
        if (!QFileInfo::exists(dir))
            ForceFolders(dir);
    } else {
        dir = QDir::tempPath();
        if (dir.isEmpty())
            dir = QStringLiteral(".");
    }
    const QString pre = prefix.isEmpty() ? QStringLiteral("TMP") : prefix;
    QTemporaryFile file(QDir(dir).filePath(pre + QStringLiteral("XXXXXX.TMP")));
    file.setAutoRemove(false);
    if (!file.open())
        return {};
    const QString name = file.fileName();
    file.close();
    if (extension.isEmpty() || extension.compare(QLatin1String("TMP"), Qt::CaseInsensitive) == 0
        || name.size() <= 4 || !name.endsWith(QLatin1String(".TMP"), Qt::CaseInsensitive))
        return name;
    const QString renamed = name.left(name.size() - 3) + extension;
    return QFile::rename(name, renamed) ? renamed : name;
}

QString GetLoginUserName() { return platform::loginUserName(); }

bool ForceDeleteFile(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return false;
    if (!info.isWritable())
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    return QFile::remove(path);
}

bool ForceFolders(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    if (QFileInfo(folder).isDir())
        return true;
    QDir().mkpath(folder);
    return QFileInfo(folder).isDir();
}

QString JoinPath(const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return name;
    if (name.isEmpty())
        return folder;
    const QString trimmed = folder.trimmed();
    const auto isSeparator = [](QChar c) { return c == QLatin1Char('\\') || c == QLatin1Char('/'); };
#ifdef Q_OS_WIN
    const QChar separator = QLatin1Char('\\');
#else
    const QChar separator = QLatin1Char('/');
#endif
    const bool folderEnds = !trimmed.isEmpty() && isSeparator(trimmed.back());
    const bool nameStarts = name.size() >= 2 && isSeparator(name.front());
    if (folderEnds || nameStarts)
        return trimmed + name;
    return trimmed + separator + name;
}

QString ExtractDelimitedField(int n, const QString &text, const QString &delimiters, QChar quote)
{
    if (n < 1)
        return {};
    int field = 1;
    bool quoted = false;
    QString current;
    for (const QChar c : text) {
        if (c == quote) {
            quoted = !quoted;
        } else if (!quoted && delimiters.contains(c)) {
            if (field == n)
                break;
            ++field;
            current.clear();
            continue;
        }
        if (field == n)
            current += c;
    }
    if (field != n)
        return {};
    current = current.trimmed();
    if (current.size() > 1 && current.front() == quote && current.back() == quote)
        current = current.mid(1, current.size() - 2);
    return current;
}

void ShowMessageBox(const QString &text)
{
    Dialogs().message(QStringLiteral("Message"), text, MessageIcon::Information, nullptr);
}

void ShowErrorBox(const QString &text)
{
    Dialogs().message(QStringLiteral("Error"), text, MessageIcon::Information, nullptr);
}

QString DefaultEditorSetting()
{
#ifdef Q_OS_WIN
    return QStringLiteral("notepad.exe");
#else
    return DefaultEditorCommand();
#endif
}

QString DefaultEditorCommand()
{
    const QString visual = qEnvironmentVariable("VISUAL").trimmed();
    if (!visual.isEmpty())
        return visual;
#ifdef Q_OS_MACOS
    return QStringLiteral("open -W -n -e");
#else
    static const char *const candidates[] = {
        "gedit --wait", "kate --block", "mousepad --disable-server", "xed --wait",
        "gnome-text-editor --standalone",
    };
    for (const char *candidate : candidates) {
        const QString command = QString::fromLatin1(candidate);
        if (!QStandardPaths::findExecutable(command.section(QLatin1Char(' '), 0, 0)).isEmpty())
            return command;
    }
    return QStringLiteral("xterm -e vi");
#endif
}

QString SqlHostsFile()
{
    const QString explicitFile = qEnvironmentVariable("INFORMIXSQLHOSTS");
    if (!explicitFile.isEmpty())
        return explicitFile;
    const QString dir = qEnvironmentVariable("INFORMIXDIR");
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/etc/sqlhosts");
}

int StartSchemaEditor(const QString &command)
{
    if (command.trimmed().isEmpty())
        return -1;
    return RunProgram(command, QString(), QString(), kShowNormal);
}

int StartInformixHelp()
{
    const QString file = Settings::read(Settings::InformixHelpFile);
    if (file.isEmpty())
        return -1;
#ifdef Q_OS_WIN
    return RunProgram(QStringLiteral("WINHELP"), file, QString(), kShowNormal);
#else
    return ShellOpen(file, QString(), QString(), kShowNormal);
#endif
}

int StartSetNet32()
{
#ifdef Q_OS_WIN
    return RunProgram(QStringLiteral("SETNET32.EXE"), QString(), QString(), kShowNormal);
#else
    const QString file = SqlHostsFile();
    if (file.isEmpty())
        return -1;
    return RunProgram(Settings::read(Settings::Editor), file, QString(), kShowNormal);
#endif
}

void SetDatabaseToolLauncher(DatabaseToolLauncher launcher) { databaseToolLauncher() = std::move(launcher); }

bool StartDatabaseTool(bool wait)
{
    if (const auto &launcher = databaseToolLauncher()) {
        launcher(wait);
        return true;
    }
    const QString path = LocateDatabaseTool();
    if (path.isEmpty())
        return false;
    if (wait)
        RunProgramAndWait(path, QString(), QString(), kShowNormal);
    else
        RunProgram(path, QString(), QString(), kShowNormal);
    return true;
}

QString LocateDatabaseTool()
{
    const QString dllPath = ReadSettingString(SettingsRoot::LocalMachine, kBorlandKey, kDatabaseEngineSection,
                                              QStringLiteral("DLLPATH"), QString());
    const QString folder = ExtractDelimitedField(1, dllPath, QStringLiteral(";"), QLatin1Char('"'));
    const QString admin = JoinPath(folder, QStringLiteral("BDEADMIN.EXE"));
    if (QFileInfo::exists(admin))
        return admin;
    return JoinPath(folder, QStringLiteral("BDECFG32.EXE"));
}

void ViewExplainOutput(bool explainOn, const QString &explainFile, const QString &viewer)
{
    if (!explainOn)
        return;
    if (explainFile.isEmpty()) {
        ShowMessageBox(QStringLiteral("Explain file not specified. See Connection tab in File|Options menu."));
        return;
    }
    const QString program = viewer.isEmpty() ? Settings::read(Settings::Editor) : viewer;
    ShellOpen(program, explainFile, QString(), kShowNormal);
}

bool ExternalEditText(QString &text, const QString &editorSetting, QString *error)
{
    const QString temp = MakeTempFileName(QString(), QString(), QStringLiteral("SQL"));
    const QString remembered = text;
    QString failure;
    do {
        const QString eol = platformEol();
        const QString content = text.isEmpty() ? QString() : text.split(QLatin1Char('\n')).join(eol) + eol;
        if (temp.isEmpty() || !WriteWholeFile(temp, content.toUtf8())) {
            failure = QStringLiteral("Cannot write the temporary file %1").arg(temp);
            break;
        }
        const QString program = editorSetting.isEmpty() ? DefaultEditorSetting() : editorSetting;
        // Quoted so that a temporary folder with blanks stays one argument.
        const QString parameter = temp.contains(QLatin1Char(' ')) ? QLatin1Char('"') + temp + QLatin1Char('"') : temp;
        RunProgramAndWait(program, parameter, QString(), kShowNormal);
        QFile in(temp);
        if (!in.open(QIODevice::ReadOnly)) {
            failure = QStringLiteral("Cannot read the temporary file %1").arg(temp);
            break;
        }
        QString edited = QString::fromUtf8(in.readAll());
        if (edited.endsWith(QLatin1String("\r\n")))
            edited.chop(2);
        else if (edited.endsWith(QLatin1Char('\n')) || edited.endsWith(QLatin1Char('\r')))
            edited.chop(1);
        edited.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        edited.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        text = edited;
    } while (false);
    if (!failure.isEmpty()) {
        text = remembered;
        if (error)
            *error = failure;
    }
    if (!temp.isEmpty())
        ForceDeleteFile(temp);
    return failure.isEmpty();
}

} // namespace quodlin
