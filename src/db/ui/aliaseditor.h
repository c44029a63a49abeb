#pragma once
// The database layer's configuration on this platform: an editor of the
// alias configuration (aliases.conf). Embedded and ODBC aliases can be added,
// edited and removed; the ODBC data sources of the system are listed read-only.
// Every change is written at once (atomically).
#include "db/aliasconfig.h"

#include <QDialog>

class QListWidget;
class QPushButton;

namespace quodlin {

class DbSession;

class TfrmAliasEditor : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAliasEditor(DbSession &session, QWidget *parent = nullptr);

    // Validates an alias for the configuration (`original`: the name it had,
    // empty for a new one); returns the reason it cannot be saved, or empty.
    static QString checkAlias(const AliasConfig &config, const DbAlias &alias, const QString &original);

private:
    void reload();
    void updateButtons();
    void addAlias();
    void editAlias();
    void removeAlias();
    // Shows the alias form; false when cancelled.
    bool editInForm(DbAlias &alias, const QString &original);
    bool save(const AliasConfig &config);

    DbSession &m_session;
    AliasConfig m_config;
    QListWidget *m_list = nullptr;
    QPushButton *m_btnEdit = nullptr;
    QPushButton *m_btnRemove = nullptr;
};

// Installs the alias editor as the program's database configuration tool
// (Tools > BDE Configuration and the login dialog's button).
void InstallAliasEditorAsDatabaseTool();

} // namespace quodlin
