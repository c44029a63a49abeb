#pragma once
// What a print or an editor command acts on, decided from a window's state:
// the printed document's lines (title, blank line, each editor's lines with a
// blank line between editors), the object browser's choice of what to print
// for each visible page, and the active editor of the browser and the query
// window that find, replace and the clipboard commands use.
#include "app/menurules.h"  // VisiblePage

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quodlin {

// The title (when not empty) and a blank line, then each editor's lines; an
// editor that is not the last is followed by a blank line, an absent one
// adds nothing of its own.
QStringList PrintDocumentLines(const QString &title, const QList<std::optional<QStringList>> &editors);

struct BrowserPrintChoice {
    enum Kind {
        Nothing,
        // The SQL panel with its results, titled "Query and Results".
        QueryAndResults,
        // The editor named `source`.
        EditorText,
        // The query named `source` rendered as a text table (its grid `grid`).
        CatalogList,
    };
    Kind kind = Nothing;
    QString title;
    QString source;
    QString grid;
};

// The names come from the browser's catalog module: the table's tabname, the
// procedure's procname and the trigger's trigname.
BrowserPrintChoice ChooseBrowserPrint(const QList<VisiblePage> &visible, const QString &tableName,
                                      const QString &procName, const QString &triggerName);

// The browser's editor (object name) for the edit commands, find and replace
// when no editor has the focus; empty when none.
QString BrowserActiveEditor(const QList<VisiblePage> &visible);
// The browser's editor for Open, Save, Save As and External Edit; empty when
// none. Save and Save As act on "rtfResults" while it has the focus.
QString BrowserFileEditor(const QList<VisiblePage> &visible, bool forSave, bool resultsFocused);

} // namespace quodlin
