// The query window's files, printing and active editor.
#include "workspace/ui/queryform.h"

#include "app/externalprograms.h"
#include "db/dberror.h"
#include "db/dbquery.h"
#include "output/editorfiles.h"
#include "output/exportwriter.h"
#include "output/ui/graphpicture.h"
#include "output/ui/resultoutput.h"
#include "workspace/ui/queryplanpage.h"
#include "workspace/ui/sqleditwidget.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>

#include <exception>

namespace quodlin {

QPlainTextEdit *TfrmQuery::activeEditor() const
{
    if (auto *focused = qobject_cast<QPlainTextEdit *>(focusWidget()); focused && isAncestorOf(focused))
        return focused;
    if (m_tabQuery->currentWidget() == m_pageSQL)
        return m_rtfSQL;
    if (m_tabQuery->currentWidget() == m_pageResults && m_rtfResults->isVisibleTo(m_pageResults))
        return m_rtfResults;
    return nullptr;
}

void TfrmQuery::openFile()
{
    PlainTextSqlEditor editor(m_rtfSQL);
    m_sqlFileName = RichEditFileOpen(m_sqlFileName, editor, m_shell.statusSink());
}

std::optional<QString> TfrmQuery::saveEditor(bool as)
{
    auto saveOne = [&](QString &name, QPlainTextEdit *widget, bool resultPane) {
        PlainTextSqlEditor editor(widget);
        const std::optional<QString> kept = as ? RichEditFileSaveAs(name, editor, resultPane, m_shell.statusSink())
                                               : RichEditFileSave(name, editor, resultPane, m_shell.statusSink());
        if (kept)
            name = *kept;
        return kept;
    };
    if (m_tabQuery->currentWidget() != m_pageResults)
        return saveOne(m_sqlFileName, m_rtfSQL, false);
    // Results shown as a grid are saved as their text table.
    const bool render = m_gridResults->isVisibleTo(m_pageResults) && m_qryQuery->isOpen() && !running();
    if (render)
        QueryToRichEdit(m_shell, *m_qryQuery, m_rtfResults, m_gridResults);
    const std::optional<QString> kept = saveOne(m_resultsFileName, m_rtfResults, true);
    if (render)
        m_rtfResults->clear();
    return kept;
}

void TfrmQuery::saveAsScript()
{
    if (resultOpen())
        QueryToScriptFile(m_shell, this, *m_qryQuery, m_gridResults);
}

void TfrmQuery::saveAsSqd()
{
    if (resultOpen())
        QueryToSQDFile(m_shell, this, *m_qryQuery, m_gridResults, keyColumns());
}

void TfrmQuery::saveAsCsv()
{
    if (resultOpen())
        QueryToFile(m_shell, this, ExportFormat::Csv, *m_qryQuery, m_gridResults, keyColumns());
}

void TfrmQuery::saveAsUnload()
{
    if (resultOpen())
        QueryToFile(m_shell, this, ExportFormat::Unload, *m_qryQuery, m_gridResults, keyColumns());
}

void TfrmQuery::print()
{
    m_shell.paintStatusText(QStringLiteral("Printing..."));
    try {
        bool printed = false;
        if (m_tabQuery->currentWidget() == m_pageResults) {
            const QString title = QStringLiteral("Query and Results");
            // A running query's cursor belongs to the run, so its pane is printed as it stands.
            printed = running() ? PrintRichEdits(m_shell, this, title, {m_rtfSQL, m_rtfResults})
                                : PrintQuery(m_shell, this, m_qryQuery.get(), m_rtfSQL, m_rtfResults, m_gridResults, title);
        } else if (m_tabQuery->currentWidget() == m_pageSQL) {
            printed = PrintRichEdits(m_shell, this, QStringLiteral("Query"), {m_rtfSQL});
        } else if (m_tabQuery->currentWidget() == m_pagePlan) {
            printed = PrintPictureView(m_shell, m_pagePlan->view(), QStringLiteral("Plan"));
        }
        // A cancelled dialog printed nothing, so it does not claim it did.
        m_shell.setStatusText(printed ? QStringLiteral("Printing complete.") : QString());
    } catch (const std::exception &e) {
        ShowErrorBox(DbErrorReport(e, QStringLiteral("TfrmQuery.Print")));
        m_shell.setStatusText(QStringLiteral("Error printing."));
    }
}

} // namespace quodlin
