// The browser's pictures of table relations: a table's Diagram page and the
// whole database's diagram window. The catalog module reads the diagram
// (catalog/relationdiagram.h); these lay it out, show and print it.
#include "app/externalprograms.h"
#include "browser/ui/dbobjectswindow.h"
#include "catalog/dbobjectsmodule.h"
#include "catalog/relationdiagram.h"
#include "output/relationpicture.h"
#include "db/dberror.h"
#include "output/ui/graphpicture.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quodlin {

namespace {

// Shows the picture, or the reason there is none in a message.
void showPicture(GraphPictureView *view, const std::function<GraphPicture()> &read, const QString &context)
{
    try {
        view->setPicture(read());
        view->zoomToFit();
    } catch (const std::exception &failure) {
        view->clearPicture();
        ShowErrorBox(DbErrorReport(failure, context));
    }
}

} // namespace

void TfrmDbObjects::createDiagramPage(QWidget *page, const QString &viewName)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_diagramView = new GraphPictureView;
    m_diagramView->setObjectName(viewName);
    m_diagramView->setPrintHandler([this] { print(); });
    m_diagramDepth = new QComboBox;
    m_diagramDepth->setObjectName(QStringLiteral("cboDiagramDepth"));
    m_diagramDepth->addItem(tr("1 step"), 1);
    m_diagramDepth->addItem(tr("2 steps"), 2);
    auto *label = new QLabel(tr("Depth:"));
    label->setBuddy(m_diagramDepth);
    connect(m_diagramDepth, &QComboBox::currentIndexChanged, this, [this] {
        m_diagramLoaded = false;
        showTableDiagramIfShown();
    });
    layout->addWidget(PictureBar(m_diagramView, {label, m_diagramDepth}));
    layout->addWidget(m_diagramView, 1);
}

void TfrmDbObjects::showTableDiagramIfShown()
{
    QTabWidget *tab = m_pageSets[QStringLiteral("tabTable")].tab;
    const TNodeInfo *info = currentNode();
    auto *page = tab->currentWidget();
    if (m_diagramLoaded || !info || info->Kind != KindTable || tab->isHidden() || !page
        || page->objectName() != QLatin1String("pageTableDiagram") || running())
        return;
    m_diagramLoaded = true;
    const TNodeInfo table = *info;
    const int depth = m_diagramDepth->currentData().toInt();
    m_diagramView->setFileNameHint(table.Name + QStringLiteral("-diagram"));
    showPicture(m_diagramView,
                [&] { return DiagramPicture(ReadTableDiagram(*m_module, table.Owner, table.Name, depth)); },
                QStringLiteral("TfrmDbObjects.TableDiagram (") + table.Name + QLatin1Char(')'));
}

bool TfrmDbObjects::printTableDiagram(const QString &title) { return PrintPictureView(m_shell, m_diagramView, title); }

void TfrmDbObjects::databaseDiagram()
{
    if (!m_connected || running())
        return;
    if (m_databaseDiagram) {
        m_databaseDiagram->show();
        m_databaseDiagram->raise();
        m_databaseDiagram->activateWindow();
        return;
    }
    auto *window = new QDialog(this, Qt::Window);
    m_databaseDiagram = window;
    window->setObjectName(QStringLiteral("frmDatabaseDiagram"));
    window->setWindowTitle(tr("Database Diagram - %1").arg(m_connectionName));
    window->resize(1000, 700);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *view = new GraphPictureView;
    view->setObjectName(QStringLiteral("viewDatabaseDiagram"));
    view->setFileNameHint(m_connectionName + QStringLiteral("-diagram"));
    view->setPrintHandler([this, view] {
        try {
            PrintPictureView(m_shell, view, tr("Diagram of %1").arg(m_connectionName));
        } catch (const std::exception &failure) {
            ShowErrorBox(DbErrorReport(failure, QStringLiteral("TfrmDbObjects.PrintDiagram")));
        }
    });
    auto *owners = new QComboBox;
    owners->setObjectName(QStringLiteral("cboDiagramOwner"));
    owners->addItem(tr("(all owners)"), QString());
    try {
        for (const QString &owner : DiagramOwners(*m_module))
            owners->addItem(owner, owner);
    } catch (const std::exception &failure) {
        ShowErrorBox(DbErrorReport(failure, QStringLiteral("TfrmDbObjects.DatabaseDiagram")));
    }
    auto *label = new QLabel(tr("&Owner:"));
    label->setBuddy(owners);
    layout->addWidget(PictureBar(view, {label, owners}));
    layout->addWidget(view, 1);
    const auto load = [this, view, owners] {
        if (running())
            return;
        const QString owner = owners->currentData().toString();
        showPicture(view, [&] { return DiagramPicture(ReadDatabaseDiagram(*m_module, owner)); },
                    QStringLiteral("TfrmDbObjects.DatabaseDiagram"));
    };
    connect(owners, &QComboBox::currentIndexChanged, window, load);
    window->show();
    load();
    view->setFocus();
}

} // namespace quodlin
