#pragma once
// The settings store: every persistent preference, window geometry,
// per-connection value, template and memorized query of the program.
//
// The addressing is the Windows registry's: a root key, a key path, a section
// (a subkey of the key path that may itself nest with backslashes) and a value
// name. On Windows the store is the registry under HKEY_CURRENT_USER; elsewhere,
// and wherever QUODLIN_HOME is set, it is the INI file Quodlin.conf (in
// $QUODLIN_HOME when set), in which the key path "Software\Veltrane\Quodlin"
// is the file's root and deeper keys are groups. HKEY_LOCAL_MACHINE is only
// read, and only on Windows; elsewhere it is an empty store. Nothing is
// cached: every call opens the store, does one thing and closes it, so a write
// is visible to the next read anywhere, and two running copies end
// last-writer-wins value by value.
//
// Inside one key name the store encodes the characters it treats specially
// ('/' and '%'), so any subkey name round-trips through ListSettingKeys. A
// backslash in a section always means nesting; a caller that needs a literal
// backslash inside one name (a memorized query's description) passes it
// through QuoteSettingKeyName and reads listings back through
// UnquoteSettingKeyName.
#include <QString>
#include <QStringList>

#include <stdexcept>

namespace quodlin {

enum class SettingsRoot { CurrentUser, LocalMachine };

// The key paths the program uses.
inline const QString kVeltraneKey = QStringLiteral("Software\\Veltrane");
inline const QString kQuodlinSection = QStringLiteral("Quodlin");
inline const QString kQuodlinKey = QStringLiteral("Software\\Veltrane\\Quodlin");
inline const QString kTemplatesSection = QStringLiteral("Templates");
inline const QString kMemorizedQueriesKey = QStringLiteral("Software\\Veltrane\\Quodlin\\Memorized Queries");
inline const QString kDbAliasesKey = QStringLiteral("Software\\Veltrane\\Quodlin\\DB Aliases\\");
inline const QString kBorlandKey = QStringLiteral("SOFTWARE\\Borland");
inline const QString kDatabaseEngineSection = QStringLiteral("Database Engine");

// Raised with the registry's own texts: "Invalid data type for '%s'",
// "Failed to set data for '%s'", "Failed to create key %s".
class SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const QString &message);
    QString message() const;
};

// The full path of the settings file on platforms that use one (empty on Windows).
QString SettingsFilePath();
// The folder that holds the settings file, the alias configuration and (by
// default) the embedded databases: $QUODLIN_HOME when set, else
// <generic config folder>/Veltrane (~/.config/Veltrane on Linux).
QString SettingsFolder();
// The embedded databases' folder: $QUODLIN_HOME/databases when QUODLIN_HOME
// is set, else <generic data folder>/Veltrane/Quodlin/databases
// (~/.local/share/Veltrane/Quodlin/databases on Linux). Not created here.
QString DataFolder();
// The explain output file offered for a login user:
// DataFolder()/explain/<user>.out (the embedded driver writes plans there).
QString DefaultExplainFile(const QString &loginUser);
// <folder>/explain/<user>.out, the user name made safe as a file name (a
// slash or a leading dot cannot lead out of the folder).
QString ExplainFileIn(const QString &folder, const QString &loginUser);

// An open key of the store, opened without creating it.
class TWinRegistry {
public:
    TWinRegistry(SettingsRoot root, const QString &keyPath);
    SettingsRoot root() const { return m_root; }
    const QString &keyPath() const { return m_keyPath; }
    bool keyExists() const;

private:
    SettingsRoot m_root;
    QString m_keyPath;
};

QString ReadSettingString(SettingsRoot root, const QString &keyPath, const QString &section,
                          const QString &name, const QString &defaultValue);
int ReadSettingInteger(SettingsRoot root, const QString &keyPath, const QString &section,
                       const QString &name, int defaultValue);
bool ReadSettingBool(SettingsRoot root, const QString &keyPath, const QString &section,
                     const QString &name, bool defaultValue);
void WriteSettingString(SettingsRoot root, const QString &keyPath, const QString &section,
                        const QString &name, const QString &value);
void WriteSettingInteger(SettingsRoot root, const QString &keyPath, const QString &section,
                         const QString &name, int value);
void WriteSettingBool(SettingsRoot root, const QString &keyPath, const QString &section,
                      const QString &name, bool value);

// Names of the open key's direct subkeys, in the store's order; a missing key
// or any failure leaves the list empty and raises nothing.
void ListSettingKeys(const TWinRegistry &reg, QStringList &list);
// Deletes one subkey (with everything below it) of the open key.
bool DeleteSettingKey(const TWinRegistry &reg, const QString &subkey);

QString QuoteSettingKeyName(const QString &name);
QString UnquoteSettingKeyName(const QString &name);

// Shorthands for the main section (Software\Veltrane\Quodlin) of the current user.
QString ReadMainString(const QString &name, const QString &defaultValue);
int ReadMainInteger(const QString &name, int defaultValue);
bool ReadMainBool(const QString &name, bool defaultValue);
void WriteMainString(const QString &name, const QString &value);
void WriteMainInteger(const QString &name, int value);
void WriteMainBool(const QString &name, bool value);

} // namespace quodlin
