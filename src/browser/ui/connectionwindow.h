#pragma once
// The child window of one open connection. It owns the connection's catalog
// module and with it the open database component, shows what it is connected
// to, and answers the main window's browser commands; the object tree and the
// detail pages grow into it.
#include "app/childwindows.h"

#include <QMdiSubWindow>

#include <memory>

class QLabel;

namespace quodlin {

class TdmDbObjects;

class TfrmConnection : public QMdiSubWindow, public IObjectBrowserWindow {
    Q_OBJECT
public:
    explicit TfrmConnection(QWidget *parent = nullptr);
    ~TfrmConnection() override;

    TdmDbObjects &module() const { return *m_module; }
    QString connectionName() const { return m_connectionName; }
    bool connected() const { return m_connected; }

    // IObjectBrowserWindow
    void connectDatabase(const QString &alias, const QString &directName, const QString &user,
                         const QString &paramsText) override;
    void refresh() override;
    void back() override {}
    void previous() override {}
    void queryTab() override {}
    void reloadDataPage() override { refresh(); }
    QList<VisiblePage> visiblePages() const override { return {}; }
    bool nodeHasParent() const override { return false; }
    bool hasPreviousNode() const override { return false; }

    // IChildWindow
    IConnection *connection() const override;
    bool resultOpen() const override { return false; }
    void execute() override {}
    void edit() override {}
    void externalEdit() override {}
    void openFile() override {}
    void save() override {}
    void saveAs() override {}
    void saveAsScript() override {}
    void saveAsSqd() override {}
    void print() override {}
    void explainQuery() override;
    void refreshData() override { refresh(); }
    void pasteQuery() override {}
    void memorizeQuery() override {}
    void find() override {}
    void replace() override {}
    void searchAgain() override {}
    void activate() override;
    bool canClose() override { return true; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void subWindowActivated(QMdiSubWindow *window);
    void showStatus();

    std::unique_ptr<TdmDbObjects> m_module;
    QLabel *m_lblStatus = nullptr;
    QString m_connectionName;
    QString m_explainFile;
    QString m_explainViewer;
    bool m_connected = false;
};

} // namespace quodlin
