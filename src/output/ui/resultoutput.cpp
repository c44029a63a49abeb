#include "output/ui/resultoutput.h"

#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "app/shell.h"
#include "app/ui/plaintexteditor.h"
#include "db/dbquery.h"
#include "output/exportwriter.h"
#include "output/textrender.h"
#include "output/ui/textprinter.h"

#include <QAction>
#include <QPainter>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
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

struct ExportDialog {
    const char *title;
    const char *suffix;
    const char *filter;
    const char *context;
};

ExportDialog dialogFor(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Sqd:
        return {"Save SQD As", "sqd", "SQD Files (*.sqd *.SQD);;Text Files (*.txt *.TXT);;All Files (*)",
                "TMainForm.QueryToSQDFile"};
    case ExportFormat::Csv:
        return {"Save as CSV", "csv", "CSV Files (*.csv *.CSV);;Text Files (*.txt *.TXT);;All Files (*)",
                "TMainForm.QueryToCSVFile"};
    case ExportFormat::Unload:
        return {"Save as UNLOAD", "unl", "UNLOAD Files (*.unl *.UNL);;Text Files (*.txt *.TXT);;All Files (*)",
                "TMainForm.QueryToUnloadFile"};
    default:
        return {"Save SQL INSERT Script As", "sql",
                "SQL Files (*.sql *.SQL);;Text Files (*.txt *.TXT);;All Files (*)", "TMainForm.QueryToScriptFile"};
    }
}

} // namespace

void QueryToRichEdit(IShell &shell, DbQuery &dataSet, QPlainTextEdit *richEdit, QTableView *grid)
{
    shell.paintStatusText(QStringLiteral("Generating output..."));
    richEdit->clear();
    {
        const GridDetach detach(grid);
        richEdit->setPlainText(QueryToTextLines(dataSet).join(QLatin1Char('\n')));
    }
    shell.setStatusText({});
}

namespace {

// The shell's printer through its preview or the print dialog; `paint`
// is false when the printer cannot be painted on.
bool printPages(IShell &shell, QWidget *from, const std::function<bool(QPrinter &)> &paint)
{
    QPrinter &printer = shell.printer();
    if (shell.printPreviewing()) {
        QPrintPreviewDialog preview(&printer, from->window());
        preview.setObjectName(QStringLiteral("PrintPreviewDialog"));
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                         [&](QPrinter *target) { paint(*target); });
        return preview.exec() == QDialog::Accepted;
    }
    if (!Dialogs().printDialog(&printer, from->window()))
        return false;
    if (!paint(printer))
        throw std::runtime_error("The printer could not be opened.");
    return true;
}

// The title (when not empty), then the blocks, on the printer or its preview.
bool printBlocks(IShell &shell, QWidget *from, const QString &title, const QFont &font, QList<PrintBlock> blocks)
{
    if (!title.isEmpty())
        blocks.prepend(QStringList{title});
    return printPages(shell, from, [&](QPrinter &printer) { return PrintDocument(printer, font, blocks); });
}

} // namespace

bool PrintRichEdits(IShell &shell, QWidget *from, const QString &title, const QList<QPlainTextEdit *> &editors)
{
    QList<PrintBlock> blocks;
    for (QPlainTextEdit *editor : editors)
        if (editor)
            blocks << PrintBlock(PlainTextSqlEditor(editor).lines());
    const QFont font = !editors.isEmpty() && editors.first() ? editors.first()->font() : QFont();
    return printBlocks(shell, from, title, font, blocks);
}

bool PrintPicture(IShell &shell, QWidget *from, const QString &title, const QFont &font,
                  const std::function<void(QPainter &, const QRectF &)> &paint)
{
    return printPages(shell, from, [&](QPrinter &printer) {
        QPainter painter;
        if (!painter.begin(&printer))
            return false;
        const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
        const QRectF area(QPointF(0, 0), page.size());
        QFont titleFont = font;
        titleFont.setBold(true);
        painter.setFont(titleFont);
        painter.setPen(Qt::black);
        const QRectF titleBox = painter.boundingRect(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, title);
        painter.drawText(titleBox, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, title);
        const double gap = titleBox.height() / 2;
        paint(painter, area.adjusted(0, titleBox.height() + gap, 0, 0));
        return painter.end();
    });
}

bool PrintQuery(IShell &shell, QWidget *from, DbQuery *dataSet, QPlainTextEdit *sqlEditor, QPlainTextEdit *pane,
                QTableView *grid, const QString &title)
{
    if (!dataSet || !dataSet->isOpen() || !pane) {
        if (pane && sqlEditor && dataSet)
            return PrintRichEdits(shell, from, title, {sqlEditor, pane});
        if (pane || sqlEditor)
            return PrintRichEdits(shell, from, title, {pane ? pane : sqlEditor});
        return false;
    }
    // The rows are laid out for the page whole, not as the pane's cut columns.
    QList<PrintBlock> blocks;
    if (sqlEditor)
        blocks << PrintBlock(PlainTextSqlEditor(sqlEditor).lines());
    {
        shell.paintStatusText(QStringLiteral("Generating output..."));
        const GridDetach detach(grid);
        blocks << PrintBlock(QueryToPrintTable(*dataSet));
    }
    return printBlocks(shell, from, title, (sqlEditor ? sqlEditor : pane)->font(), blocks);
}

void QueryToScriptFile(IShell &shell, QWidget *from, DbQuery &dataSet, QTableView *grid)
{
    QueryToFile(shell, from, ExportFormat::Script, dataSet, grid, {});
}

void QueryToSQDFile(IShell &shell, QWidget *from, DbQuery &dataSet, QTableView *grid,
                    const KeyColumnsLookup &primaryKey)
{
    QueryToFile(shell, from, ExportFormat::Sqd, dataSet, grid, primaryKey);
}

void QueryToFile(IShell &shell, QWidget *from, ExportFormat format, DbQuery &dataSet, QTableView *grid,
                 const KeyColumnsLookup &primaryKey)
{
    const ExportDialog dialog = dialogFor(format);
    const QString table = ExportTableName(dataSet.sql());
    FileDialogRequest request;
    request.title = QLatin1String(dialog.title);
    request.filter = QLatin1String(dialog.filter);
    request.defaultSuffix = QLatin1String(dialog.suffix);
    request.fileName = format == ExportFormat::Script || format == ExportFormat::Sqd
        ? ExportDefaultFileName(table, format)
        : (table.isEmpty() ? QString() : table + QLatin1Char('.') + QLatin1String(dialog.suffix));
    const QString path = Dialogs().saveFile(request, from->window());
    if (path.isEmpty())
        return;
    shell.paintStatusText(ExportSavingStatusText());

    ExportOptions options;
    options.format = format;
    options.tableName = table;
    options.table = ExportTableOf(dataSet.sql());
    options.delimiter = DefaultUnloadDelimiter();
    options.primaryKey = primaryKey;
    ExportResult result;
    {
        const GridDetach detach(grid);
        result = WriteQueryToFile(dataSet, path, options);
    }
    if (result.ok()) {
        shell.setStatusText(ExportSavedStatusText(path));
        return;
    }
    // Nothing replaced the old file, so the status does not claim it was saved.
    ShowErrorBox(result.report(QLatin1String(dialog.context)));
    shell.setStatusText(QStringLiteral("Error saving query to file."));
}

void ShowResultsMenu(QMenu *menu, QWidget *view, const QList<QAction *> &textOnly)
{
    if (!view)
        return;
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view, &QWidget::customContextMenuRequested, menu, [menu, view, textOnly](const QPoint &at) {
        const bool text = qobject_cast<QPlainTextEdit *>(view) != nullptr;
        for (QAction *a : textOnly)
            a->setVisible(text);
        menu->popup(view->mapToGlobal(at));
    });
}

} // namespace quodlin
