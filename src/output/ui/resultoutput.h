#pragma once
// The result output every window with a result offers: the rows as a text
// table in a pane, printing editors and results, and the exports (INSERT
// script, SQD, CSV, UNLOAD) with their save dialogs and status texts. The
// core renders and writes; these gather the widgets, the shell's printer and
// status panel, and show the outcome. Dialogs belong to `from`'s window.
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QFont;
class QPainter;
class QRectF;
class QMenu;
class QPlainTextEdit;
class QTableView;
class QWidget;

namespace quodlin {

class DbQuery;
class IShell;
enum class ExportFormat;

// The query's rows as text into the pane. The grid, when given, does not
// repaint while the rows are walked.
void QueryToRichEdit(IShell &shell, DbQuery &dataSet, QPlainTextEdit *richEdit, QTableView *grid);
// The print dialog (or the shell's preview), then the title, a blank line
// and the editors' lines (absent entries skipped, a blank line between).
// False when cancelled; raises when the printer cannot be written.
bool PrintRichEdits(IShell &shell, QWidget *from, const QString &title, const QList<QPlainTextEdit *> &editors);
// The print dialog (or the shell's preview), then the title in `font` and
// below it what `paint` draws into the rest of the page (a picture, fitted).
bool PrintPicture(IShell &shell, QWidget *from, const QString &title, const QFont &font,
                  const std::function<void(QPainter &, const QRectF &)> &paint);
// Prints an SQL editor with the result set's rows laid out whole for the
// page (the pane's font); without an open result set, the pane's lines.
// False when cancelled.
bool PrintQuery(IShell &shell, QWidget *from, DbQuery *dataSet, QPlainTextEdit *sqlEditor, QPlainTextEdit *pane,
                QTableView *grid, const QString &title);

// The SQD key line's columns of a table (ExportOptions::primaryKey).
using KeyColumnsLookup = std::function<QStringList(const QString &table)>;
// The save dialog, the writer, the status texts; a failure is reported and
// the old file stays.
void QueryToFile(IShell &shell, QWidget *from, ExportFormat format, DbQuery &dataSet, QTableView *grid,
                 const KeyColumnsLookup &primaryKey);
// The results menu on a view's context-menu request; `textOnly` entries
// (Copy, Select All) show over a text pane only. Nothing for a null view.
void ShowResultsMenu(QMenu *menu, QWidget *view, const QList<QAction *> &textOnly);

void QueryToScriptFile(IShell &shell, QWidget *from, DbQuery &dataSet, QTableView *grid);
void QueryToSQDFile(IShell &shell, QWidget *from, DbQuery &dataSet, QTableView *grid,
                    const KeyColumnsLookup &primaryKey);

} // namespace quodlin
