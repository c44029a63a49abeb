// Every key that reaches a command, walked as a user meets it: the main
// window with a browser on each kind of object and a query window on each
// page, and the dialogs. A shortcut may lead to one command within one
// window's reach, an Alt+letter to one control of what shows, and a menu or
// tab bar may not use one letter twice.
#include "app/connector.h"
#include "app/dialogs.h"
#include "app/templates.h"
#include "app/ui/widgetdialogs.h"
#include "browser/ui/dbobjectswindow.h"
#include "db/aliasconfig.h"
#include "db/dbsession.h"
#include "db/embeddeddriver.h"
#include "db/ui/aliaseditor.h"
#include "db/ui/dblogin.h"
#include "engine/engine.h"
#include "output/ui/finddialogs.h"
#include "shell/aboutbox.h"
#include "shell/appconnector.h"
#include "shell/mainform.h"
#include "shell/optionsform.h"
#include "workspace/ui/memorizedqueriesform.h"
#include "workspace/ui/queryform.h"
#include "workspace/ui/schemacompareform.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <map>

using namespace quodlin;

namespace {

using Keys = std::map<QString, QStringList>;  // key -> what it reaches

QString label(const QObject *owner, const QString &text)
{
    return owner->objectName() + QStringLiteral(" \"") + text + QLatin1Char('"');
}

void addMnemonic(Keys &keys, const QObject *owner, const QString &text)
{
    const QKeySequence key = QKeySequence::mnemonic(text);
    if (!key.isEmpty())
        keys[key.toString()] << label(owner, text);
}

QStringList clashes(const Keys &keys, const QString &where)
{
    QStringList found;
    for (const auto &[key, owners] : keys)
        if (owners.size() > 1)
            found << where + QStringLiteral(": ") + key + QStringLiteral(" -> ") + owners.join(QStringLiteral(", "));
    return found;
}

// Inside an MDI child that is not the active one: out of reach.
bool outOfReach(const QObject *object)
{
    for (const QObject *o = object; o; o = o->parent())
        if (auto *child = qobject_cast<const QMdiSubWindow *>(o))
            return child->mdiArea() && child->mdiArea()->activeSubWindow() != child;
    return false;
}

bool shown(QWidget *top, QWidget *w) { return w->isVisibleTo(top) && !outOfReach(w); }

// The Alt+letter keys of what `top` shows: menu bar titles, buttons, group
// boxes, labels (which need a buddy) and the shown tabs of its tab bars.
QStringList mnemonicClashes(QWidget *top, const QString &where)
{
    Keys keys;
    QStringList dead;
    for (QWidget *w : top->findChildren<QWidget *>()) {
        if (!shown(top, w))
            continue;
        if (auto *bar = qobject_cast<QMenuBar *>(w)) {
            for (QAction *a : bar->actions())
                if (a->isVisible())
                    addMnemonic(keys, a, a->text());
        } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            addMnemonic(keys, button, button->text());
        } else if (auto *group = qobject_cast<QGroupBox *>(w)) {
            addMnemonic(keys, group, group->title());
        } else if (auto *text = qobject_cast<QLabel *>(w)) {
            // Without a buddy the label shows the ampersand and the key does nothing.
            if (text->buddy())
                addMnemonic(keys, text, text->text());
            else if (!QKeySequence::mnemonic(text->text()).isEmpty())
                dead << where + QStringLiteral(": no field for ") + label(text, text->text());
        } else if (auto *tabs = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->isTabVisible(i))
                    addMnemonic(keys, tabs, tabs->tabText(i));
        }
    }
    return dead + clashes(keys, where);
}

// The key sequences in reach of `top`: its actions and shortcuts, and the
// standard keys a shown plain-text editor takes before any shortcut sees them.
QStringList shortcutClashes(QWidget *top, const QString &where)
{
    Keys keys;
    for (QAction *a : top->findChildren<QAction *>())
        if (!outOfReach(a))
            for (const QKeySequence &key : a->shortcuts())
                keys[key.toString()] << label(a, a->text());
    for (QShortcut *s : top->findChildren<QShortcut *>())
        if (!outOfReach(s))
            keys[s->key().toString()] << label(s, s->parent()->objectName());
    Keys editorKeys;
    for (QPlainTextEdit *editor : top->findChildren<QPlainTextEdit *>()) {
        if (!shown(top, editor))
            continue;
        for (const auto standard : {QKeySequence::SelectAll, QKeySequence::Copy, QKeySequence::Cut,
                                    QKeySequence::Paste, QKeySequence::Undo, QKeySequence::Redo})
            for (const QKeySequence &key : QKeySequence::keyBindings(standard))
                if (keys.count(key.toString()))
                    editorKeys[key.toString()] = {label(editor, QStringLiteral("editor"))};
    }
    for (const auto &[key, editor] : editorKeys)
        keys[key] << editor;
    return clashes(keys, where);
}

// Each menu and each tab bar by itself, all entries counted.
QStringList menuAndTabClashes(QWidget *top, const QString &where)
{
    QStringList found;
    for (QMenu *menu : top->findChildren<QMenu *>()) {
        emit menu->aboutToShow();  // the Window menu lists the children then
        Keys keys;
        for (QAction *a : menu->actions())
            if (a->isVisible() && !a->isSeparator())
                addMnemonic(keys, a, a->text());
        found << clashes(keys, where + QLatin1Char('/') + menu->objectName() + menu->title());
    }
    for (QTabBar *bar : top->findChildren<QTabBar *>()) {
        Keys keys;
        for (int i = 0; i < bar->count(); ++i)
            addMnemonic(keys, bar, bar->tabText(i));
        found << clashes(keys, where + QLatin1Char('/') + bar->parent()->objectName());
    }
    return found;
}

// Captions narrower than their text: the title (bold, beside the window
// manager's icon and buttons), buttons, labels, tabs and list entries.
QStringList cutCaptions(QWidget *dialog, const QString &where)
{
    QStringList found;
    QFont bold = dialog->font();
    bold.setBold(true);
    if (dialog->width() < QFontMetrics(bold).horizontalAdvance(dialog->windowTitle()) + 120)
        found << where + QStringLiteral(": title cut at width ") + QString::number(dialog->width());
    for (QWidget *w : dialog->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(dialog))
            continue;
        auto *text = qobject_cast<QLabel *>(w);
        const bool fixedText = qobject_cast<QAbstractButton *>(w) || (text && !text->wordWrap());
        if (fixedText && w->width() < w->minimumSizeHint().width())
            found << where + QStringLiteral(": cut ") + w->objectName();
        if (auto *list = qobject_cast<QListWidget *>(w); list && list->viewport()->width() < list->sizeHintForColumn(0))
            found << where + QStringLiteral(": entries cut in ") + list->objectName();
        if (auto *bar = qobject_cast<QTabBar *>(w))
            for (int i = 0; i < bar->count(); ++i)
                if (bar->tabRect(i).width() < bar->fontMetrics().horizontalAdvance(QString(bar->tabText(i)).remove(QLatin1Char('&'))))
                    found << where + QStringLiteral(": tab cut ") + bar->tabText(i);
    }
    return found;
}

// Every page of every tab widget of a dialog in turn.
QStringList dialogFaults(QWidget *dialog, const QString &where)
{
    dialog->show();
    QStringList found = menuAndTabClashes(dialog, where) + mnemonicClashes(dialog, where) + cutCaptions(dialog, where);
    for (QTabWidget *tabs : dialog->findChildren<QTabWidget *>())
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            const QString page = where + QLatin1Char('/') + tabs->tabText(i);
            found << mnemonicClashes(dialog, page) << cutCaptions(dialog, page);
        }
    dialog->hide();
    return found;
}

class NoLoginConnector : public AppConnector {
public:
    bool runLoginDialog(LoginResult &) override { return false; }
};

void createKeysDatabase()
{
    const QString path = EmbeddedDriver().databasePath(QStringLiteral("keys"));
    if (QFileInfo::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    engine::Session::createDatabase(path.toStdString(), "tester");
    auto session = engine::Session::open(path.toStdString(), "tester");
    for (const char *sql : {"create table t (a integer)", "create table audit (a integer)",
                            "create view v1 (a) as select a from t", "create synonym s1 for t",
                            "create procedure p1() end procedure",
                            "create trigger tr1 insert on t after (insert into audit values (1))", "create role staff"})
        session->execute(sql);
    AliasConfig config = AliasConfig::load(AliasConfig::defaultPath());
    config.aliases << DbAlias{QStringLiteral("keys"), QStringLiteral("EMBEDDED"), {QStringLiteral("DATABASE NAME=keys")}};
    config.save(AliasConfig::defaultPath());
}

} // namespace

TEST(WindowWalk, KeysLeadToOneCommandAndCaptionsShowWhole)
{
    createKeysDatabase();
    auto previousConnector = SetConnector(std::make_shared<NoLoginConnector>());
    InstallQueryWindowFactory();
    QStringList found;
    {
        TMainForm form;
        form.resize(1200, 800);
        form.show();
        form.FormShow();
        ASSERT_TRUE(form.ConnectDatabase(QStringLiteral("keys"), {}, QStringLiteral("tester"), {}));
        auto *browser = dynamic_cast<TfrmDbObjects *>(form.mdiArea()->subWindowList().last());
        auto *query = dynamic_cast<TfrmQuery *>(form.openQueryWindow());
        ASSERT_TRUE(browser && query);
        found << menuAndTabClashes(&form, QStringLiteral("main window"));

        // The browser on one node of each kind, on every page it shows.
        form.mdiArea()->setActiveSubWindow(browser);
        QList<int> kinds;
        for (int node = 0; node < int(browser->tree().nodes.size()); ++node) {
            const int kind = browser->tree().nodes[node].info.Kind;
            if (kinds.contains(kind))
                continue;
            kinds << kind;
            browser->gotoNode(node);
            QTabWidget *tabs = browser->shownPageSet();
            ASSERT_TRUE(tabs);
            const QString where = QStringLiteral("browser on ") + browser->tree().nodes[node].info.Caption;
            found << shortcutClashes(&form, where);
            for (int i = 0; i < tabs->count(); ++i) {
                if (!tabs->isTabVisible(i))
                    continue;
                tabs->setCurrentIndex(i);
                found << mnemonicClashes(&form, where + QLatin1Char('/') + tabs->tabText(i));
            }
        }
        // The query window on each of its pages.
        form.mdiArea()->setActiveSubWindow(query);
        auto *pages = query->findChild<QTabWidget *>(QStringLiteral("tabQuery"));
        found << shortcutClashes(&form, QStringLiteral("query window"));
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            found << mnemonicClashes(&form, QStringLiteral("query window/") + pages->tabText(i));
        }

        TfrmDbLogin login;
        found << dialogFaults(&login, QStringLiteral("login"));
        login.findChild<QPushButton *>(QStringLiteral("btnDirect"))->click();
        found << dialogFaults(&login, QStringLiteral("direct login"));
        TfrmOptions options(QStringLiteral("keys"), QStringLiteral("tester"));
        found << dialogFaults(&options, QStringLiteral("options"));
        for (const bool replace : {false, true}) {
            TFindDialog find(replace, &form);
            found << dialogFaults(&find, replace ? QStringLiteral("replace") : QStringLiteral("find"));
        }
        ResetTemplates();  // the memorized queries list the templates
        TfrmMemorizedQueries memorized;
        found << dialogFaults(&memorized, QStringLiteral("memorized queries"));
        TfrmAliasEditor aliases(DbSession::defaultSession());
        found << dialogFaults(&aliases, QStringLiteral("alias editor"));
        TfrmCompareSchema compare({}, QStringLiteral("keys"), QStringLiteral("tester"));
        found << dialogFaults(&compare, QStringLiteral("compare schema"));
        TAboutBox about;
        found << dialogFaults(&about, QStringLiteral("about"));
        QTimer::singleShot(0, [&found] {
            QWidget *box = QApplication::activeModalWidget();
            found << cutCaptions(box, QStringLiteral("memorize input box"));
            box->close();
        });
        QString description;
        WidgetDialogs().inputBox(QStringLiteral("Add to Memorized Queries"), QStringLiteral("Description of Query:"),
                                 description, &form);
    }
    SetQueryWindowFactory({});
    SetConnector(previousConnector);
    EXPECT_TRUE(found.isEmpty()) << found.join(QLatin1Char('\n')).toStdString();
}
