#pragma once
// Browser stand-ins that own real connections to embedded databases in the
// test home, for windows under a fake shell; dialogs answered by RecordingDialogs.
#include "app/childwindows.h"
#include "catalogfixture.h"
#include "fakeshell.h"
#include "recordingdialogs.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace quodlin::test {

// An object browser reduced to what query windows ask of it: its connection.
class StubBrowser : public QMdiSubWindow, public IObjectBrowserWindow {
public:
    explicit StubBrowser(const QString &database)
        : StubBrowser(QString(), QStringLiteral("SERVER NAME=local\nDATABASE NAME=") + database
                                     + QStringLiteral("\nUSER NAME=tester\nPASSWORD="),
                      QStringLiteral("local\\") + database)
    {
    }
    // Over an alias (an ODBC data source) with its parameter lines.
    StubBrowser(const QString &alias, const QString &params, const QString &directName = {})
    {
        setAttribute(Qt::WA_DeleteOnClose);
        static int counter = 0;
        module.SetDatabaseName(QStringLiteral("QuodlinTest%1").arg(++counter));
        module.Open(alias, directName, QStringLiteral("tester"), params);
        module.setFinishedConnecting(true);
    }
    void connectDatabase(const QString &, const QString &, const QString &, const QString &) override {}
    void refresh() override { ++refreshes; }
    void back() override {}
    void previous() override {}
    void queryTab() override {}
    void reloadDataPage() override {}
    QList<VisiblePage> visiblePages() const override { return {}; }
    bool nodeHasParent() const override { return false; }
    bool hasPreviousNode() const override { return false; }
    IConnection *connection() const override { return const_cast<TdmDbObjects *>(&module); }
    bool resultOpen() const override { return false; }
    void execute() override {}
    void edit() override {}
    void externalEdit() override {}
    void openFile() override {}
    void save() override {}
    void saveAs() override {}
    void saveAsScript() override {}
    void saveAsSqd() override {}
    void saveAsCsv() override {}
    void saveAsUnload() override {}
    void print() override {}
    void explainQuery() override {}
    void refreshData() override {}
    void pasteQuery() override {}
    void memorizeQuery() override {}
    void activate() override {}
    bool canClose() override { return true; }

    TdmDbObjects module;
    int refreshes = 0;
};

} // namespace quodlin::test
