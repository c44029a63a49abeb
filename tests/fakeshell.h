#pragma once
// The shell child windows get under test: an MDI area without the main
// window, the status text kept, menu refreshes counted, frame commands
// logged, a printer the tests point at a PDF file.
#include "app/shell.h"
#include "output/ui/textprinter.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPrinter>

#include <algorithm>

namespace quodlin::test {

class FakeShell : public IShell {
public:
    FakeShell()
    {
        area.resize(1000, 700);
        SetUpNewPrinter(m_printer);
    }
    // The children go first: they call back while they are destroyed.
    ~FakeShell() override
    {
        QList<QPointer<QMdiSubWindow>> windows;
        for (QMdiSubWindow *window : area.subWindowList())
            windows << window;
        for (const QPointer<QMdiSubWindow> &window : windows)
            delete window.data();
    }

    IConnection *CurrentConnection() const override { return current; }
    void SetCurrentConnection(IConnection *connection) override { current = connection; }
    void UpdateMenus() override { ++menuUpdates; }
    void updateMenusLater() override { ++menuUpdates; }
    void setStatusText(const QString &text) override { status = text; }
    void paintStatusText(const QString &text) override { status = text; }
    QList<IChildWindow *> children() const override
    {
        QList<QMdiSubWindow *> windows = area.subWindowList(QMdiArea::StackingOrder);
        std::reverse(windows.begin(), windows.end());
        QList<IChildWindow *> list;
        for (QMdiSubWindow *window : windows)
            if (auto *child = dynamic_cast<IChildWindow *>(window))
                list << child;
        return list;
    }
    void addChild(QMdiSubWindow *window) override { area.addSubWindow(window); }
    IQueryWindow *openQueryWindow() override
    {
        const QueryWindowFactory &factory = queryWindowFactory();
        return factory ? factory(*this) : nullptr;
    }
    void triggerCommand(Command command) override { commands << command; }
    bool liveDataEnabled() const override { return liveData; }
    bool explainQueryEnabled() const override { return explain; }
    QPrinter &printer() override { return m_printer; }
    bool printPreviewing() const override { return false; }

    QMdiArea area;
    IConnection *current = nullptr;
    QString status;
    int menuUpdates = 0;
    QList<Command> commands;
    bool liveData = false;
    bool explain = false;

private:
    QPrinter m_printer;
};

} // namespace quodlin::test
