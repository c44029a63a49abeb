// The object browser's files, printing and the pop-up menus of its editors
// and result pane. Which editor a command acts on and what a print holds are
// core rules (browser/pagecommands.h); the file operations are the core's
// (output/editorfiles.h).
#include "browser/ui/dbobjectswindow.h"

#include "app/externalprograms.h"
#include "browser/pagecommands.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "output/editorfiles.h"
#include "output/exportwriter.h"
#include "output/ui/resultoutput.h"
#include "workspace/ui/sqleditwidget.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>

#include <exception>

namespace quodlin {

namespace {

QAction *menuItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    return a;
}

void selectAll(QPlainTextEdit *editor)
{
    if (!editor)
        return;
    // From 0 to the length of the whole text minus one.
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(qMax(0, editor->document()->characterCount() - 2), QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
}

// The current value of a catalog field, empty when the query is closed or empty.
QString currentText(DbQuery &query, const QString &field)
{
    if (!query.isOpen() || query.eof())
        return {};
    const DbField *f = query.findField(field);
    return f ? f->asString() : QString();
}

} // namespace

QPlainTextEdit *TfrmDbObjects::editorNamed(const QString &name) const
{
    return name.isEmpty() ? nullptr : findChild<QPlainTextEdit *>(name);
}

QString TfrmDbObjects::fileName(const QString &editor) const
{
    const auto it = m_fileNames.find(editor);
    return it == m_fileNames.end() ? QString() : it->second;
}

QPlainTextEdit *TfrmDbObjects::activeEditor() const
{
    if (auto *focused = qobject_cast<QPlainTextEdit *>(focusWidget());
        focused && focused != m_rtfWork && isAncestorOf(focused))
        return focused;
    return editorNamed(BrowserActiveEditor(visiblePages()));
}

void TfrmDbObjects::createOutputMenus()
{
    m_rtfWork = new QPlainTextEdit(this);
    m_rtfWork->setObjectName(QStringLiteral("rtfWork"));
    m_rtfWork->setReadOnly(true);
    m_rtfWork->setFont(m_rtfSQL->font());
    m_rtfWork->setVisible(false);

    m_popupEdit = new QMenu(this);
    m_popupEdit->setObjectName(QStringLiteral("popupEdit"));
    connect(menuItem(m_popupEdit, "mnuCut", QStringLiteral("Cu&t")), &QAction::triggered, this, [this] {
        if (QPlainTextEdit *e = activeEditor())
            e->cut();
    });
    connect(menuItem(m_popupEdit, "mnuCopy", QStringLiteral("&Copy")), &QAction::triggered, this, [this] {
        if (QPlainTextEdit *e = activeEditor())
            e->copy();
    });
    connect(menuItem(m_popupEdit, "mnuPaste", QStringLiteral("&Paste")), &QAction::triggered, this, [this] {
        if (QPlainTextEdit *e = activeEditor()) {
            e->paste();
            e->viewport()->update();
        }
    });
    connect(menuItem(m_popupEdit, "mnuSelectAll", QStringLiteral("Select A&ll")), &QAction::triggered, this,
            [this] { selectAll(activeEditor()); });
    m_popupEdit->addSeparator();
    connect(menuItem(m_popupEdit, "mnuSave", QStringLiteral("&Save")), &QAction::triggered, this, &TfrmDbObjects::save);
    connect(menuItem(m_popupEdit, "mnuSaveAs", QStringLiteral("Save &As...")), &QAction::triggered, this,
            &TfrmDbObjects::saveAs);
    for (const char *name : {"rtfSQL", "rtfViewText", "rtfProcText", "rtfTriggerText"}) {
        QPlainTextEdit *editor = editorNamed(QLatin1String(name));
        if (!editor)
            continue;
        editor->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(editor, &QWidget::customContextMenuRequested, this, [this, editor](const QPoint &at) {
            editor->setFocus();
            m_popupEdit->popup(editor->mapToGlobal(at));
        });
    }

    m_popupResults = new QMenu(this);
    m_popupResults->setObjectName(QStringLiteral("popupResults"));
    QAction *copy = menuItem(m_popupResults, "mnuRCopy", QStringLiteral("&Copy"));
    connect(copy, &QAction::triggered, m_rtfResults, &QPlainTextEdit::copy);
    QAction *all = menuItem(m_popupResults, "mnuRSelectAll", QStringLiteral("Select A&ll"));
    connect(all, &QAction::triggered, this, [this] { selectAll(m_rtfResults); });
    m_popupResults->addSeparator();
    connect(menuItem(m_popupResults, "mnuRSave", QStringLiteral("&Save")), &QAction::triggered, this,
            [this] { saveEditor(false, true); });
    connect(menuItem(m_popupResults, "mnuRSaveAs", QStringLiteral("Save &As...")), &QAction::triggered, this,
            [this] { saveEditor(true, true); });
    connect(menuItem(m_popupResults, "mnuRSaveAsScript", QStringLiteral("Save as Sc&ript...")), &QAction::triggered,
            this, &TfrmDbObjects::saveAsScript);
    connect(menuItem(m_popupResults, "mnuRSaveAsSQD", QStringLiteral("Save as SQD...")), &QAction::triggered, this,
            &TfrmDbObjects::saveAsSqd);
    connect(menuItem(m_popupResults, "mnuRSaveAsCSV", QStringLiteral("Save as CSV...")), &QAction::triggered, this,
            &TfrmDbObjects::saveAsCsv);
    connect(menuItem(m_popupResults, "mnuRSaveAsUnload", QStringLiteral("Save as UNLOAD...")), &QAction::triggered,
            this, &TfrmDbObjects::saveAsUnload);
    // The grids offer the same exports.
    for (QWidget *view : {static_cast<QWidget *>(m_rtfResults), static_cast<QWidget *>(m_gridResults),
                          static_cast<QWidget *>(findChild<QTableView *>(QStringLiteral("gridTableData")))})
        ShowResultsMenu(m_popupResults, view, {copy, all});
}

void TfrmDbObjects::exportResults(ExportFormat format)
{
    // The data page exports the table's rows; everywhere else the SQL panel's.
    bool dataPage = false;
    for (const VisiblePage &v : visiblePages())
        dataPage = dataPage || (v.control == QLatin1String("tabTable") && v.page == QLatin1String("pageTableData"));
    DbQuery &query = dataPage ? *m_qryTableData : *m_qryQuery;
    if (!query.isOpen())
        return;
    // The key line comes from this browser's catalog module, as it shows the table's indexes.
    TdmDbObjects *module = m_module.get();
    QueryToFile(m_shell, this, format, query,
                findChild<QTableView *>(dataPage ? QStringLiteral("gridTableData") : QStringLiteral("gridResults")),
                [module](const QString &name) {
                    return SqdKeyColumns(&module->qryTable(), &module->qryTableIndexes(), name);
                });
}

void TfrmDbObjects::saveAsScript() { exportResults(ExportFormat::Script); }

void TfrmDbObjects::saveAsSqd() { exportResults(ExportFormat::Sqd); }

void TfrmDbObjects::saveAsCsv() { exportResults(ExportFormat::Csv); }

void TfrmDbObjects::saveAsUnload() { exportResults(ExportFormat::Unload); }

void TfrmDbObjects::openFile()
{
    const QString name = BrowserFileEditor(visiblePages(), false, false);
    QPlainTextEdit *widget = editorNamed(name);
    if (!widget)
        return;
    PlainTextSqlEditor editor(widget);
    m_fileNames[name] = RichEditFileOpen(fileName(name), editor, m_shell.statusSink());
}

void TfrmDbObjects::externalEdit()
{
    QPlainTextEdit *widget = editorNamed(BrowserFileEditor(visiblePages(), false, false));
    if (!widget)
        return;
    // The editor's page comes to the front first.
    for (const auto &[name, set] : m_pageSets) {
        if (set.tab->isHidden())
            continue;
        QWidget *page = widget;
        while (page && set.tab->indexOf(page) < 0)
            page = page->parentWidget();
        if (page)
            set.tab->setCurrentWidget(page);
    }
    PlainTextSqlEditor editor(widget);
    QString text = editor.text();
    QString error;
    if (ExternalEditText(text, m_editor, &error))
        editor.setText(text);
    else if (!error.isEmpty())
        ShowErrorBox(error);
    widget->setFocus();
}

std::optional<QString> TfrmDbObjects::saveEditor(bool as, bool resultPaneAsIs)
{
    const QString name = resultPaneAsIs
        ? QStringLiteral("rtfResults")
        : BrowserFileEditor(visiblePages(), true, focusWidget() == m_rtfResults);
    QPlainTextEdit *widget = editorNamed(name);
    if (!widget)
        return std::nullopt;
    const bool resultPane = widget == m_rtfResults;
    // Through the File menu, results shown as a grid are saved as their text table.
    const bool render = resultPane && !resultPaneAsIs && m_pnlResultsGrid->isVisibleTo(m_pnlResultsGrid->parentWidget())
        && m_qryQuery->isOpen();
    if (render)
        QueryToRichEdit(m_shell, *m_qryQuery, m_rtfResults, m_gridResults);
    PlainTextSqlEditor editor(widget);
    const std::optional<QString> kept = as ? RichEditFileSaveAs(fileName(name), editor, resultPane, m_shell.statusSink())
                                           : RichEditFileSave(fileName(name), editor, resultPane, m_shell.statusSink());
    if (render)
        m_rtfResults->clear();
    if (kept)
        m_fileNames[name] = *kept;
    return kept;
}

bool TfrmDbObjects::saveEditorFile(const QString &name)
{
    QPlainTextEdit *widget = editorNamed(name);
    if (!widget)
        return false;
    PlainTextSqlEditor editor(widget);
    const std::optional<QString> kept =
        RichEditFileSave(fileName(name), editor, widget == m_rtfResults, m_shell.statusSink());
    if (!kept)
        return false;
    m_fileNames[name] = *kept;
    return !editor.modified();
}

void TfrmDbObjects::print()
{
    m_shell.paintStatusText(QStringLiteral("Printing..."));
    try {
        // The object's name as its master query read it.
        const TNodeInfo *node = currentNode();
        const ObjectKindDesc *kind = node ? FindObjectKind(node->Kind) : nullptr;
        const bool loaded = kind && !kind->masterQuery.isEmpty();
        const BrowserPrintChoice choice = ChooseBrowserPrint(
            visiblePages(), kind ? kind->title : QString(),
            loaded ? currentText(m_module->query(kind->masterQuery), kind->nameParam)
                   : QString());
        bool printed = false;
        switch (choice.kind) {
        case BrowserPrintChoice::Nothing:
            break;
        case BrowserPrintChoice::QueryAndResults:
            printed = PrintQuery(m_shell, this, m_qryQuery.get(), m_rtfSQL, m_rtfResults, m_gridResults, choice.title);
            break;
        case BrowserPrintChoice::EditorText:
            printed = PrintRichEdits(m_shell, this, choice.title, {editorNamed(choice.source)});
            break;
        case BrowserPrintChoice::Picture:
            printed = printTableDiagram(choice.title);
            break;
        case BrowserPrintChoice::CatalogList: {
            DbQuery &list = choice.source == QLatin1String("qryTableData") ? *m_qryTableData
                                                                           : m_module->query(choice.source);
            printed = PrintQuery(m_shell, this, &list, nullptr, m_rtfWork, findChild<QTableView *>(choice.grid),
                                 choice.title);
            break;
        }
        }
        // A cancelled dialog printed nothing, so it does not claim it did.
        m_shell.setStatusText(printed ? QStringLiteral("Printing complete.") : QString());
    } catch (const std::exception &e) {
        m_rtfWork->clear();
        ShowErrorBox(DbErrorReport(e, QStringLiteral("TfrmDbObjects.Print")));
        m_shell.setStatusText(QStringLiteral("Error printing."));
    }
}

} // namespace quodlin
