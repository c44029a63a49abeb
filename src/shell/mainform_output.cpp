// The main window's Print Preview, and find and replace over the active
// child's editor.
#include "shell/mainform.h"

#include "app/ui/editorhost.h"
#include "output/findreplace.h"
#include "output/ui/finddialogs.h"
#include "workspace/ui/sqleditwidget.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>

namespace quodlin {

void TMainForm::createPrintPreviewAction()
{
    auto *file = menuBar()->findChild<QMenu *>(QStringLiteral("mnuFile"));
    QAction *print = action(Command::Print);
    auto *preview = new QAction(tr("Print Pre&view..."), this);
    preview->setObjectName(QStringLiteral("mnuFilePrintPreview"));
    preview->setEnabled(print->isEnabled());
    if (file)
        file->insertAction(action(Command::PrintSetup), preview);
    connect(print, &QAction::changed, preview, [preview, print] { preview->setEnabled(print->isEnabled()); });
    connect(preview, &QAction::triggered, this, &TMainForm::mnuFilePrintPreviewClick);
}

void TMainForm::mnuFilePrintPreviewClick()
{
    // The children print as always; PrintRichEdits (output/ui) shows the pages instead.
    if (!activeAs<IQueryWindow>() && !activeAs<IObjectBrowserWindow>())
        return;
    m_printPreview = true;
    routeToChild(&IChildWindow::print);
    m_printPreview = false;
}

// ---- find and replace ---------------------------------------------------------------

QPlainTextEdit *TMainForm::activeEditor() const
{
    auto *host = dynamic_cast<IEditorHost *>(activeChild());
    return host ? host->activeEditor() : nullptr;
}

TFindDialog *TMainForm::findDialog()
{
    if (!m_findDialog) {
        m_findDialog = new TFindDialog(false, this);
        connect(m_findDialog, &TFindDialog::activated, this, [this] { FindDialogFind(m_findDialog); });
    }
    return m_findDialog;
}

TFindDialog *TMainForm::replaceDialog()
{
    if (!m_replaceDialog) {
        m_replaceDialog = new TFindDialog(true, this);
        connect(m_replaceDialog, &TFindDialog::activated, this, [this] { FindDialogFind(m_replaceDialog); });
    }
    return m_replaceDialog;
}

void TMainForm::mnuSearchFindClick()
{
    if (!activeEditor())
        return;
    m_lastSearchWasReplace = false;
    findDialog()->execute();
}

void TMainForm::mnuSearchReplaceClick()
{
    if (!activeEditor())
        return;
    m_lastSearchWasReplace = true;
    replaceDialog()->execute();
}

void TMainForm::mnuSearchAgainClick()
{
    if (!activeEditor())
        return;
    FindDialogFind(m_lastSearchWasReplace ? replaceDialog() : findDialog());
}

void TMainForm::FindDialogFind(TFindDialog *sender)
{
    FindRequest request;
    request.search = sender->findText();
    request.matchCase = sender->matchCase();
    request.down = sender->down();
    if (sender->isReplaceDialog()) {
        request.replacement = sender->replaceText();
        request.replace = m_lastSearchWasReplace || sender->pressed() != TFindDialog::Button::FindNext;
        request.replaceAll = sender->pressed() == TFindDialog::Button::ReplaceAll;
    }
    if (request.search.isEmpty()) {
        (m_lastSearchWasReplace ? replaceDialog() : findDialog())->execute();
        return;
    }
    if (QPlainTextEdit *editor = activeEditor()) {
        editor->setFocus();
        // A read-only pane (the results) is searched but never changed.
        if (editor->isReadOnly())
            request.replace = false;
        PlainTextSqlEditor lines(editor);
        const FindOutcome outcome = quodlin::FindDialogFind(lines, editor->textCursor().selectionEnd(), request);
        if (!outcome.found)
            QApplication::beep();
        if (outcome.select) {
            QTextCursor cursor = editor->textCursor();
            cursor.setPosition(outcome.selectionStart);
            cursor.setPosition(outcome.selectionEnd, QTextCursor::KeepAnchor);
            editor->setTextCursor(cursor);
        }
        editor->ensureCursorVisible();
    }
    sender->close();
}

} // namespace quodlin
