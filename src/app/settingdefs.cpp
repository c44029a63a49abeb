#include "app/settingdefs.h"

#include "app/externalprograms.h"

namespace quodlin::Settings {

QString defaultOf(const StringSetting &s)
{
    return s.platformDefault ? s.platformDefault() : QString::fromUtf8(s.def);
}

QString EditorDefault() { return DefaultEditorSetting(); }

QString SchemaEditorDefault()
{
#ifdef Q_OS_WIN
    return QStringLiteral("\"C:\\Program Files\\Powersoft\\S-Designor 5\\SDDA50.EXE\"");
#else
    return {};
#endif
}

QString InformixHelpFileDefault()
{
#ifdef Q_OS_WIN
    return QStringLiteral("o:\\bin\\errmess.hlp");
#else
    // No WinHelp viewer elsewhere: the error messages of the server documentation.
    return QStringLiteral("https://www.ibm.com/docs/en/informix-servers/14.10");
#endif
}

bool read(const BoolSetting &s) { return ReadMainBool(QString::fromUtf8(s.name), s.def); }
int read(const IntSetting &s) { return ReadMainInteger(QString::fromUtf8(s.name), s.def); }
QString read(const StringSetting &s) { return ReadMainString(QString::fromUtf8(s.name), defaultOf(s)); }
void write(const BoolSetting &s, bool value) { WriteMainBool(QString::fromUtf8(s.name), value); }
void write(const IntSetting &s, int value) { WriteMainInteger(QString::fromUtf8(s.name), value); }
void write(const StringSetting &s, const QString &value) { WriteMainString(QString::fromUtf8(s.name), value); }

bool readConnection(const QString &connectionName, const BoolSetting &s)
{
    return ReadSettingBool(SettingsRoot::CurrentUser, kDbAliasesKey, connectionName, QString::fromUtf8(s.name), s.def);
}

QString readConnection(const QString &connectionName, const StringSetting &s)
{
    return ReadSettingString(SettingsRoot::CurrentUser, kDbAliasesKey, connectionName,
                             QString::fromUtf8(s.name), defaultOf(s));
}

void writeConnection(const QString &connectionName, const StringSetting &s, const QString &value)
{
    WriteSettingString(SettingsRoot::CurrentUser, kDbAliasesKey, connectionName, QString::fromUtf8(s.name), value);
}

bool readTemplates(const BoolSetting &s)
{
    return ReadSettingBool(SettingsRoot::CurrentUser, kQuodlinKey, kTemplatesSection, QString::fromUtf8(s.name), s.def);
}

QString readTemplates(const StringSetting &s)
{
    return ReadSettingString(SettingsRoot::CurrentUser, kQuodlinKey, kTemplatesSection,
                             QString::fromUtf8(s.name), defaultOf(s));
}

void writeTemplates(const BoolSetting &s, bool value)
{
    WriteSettingBool(SettingsRoot::CurrentUser, kQuodlinKey, kTemplatesSection, QString::fromUtf8(s.name), value);
}

void writeTemplates(const StringSetting &s, const QString &value)
{
    WriteSettingString(SettingsRoot::CurrentUser, kQuodlinKey, kTemplatesSection, QString::fromUtf8(s.name), value);
}

} // namespace quodlin::Settings
