#pragma once
// Starting other programs (editor, schema editor, explain viewer, the
// database tool, Informix network setup and error help), temporary files,
// the login name, and the small path and text helpers these need.
//
// Processes are started through QProcess without a shell. A command line is
// built as program + blank + parameters; a program path with blanks and no
// double quote is quoted. On Windows the line goes to the process as it is;
// elsewhere it is split into program and arguments honouring double quotes,
// and a program text with blanks that is not an existing file counts as a
// command with its own arguments ("gedit --wait"), not as one quoted path.
//
// Start results: 0 when started; otherwise a non-zero system-style code
// (2 when the program cannot be found, 1 for any other failure).
#include <QChar>
#include <QString>

#include <functional>

namespace quodlin {

// The show code every caller passes (show the window normally).
inline constexpr int kShowNormal = 1;

QString BuildCommandLine(const QString &program, const QString &parameters);
// The program and its arguments of a command line as this platform starts it.
QStringList SplitCommandLine(const QString &commandLine);

int RunProgram(const QString &program, const QString &parameters, const QString &folder,
               int showCommand = kShowNormal);
// Waits for the program's end while the event loop keeps running. When the
// application is asked to quit meanwhile (QCoreApplication::exit/quit end
// every running event loop), the wait ends at once and the function returns 0;
// the application then leaves its main loop with the requested exit code and
// the started program keeps running.
int RunProgramAndWait(const QString &program, const QString &parameters, const QString &folder,
                      int showCommand = kShowNormal);
// Opens a document or URL with the desktop's handler (the shell's "open"
// verb on Windows, xdg-open on Linux, open on macOS); a program, or a file
// given with parameters, is started as by RunProgram.
int ShellOpen(const QString &file, const QString &parameters, const QString &folder,
              int showCommand = kShowNormal);

// Creates a new, empty, uniquely named file <folder>/<prefix>XXXXXX.TMP and,
// when an extension other than TMP is given, renames it to end in that
// extension. Empty folder: the system's temporary folder. Empty prefix: "TMP".
// Returns the path, or empty when no file could be created.
QString MakeTempFileName(const QString &folder, const QString &prefix, const QString &extension);
QString GetLoginUserName();
bool ForceDeleteFile(const QString &path);
bool ForceFolders(const QString &folder);
// Joins with exactly one separator ('\' on Windows, '/' elsewhere); a folder
// ending in '\' or '/' or a name starting with one adds none.
QString JoinPath(const QString &folder, const QString &name);
// Field n (from 1) of a delimited text; quoted stretches hide delimiters and a
// field wholly in quotes loses them.
QString ExtractDelimitedField(int n, const QString &text, const QString &delimiters, QChar quote);

void ShowMessageBox(const QString &text);
void ShowErrorBox(const QString &text);

// The editor used when the "Editor" setting was never set: "notepad.exe" on
// Windows, DefaultEditorCommand() elsewhere.
QString DefaultEditorSetting();
// $VISUAL when set; else the first installed editor that blocks until its
// window closes ("gedit --wait", "kate --block", "mousepad --disable-server",
// "xed --wait", "gnome-text-editor --standalone"; "open -W -n -e" on macOS);
// else "xterm -e vi".
QString DefaultEditorCommand();
// The Informix sqlhosts file: $INFORMIXSQLHOSTS, else $INFORMIXDIR/etc/sqlhosts.
QString SqlHostsFile();

// The outside programs of the Tools and Help menus. Each returns the start
// result; nothing is started (and -1 returned) when there is nothing to start.
int StartSchemaEditor(const QString &command);
// Windows: WINHELP on the "Informix Find Error Help File" setting; elsewhere
// the file or URL is opened with the desktop's handler.
int StartInformixHelp();
// Windows: SETNET32.EXE; elsewhere the sqlhosts file in the editor.
int StartSetNet32();

// The database layer's configuration program: the launcher installed by the
// database layer when there is one, else the located program.
using DatabaseToolLauncher = std::function<void(bool wait)>;
void SetDatabaseToolLauncher(DatabaseToolLauncher launcher);
// Returns false when there was nothing to start.
bool StartDatabaseTool(bool wait);
// First folder of the machine's DLLPATH, then BDEADMIN.EXE when present there,
// else BDECFG32.EXE (the bare name when DLLPATH is empty).
QString LocateDatabaseTool();

// Shows the explain output file: nothing when explain is off; a message when
// no file is set; else the viewer (or the "Editor" setting) opens the file.
void ViewExplainOutput(bool explainOn, const QString &explainFile, const QString &viewer);

// Lets the user edit `text` in the external editor `editorSetting` (the
// default editor when empty): the text goes to a temporary .SQL file, the
// editor runs until closed, and the file's text comes back. On failure `text`
// keeps its old value, `error` receives the reason and the result is false.
// The temporary file is always deleted.
bool ExternalEditText(QString &text, const QString &editorSetting, QString *error = nullptr);

} // namespace quodlin
