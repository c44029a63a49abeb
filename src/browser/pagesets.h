#pragma once
// The detail page sets of the object browser as plain data: the six page
// controls with their pages in fixed order (the order is the page index kept
// in the settings), captions, what each page holds (edit boxes with their
// captions and the query field each shows, a grid and its query, a
// definition editor, the data grid, the SQL panel, the list), the Go buttons
// and where they lead, and per object kind which page set shows, which of its
// pages are hidden, the first tab's caption and the caption bar's prefix.
//
// The window builds its page controls from PageSets() once and, at each
// selection, applies PageViewFor(kind). Grid columns are the visible fields
// of the named query in field order (see catalogqueries.h), which the
// layer's grid model shows as they are. quodlin-cli show prints the same
// pages.
#include <QList>
#include <QString>
#include <QStringList>

#include "browser/objecttree.h"

namespace quodlin {

// Ddl: a table's schema as DDL, read-only, written when the page is shown.
// Diagram: a table's relations as a picture, drawn when the page is shown.
enum class PageContent { List, Properties, Grid, DefinitionEditor, Data, Sql, Ddl, Diagram };

// A Go button: builds the caption of a table node (kind 1) from the current
// row's name and owner fields of `query` and goes to the node with that label.
struct GotoButton {
    QString objectName;  // "btnSynGoto"
    QString caption;     // "&Go"
    QString query;
    QString nameField;
    QString ownerField;
    // Enabled only while this query has a row (empty: always enabled).
    QString enabledByRowsOf;
};

struct EditBox {
    QString caption;  // "Name:"
    QString query;    // "qryTable"
    QString field;    // "tabname"
    // When `localQuery` has a row the box shows its `localField` instead
    // (a synonym's local table: its current name and owner).
    QString localQuery;
    QString localField;
    QString gotoButton;  // objectName of the button beside the box, if any
};

struct PageDesc {
    QString objectName;  // "pageTableColumns"
    QString caption;     // "&Columns"
    PageContent content = PageContent::Sql;
    QList<EditBox> editBoxes;  // Properties
    QString widgetName;        // grid, editor or list: "gridTableColumns", "rtfViewText", "lvwList"
    QString query;             // the grid's or the edit boxes' query; "qryTableData" for the data page
    QString dataSource;        // "dsTableColumns"
    QList<GotoButton> buttons; // Go buttons on the page (below a grid, or beside an edit box)
    // A grid or DDL page prints as "<printTitle> [name]"; a definition
    // editor prints under its kind's title instead.
    QString printTitle{};      // "Columns for"
    // An SQL page whose statements the frame's Execute does not offer to run
    // (a synonym's: Refresh Data alone).
    bool executeHidden = false;
};

struct PageSetDesc {
    QString objectName;  // "tabTable"
    QList<PageDesc> pages;
    // The editor Open, Save and External Edit act on from a page that is
    // neither the SQL page nor a definition editor.
    QString fileEditor = QStringLiteral("rtfSQL");

    // Index of the page; -1 when none.
    int indexOf(const QString &pageName) const;
    // Index of its SQL page.
    int sqlPage() const;
};

// tabList, tabTable, tabProc, tabTrigger, tabSyn, tabOther.
const QList<PageSetDesc> &PageSets();
// Null for an unknown name.
const PageSetDesc *FindPageSet(const QString &objectName);

// How a node of one kind is shown.
struct PageView {
    QString pageSet;             // "tabTable"
    QStringList hiddenPages;     // pages whose tab is hidden for this kind
    QString firstTabCaption;     // "T&able"/"&View" for tabTable; empty: keep the design caption
    QString captionPrefix;       // caption bar: prefix + record caption ("Table: ")
    bool definitionText = false; // the kind has a rebuilt definition text
};
// The kind's row of objectkinds.h; categories show the list, an unknown kind
// is shown as a user.
PageView PageViewFor(int kind);
// The page set and definition editor page of a kind whose definition text
// is edited (its set's DefinitionEditor page, not hidden for it); null set
// and page for other kinds.
struct DefinitionPageRef {
    const PageSetDesc *set = nullptr;
    const PageDesc *page = nullptr;
};
DefinitionPageRef DefinitionPage(int kind);
// The caption bar text of a node: "Table: acct.t", or the caption alone for categories.
QString CaptionBarText(int kind, const QString &caption);
// The list page of a category or role: its columns, decided by the node's
// first child, and one item per child.
struct ListColumn {
    QString title;
    int width = 0;  // pixels; 0: sized to fit the title
};
// `firstChildKind`: the kind of the node's first child, -1 when it has none.
QList<ListColumn> ListColumnsFor(int nodeKind, int firstChildKind);
struct ListItemText {
    QString caption;
    QStringList subItems;  // one fewer than the columns
};
// A category or role child shows its record caption; another child its name
// with the owner as first sub-item in the details style, else its caption.
ListItemText ListItemFor(const TNodeInfo &child, bool detailsStyle, int columnCount);

// A caption without its '&' accelerator marks ("&&" stays one '&').
QString StripAccelerator(const QString &caption);

} // namespace quodlin
