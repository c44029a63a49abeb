#pragma once
// What the frame's commands act on in the object browser, read from the
// pages its page controls show and the page layout (pagesets.h): what a
// shown page offers the menu rules, what Print prints, and which editor the
// edit commands and the file commands use. No page or page set is named
// here: a new page set is covered by its layout.
#include "app/menurules.h"  // VisiblePage

#include <QList>
#include <QString>

namespace quodlin {

struct BrowserPrintChoice {
    enum Kind {
        Nothing,
        // The SQL panel with its results, titled "Query and Results".
        QueryAndResults,
        // The editor named `source`.
        EditorText,
        // The query named `source` rendered as a text table (its grid `grid`).
        CatalogList,
        // The picture of the view named `source`.
        Picture,
    };
    Kind kind = Nothing;
    QString title;
    QString source;
    QString grid;
};

// The page `page` of the page control `control` as shown, with what it
// offers filled in from the layout; a page the control does not hold offers nothing.
VisiblePage DescribeVisiblePage(const QString &control, const QString &page);

// The page that decides: the first visible one in Query Tab's order of
// page controls. A grid or DDL page prints under its print title, a
// definition editor under `objectTitle` (the kind's title), each followed by
// " [objectName]"; any other page prints the SQL panel.
BrowserPrintChoice ChooseBrowserPrint(const QList<VisiblePage> &visible, const QString &objectTitle,
                                      const QString &objectName);
// The editor (object name) for the edit commands, find and replace when no
// editor has the focus: the SQL panel's or the definition editor shown;
// empty when neither shows.
QString BrowserActiveEditor(const QList<VisiblePage> &visible);
// The editor for Open, Save, Save As and External Edit: the one shown, else
// the page set's file editor; empty when no page shows. Save and Save As act
// on "rtfResults" while it has the focus.
QString BrowserFileEditor(const QList<VisiblePage> &visible, bool forSave, bool resultsFocused);

} // namespace quodlin
