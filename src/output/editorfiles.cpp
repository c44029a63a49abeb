#include "output/editorfiles.h"

#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "app/outputfile.h"
#include "app/textutil.h"
#include "db/dberror.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <stdexcept>

namespace quodlin {

namespace {

const QString kHeaderMark = QStringLiteral("-- File......");
const QString kSqlFilter = QStringLiteral("SQL Files (*.sql *.SQL);;Text Files (*.txt *.TXT);;All Files (*)");

// The save dialog is shared by every editor; a result pane saved without a
// remembered name starts from the name the dialog showed last.
QString &saveDialogFileName()
{
    static QString name = QStringLiteral("*.sql");
    return name;
}

QString folderOf(const QString &path)
{
    const QString bare = FileNameOnly(path);
    return path.left(path.size() - bare.size());
}

void reportError(const QString &message, const QString &context)
{
    ShowErrorBox(DbErrorReport(std::runtime_error(message.toStdString()), context));
}

void say(const StatusSink &status, const QString &text)
{
    if (status)
        status(text);
}

// Writes the editor to `path`; reports a failure under `context`.
bool saveEditor(const QString &path, ISqlEditor &editor, const StatusSink &status, const QString &context)
{
    say(status, QStringLiteral("Saving to file..."));
    QString error;
    if (!WriteEditorFile(path, editor.lines(), &error)) {
        reportError(error, context);
        say(status, QStringLiteral("Error saving to file."));
        return false;
    }
    editor.setModified(false);
    say(status, QStringLiteral("File saved successfully."));
    return true;
}

} // namespace

QString HeaderProposal(const QString &line)
{
    const QString proposal = line.mid(14).trimmed();
    return proposal.contains(QLatin1Char('<')) ? QString() : proposal;
}

QString ProposedFileName(const ISqlEditor &editor)
{
    const int n = editor.lineCount();
    for (int i = 0; i < n; ++i) {
        const QString line = editor.line(i);
        if (!line.contains(kHeaderMark))
            continue;
        const QString proposal = HeaderProposal(line);
        if (!proposal.isEmpty())
            return proposal;
        break;
    }
    return GetUnqualifiedObjectName(editor) + QStringLiteral(".sql");
}

QString FileNameOnly(const QString &path)
{
    qsizetype at = -1;
    for (QChar c : {QLatin1Char('\\'), QLatin1Char('/'), QLatin1Char(':')})
        at = qMax(at, path.lastIndexOf(c));
    return path.mid(at + 1);
}

QString RenameForSaveAs(const QString &text, const QString &objectName, const QString &chosenPath,
                        const QString &rememberedName)
{
    QString result = text;
    for (const QString &placeholder : PlaceholderNames()) {
        if (!result.contains(placeholder))
            continue;
        const QString value = placeholder == QLatin1String("<new>.sql") ? chosenPath : objectName;
        result = ReplaceAllText(result, placeholder, value);
    }
    if (!rememberedName.isEmpty())
        result = ReplaceAllText(result, rememberedName, FileNameOnly(chosenPath));
    return result;
}

QString DecodeEditorText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

bool ReadEditorText(const QString &path, QString &text, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    text = DecodeEditorText(bytes);
    return true;
}

bool ReadEditorFile(const QString &path, QStringList &lines, QString *error)
{
    QString text;
    if (!ReadEditorText(path, text, error))
        return false;
    lines = SplitEditorLines(text);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return true;
}

bool WriteEditorFile(const QString &path, const QStringList &lines, QString *error)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + "\r\n";
    return WriteWholeFile(path, bytes, error);
}

QString RichEditFileOpen(const QString &name, ISqlEditor &editor, const StatusSink &status)
{
    FileDialogRequest request;
    request.title = QStringLiteral("Open SQL Script");
    request.filter = kSqlFilter;
    request.defaultSuffix = QStringLiteral("SQL");
    request.confirmOverwrite = false;
    request.fileName = FileNameOnly(name);
    request.folder = folderOf(name);
    if (name.isEmpty()) {
        const QString proposal = ProposedFileName(editor);
        request.fileName = proposal == QLatin1String(".sql") ? QStringLiteral("*.sql") : proposal;
    }
    const QString chosen = Dialogs().openFile(request);
    if (chosen.isEmpty())
        return name;
    say(status, QStringLiteral("Opening file..."));
    QStringList lines;
    QString error;
    if (!ReadEditorFile(chosen, lines, &error)) {
        // The editor was not touched, so nothing needs putting back.
        reportError(error, QStringLiteral("TfrmDbObjects.RichEditFileOpen"));
        say(status, QStringLiteral("Error opening file."));
        return name;
    }
    editor.setText(lines.join(QLatin1Char('\n')));
    editor.setModified(false);
    say(status, QStringLiteral("File opened successfully."));
    return chosen;
}

std::optional<QString> RichEditFileSave(const QString &name, ISqlEditor &editor, bool resultPane,
                                        const StatusSink &status)
{
    if (name.isEmpty())
        return RichEditFileSaveAs(name, editor, resultPane, status);
    saveEditor(name, editor, status, QStringLiteral("TfrmDbObjects.RichEditFileSave"));
    return name;
}

std::optional<QString> RichEditFileSaveAs(const QString &name, ISqlEditor &editor, bool resultPane,
                                          const StatusSink &status)
{
    FileDialogRequest request;
    request.title = resultPane ? QStringLiteral("Save Results As") : QStringLiteral("Save SQL Script As");
    request.filter = kSqlFilter;
    request.defaultSuffix = QStringLiteral("sql");
    request.folder = folderOf(name);
    if (!name.isEmpty()) {
        request.fileName = FileNameOnly(name);
    } else if (!resultPane) {
        const QString proposal = ProposedFileName(editor);
        request.fileName = proposal == QLatin1String(".sql") ? QString() : proposal;
    } else {
        request.fileName = saveDialogFileName();
    }
    const QString chosen = Dialogs().saveFile(request);
    if (chosen.isEmpty())
        return std::nullopt;
    saveDialogFileName() = FileNameOnly(chosen);

    say(status, QStringLiteral("Saving to file..."));
    const QString objectName = GetUnqualifiedObjectName(editor);
    if (!objectName.isEmpty()) {
        const int caret = editor.caret();
        const QString text = editor.lines().join(QLatin1Char('\n'));
        const QString renamed = RenameForSaveAs(text, objectName, chosen, name);
        if (renamed != text) {
            editor.setText(renamed);
            if (editor.caret() != caret)
                editor.setCaret(caret);
        }
    }
    if (!saveEditor(chosen, editor, status, QStringLiteral("TfrmDbObjects.RichEditFileSaveAs")))
        return name;
    return chosen;
}

} // namespace quodlin
