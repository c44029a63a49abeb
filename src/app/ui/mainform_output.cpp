// The main window's output operations that every child calls: results as
// text, printing, and find and replace over the active editor.
#include "app/ui/mainform.h"

#include "app/dialogs.h"
#include "app/ui/editorhost.h"
#include "db/dbquery.h"
#include "output/findreplace.h"
#include "output/printchoice.h"
#include "output/textrender.h"
#include "output/ui/finddialogs.h"
#include "output/ui/textprinter.h"
#include "workspace/ui/sqleditwidget.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QTableView>

#include <stdexcept>

namespace quodlin {

namespace {

// Keeps a grid from repainting while its query's cursor walks the rows.
class GridDetach {
public:
    explicit GridDetach(QTableView *grid) : m_grid(grid), m_was(grid && grid->updatesEnabled())
    {
        if (m_grid)
            m_grid->setUpdatesEnabled(false);
    }
    ~GridDetach()
    {
        if (m_grid)
            m_grid->setUpdatesEnabled(m_was);
    }
    GridDetach(const GridDetach &) = delete;
    GridDetach &operator=(const GridDetach &) = delete;

private:
    QTableView *m_grid;
    bool m_was;
};

} // namespace

std::function<void(const QString &)> TMainForm::statusSink()
{
    return [this](const QString &text) {
        setStatusText(text);
        statusBar()->repaint();
    };
}

void TMainForm::QueryToRichEdit(DbQuery &dataSet, QPlainTextEdit *richEdit, QTableView *grid)
{
    statusSink()(QStringLiteral("Generating output..."));
    richEdit->clear();
    {
        const GridDetach detach(grid);
        richEdit->setPlainText(QueryToTextLines(dataSet).join(QLatin1Char('\n')));
    }
    setStatusText({});
}

bool TMainForm::PrintRichEdits(const QString &title, const QList<QPlainTextEdit *> &editors)
{
    QList<std::optional<QStringList>> parts;
    for (QPlainTextEdit *editor : editors)
        parts << (editor ? std::optional<QStringList>(PlainTextSqlEditor(editor).lines()) : std::nullopt);
    const QFont font = !editors.isEmpty() && editors.first() ? editors.first()->font() : QFont();
    const QStringList lines = PrintDocumentLines(title, parts);
    if (m_printPreview) {
        QPrintPreviewDialog preview(&printer(), this);
        preview.setObjectName(QStringLiteral("PrintPreviewDialog"));
        connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                [&](QPrinter *target) { PrintTextLines(*target, font, lines); });
        return preview.exec() == QDialog::Accepted;
    }
    if (!Dialogs().printDialog(&printer(), this))
        return false;
    if (!PrintTextLines(printer(), font, lines))
        throw std::runtime_error("The printer could not be opened.");
    return true;
}

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
    // The children print as always; PrintRichEdits shows the pages instead.
    if (!activeAs<IQueryWindow>() && !activeAs<IObjectBrowserWindow>())
        return;
    m_printPreview = true;
    routeToChild(&IChildWindow::print);
    m_printPreview = false;
}

bool TMainForm::PrintQuery(DbQuery *dataSet, QPlainTextEdit *sqlEditor, QPlainTextEdit *pane, QTableView *grid,
                           const QString &title)
{
    const bool render = dataSet && dataSet->isOpen() && pane && !pane->isVisibleTo(pane->parentWidget());
    if (render)
        QueryToRichEdit(*dataSet, pane, grid);
    struct Clear {
        QPlainTextEdit *pane;
        ~Clear()
        {
            if (pane)
                pane->clear();
        }
    } clearAfter{render ? pane : nullptr};
    if (dataSet && sqlEditor && pane)
        return PrintRichEdits(title, {sqlEditor, pane});
    if (pane)
        return PrintRichEdits(title, {pane});
    if (sqlEditor)
        return PrintRichEdits(title, {sqlEditor});
    return false;
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
