// The main window's result exports: INSERT script, SQD, CSV and UNLOAD
// files written by the core's writers, with the save dialogs and status texts.
#include "app/ui/mainform.h"

#include "app/dialogs.h"
#include "app/externalprograms.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dbquery.h"
#include "output/exportwriter.h"

#include <QTableView>

namespace quodlin {

namespace {

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

void TMainForm::QueryToScriptFile(DbQuery &dataSet, QTableView *grid) { QueryToFile(ExportFormat::Script, dataSet, grid); }

void TMainForm::QueryToSQDFile(DbQuery &dataSet, QTableView *grid) { QueryToFile(ExportFormat::Sqd, dataSet, grid); }

void TMainForm::QueryToFile(ExportFormat format, DbQuery &dataSet, QTableView *grid)
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
    const QString path = Dialogs().saveFile(request, this);
    if (path.isEmpty())
        return;
    statusSink()(ExportSavingStatusText());

    ExportOptions options;
    options.format = format;
    options.tableName = table;
    options.delimiter = DefaultUnloadDelimiter();
    // The key line comes from the current connection's browser, as it shows
    // the table's indexes.
    options.primaryKey = [this](const QString &name) {
        auto *module = dynamic_cast<TdmDbObjects *>(CurrentConnection());
        return module ? SqdKeyColumns(&module->qryTable(), &module->qryTableIndexes(), name) : QStringList();
    };
    ExportResult result;
    {
        const bool repaint = grid && grid->updatesEnabled();
        if (grid)
            grid->setUpdatesEnabled(false);
        result = WriteQueryToFile(dataSet, path, options);
        if (grid)
            grid->setUpdatesEnabled(repaint);
    }
    if (result.ok()) {
        setStatusText(ExportSavedStatusText(path));
        return;
    }
    // Nothing replaced the old file, so the status does not claim it was saved.
    ShowErrorBox(result.report(QLatin1String(dialog.context)));
    setStatusText(QStringLiteral("Error saving query to file."));
}

} // namespace quodlin
