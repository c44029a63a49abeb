#pragma once
// SQL editors and result panes to and from files: open, save, save as with
// the proposed name (the "-- File......" header line, else the object the
// text creates), the template placeholders and the old file name renamed on
// save as. The query window and the object browser call the same functions
// with their own editors and remembered file names; each function reports to
// the user itself (status text, error box) and hands back the name to keep.
//
// Files are written through OutputFile, so a failed save never replaces a good
// file, and the failure is reported. Lines end in CR LF; text is written as
// UTF-8 and read as UTF-8, or as Latin-1 when the bytes are not valid UTF-8
// (files from 8-bit Windows editors).
#include "app/sqleditor.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quodlin {

// Shows a status text; the window's sink also lets it paint once.
using StatusSink = std::function<void(const QString &)>;

// The file name a "-- File......" line proposes: the line from its 15th
// character on, trimmed; empty when that holds "<" (a placeholder).
QString HeaderProposal(const QString &line);
// From the first header line when there is one (even when it proposes
// nothing), else the unqualified object name + ".sql" (".sql" when none).
QString ProposedFileName(const ISqlEditor &editor);
// The text after the last '\', '/' or ':'.
QString FileNameOnly(const QString &path);
// Save-as renaming of `text` whose CREATE names `objectName` (not empty):
// every placeholder the text holds (case-sensitive test) replaced, without
// regard to case, by the object name ("<new>.sql" by `chosenPath`), then the
// remembered file name, when there is one, by the chosen file's bare name.
QString RenameForSaveAs(const QString &text, const QString &objectName, const QString &chosenPath,
                        const QString &rememberedName);

// SQL text from a file's bytes: UTF-8, else Latin-1 (see above); a leading
// byte order mark goes.
QString DecodeEditorText(const QByteArray &bytes);
// The file's text, decoded so. False with the reason in `error`.
bool ReadEditorText(const QString &path, QString &text, QString *error = nullptr);
// The file's lines (a final line break ends the last line, it adds none).
// False with the reason in `error`.
bool ReadEditorFile(const QString &path, QStringList &lines, QString *error = nullptr);
// Each line followed by CR LF, atomically. False with the reason in `error`.
bool WriteEditorFile(const QString &path, const QStringList &lines, QString *error = nullptr);

// The operations behind Open, Save and Save As. They return the file name the
// window keeps for the editor; Save and Save As return nothing when the user
// cancelled the save dialog ("Save file cancelled."), which callers either
// ignore or treat as backing out.
QString RichEditFileOpen(const QString &name, ISqlEditor &editor, const StatusSink &status);
std::optional<QString> RichEditFileSave(const QString &name, ISqlEditor &editor, bool resultPane,
                                        const StatusSink &status);
std::optional<QString> RichEditFileSaveAs(const QString &name, ISqlEditor &editor, bool resultPane,
                                          const StatusSink &status);

} // namespace quodlin
