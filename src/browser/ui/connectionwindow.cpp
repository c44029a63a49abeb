#include "browser/ui/connectionwindow.h"

#include "app/externalprograms.h"
#include "app/settingdefs.h"
#include "app/ui/mainform.h"
#include "catalog/dbobjectsmodule.h"
#include "db/dberror.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>

namespace quodlin {

TfrmConnection::TfrmConnection(QWidget *parent)
    : QMdiSubWindow(parent)
    , m_module(std::make_unique<TdmDbObjects>())
{
    setObjectName(QStringLiteral("frmDbObjects"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_lblStatus = new QLabel;
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setAlignment(Qt::AlignCenter);
    m_lblStatus->setWordWrap(true);
    m_lblStatus->setMargin(12);
    setWidget(m_lblStatus);
    // The window's identity in upper-case hex names its database component,
    // unique among the components alive in the process.
    m_module->SetDatabaseName(QStringLiteral("Quodlin")
                              + QString::number(reinterpret_cast<quintptr>(this), 16).toUpper());
    m_module->setExplainChanged([] {
        if (TMainForm *main = MainForm())
            main->UpdateMenus();
    });
}

TfrmConnection::~TfrmConnection()
{
    m_module->setFinishedConnecting(false);
    m_module->setExplainChanged({});
    if (TMainForm *main = MainForm(); main && main->CurrentConnection() == m_module.get())
        main->SetCurrentConnection(nullptr);
}

IConnection *TfrmConnection::connection() const { return m_module.get(); }

void TfrmConnection::connectDatabase(const QString &alias, const QString &directName, const QString &user,
                                     const QString &paramsText)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_module->setFinishedConnecting(false);
    m_connectionName = alias.isEmpty() ? directName : alias;
    setWindowTitle(QStringLiteral("Objects [") + m_connectionName + QLatin1Char(']'));
    TMainForm *main = MainForm();
    try {
        m_module->Open(alias, directName, user, paramsText);
        if (main) {
            main->SetCurrentConnection(m_module.get());
            if (QMdiArea *area = mdiArea())
                connect(area, &QMdiArea::subWindowActivated, this, &TfrmConnection::subWindowActivated,
                        Qt::UniqueConnection);
        }
        m_connected = true;
        showStatus();
        m_module->setFinishedConnecting(true);
    } catch (const std::exception &failure) {
        ShowErrorBox(DbErrorReport(failure, QStringLiteral("TfrmDbObjects.Connect")));
    }
    QApplication::restoreOverrideCursor();
    m_explainFile = Settings::readConnection(m_module->ConnectionName(), Settings::ConnSqexplnFile);
    m_explainViewer = Settings::readConnection(m_module->ConnectionName(), Settings::ConnSqexplnViewer);
    if (main) {
        main->UpdateMenus();
        m_module->setExplain(main->explainQueryEnabled());
    }
}

void TfrmConnection::showStatus()
{
    QString detail;
    try {
        const int tables = m_module->UserTableCount();
        detail = tables == 1 ? QStringLiteral("1 user table") : QStringLiteral("%1 user tables").arg(tables);
    } catch (const std::exception &failure) {
        detail = QStringLiteral("Connected; the catalog could not be read: ") + QString::fromUtf8(failure.what());
    }
    m_lblStatus->setText(m_module->ConnectionDisplayName() + QLatin1Char('\n') + detail);
}

void TfrmConnection::refresh()
{
    if (m_connected)
        showStatus();
}

void TfrmConnection::explainQuery() { ViewExplainOutput(m_module->explain(), m_explainFile, m_explainViewer); }

void TfrmConnection::activate()
{
    m_explainFile = Settings::readConnection(m_module->ConnectionName(), Settings::ConnSqexplnFile);
    m_explainViewer = Settings::readConnection(m_module->ConnectionName(), Settings::ConnSqexplnViewer);
}

void TfrmConnection::subWindowActivated(QMdiSubWindow *window)
{
    if (window != this || !m_module->finishedConnecting())
        return;
    activate();
    if (TMainForm *main = MainForm()) {
        main->SetCurrentConnection(m_module.get());
        main->UpdateMenus();
    }
}

void TfrmConnection::closeEvent(QCloseEvent *event)
{
    if (!canClose()) {
        event->ignore();
        return;
    }
    // From here on the main window no longer counts this connection.
    m_module->setFinishedConnecting(false);
    if (TMainForm *main = MainForm(); main && main->CurrentConnection() == m_module.get())
        main->SetCurrentConnection(nullptr);
    QMdiSubWindow::closeEvent(event);
}

} // namespace quodlin
