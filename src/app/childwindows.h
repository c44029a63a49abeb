#pragma once
// What the main window asks of its child windows. The two kinds of child, the
// object browser and the query window, are MDI sub-windows that also
// implement one of these interfaces; the frame finds them with dynamic_cast
// and routes each menu command to the active child's operation. It never
// reaches into a child's widgets.
#include "app/menurules.h"

#include <QList>
#include <QString>

namespace quodlin {

// One open connection: the browser's catalog module and its database component.
class IConnection {
public:
    virtual ~IConnection() = default;
    // The alias name, or for a direct connection server\database.
    virtual QString ConnectionName() const = 0;
    // The database component's name, unique in the process.
    virtual QString uniqueDatabaseName() const = 0;
    virtual QString loginUser() const = 0;
    virtual bool explain() const = 0;
    // Implementations call the main window's UpdateMenus after a change.
    virtual void setExplain(bool on) = 0;
    // The database component is connected.
    virtual bool isConnected() const = 0;
    // The browser's connect operation has ended and its destruction has not begun.
    virtual bool finishedConnecting() const = 0;

    // The text of the connection combo boxes, by which an entry is matched back.
    QString ConnectionDisplayName() const
    {
        return ConnectionName() + QStringLiteral(" (") + uniqueDatabaseName() + QLatin1Char(')');
    }
};

// The commands both kinds of child implement.
class IChildWindow {
public:
    virtual ~IChildWindow() = default;

    // The browser's own connection, or the one a query window is bound to (may be null).
    virtual IConnection *connection() const = 0;
    // The browser's result query, or the query window's query, is open.
    virtual bool resultOpen() const = 0;

    virtual void execute() = 0;
    virtual void edit() = 0;
    virtual void externalEdit() = 0;
    virtual void openFile() = 0;
    virtual void save() = 0;
    virtual void saveAs() = 0;
    virtual void saveAsScript() = 0;
    virtual void saveAsSqd() = 0;
    virtual void saveAsCsv() = 0;
    virtual void saveAsUnload() = 0;
    virtual void print() = 0;
    virtual void explainQuery() = 0;
    virtual void refreshData() = 0;
    virtual void pasteQuery() = 0;
    virtual void memorizeQuery() = 0;

    // A statement of this window runs on a worker; Stop interrupts it.
    virtual bool running() const { return false; }
    virtual void stop() {}

    // The activation handler: re-reads the settings the window uses.
    virtual void activate() = 0;
    // The leave checks run before the window closes; false refuses.
    virtual bool canClose() = 0;
};

class IObjectBrowserWindow : public IChildWindow {
public:
    // Connects by alias or directly (directName = server\database); reports its
    // own failures. On success it makes its connection current and calls UpdateMenus.
    virtual void connectDatabase(const QString &alias, const QString &directName,
                                 const QString &user, const QString &paramsText) = 0;

    virtual void refresh() = 0;
    virtual void back() = 0;
    virtual void previous() = 0;
    virtual void queryTab() = 0;
    virtual void reloadDataPage() = 0;
    // The picture of the database's tables and their foreign keys.
    virtual void databaseDiagram() {}

    // State the menu rules read.
    virtual QList<VisiblePage> visiblePages() const = 0;
    virtual bool nodeHasParent() const = 0;
    virtual bool hasPreviousNode() const = 0;
};

class IQueryWindow : public IChildWindow {
public:
    // Pastes the named template ("Stored Procedure", "View", "Trigger", "Synonym").
    virtual void pasteTemplate(const QString &kind) = 0;
    // Bound to this connection, whether or not its browser still lists it.
    virtual bool boundTo(const IConnection *connection) const = 0;
    // The Plan page: the last explained run's plan as text and as a picture.
    virtual void viewPlan() {}
};

} // namespace quodlin
