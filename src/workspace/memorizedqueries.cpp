#include "workspace/memorizedqueries.h"

#include "app/settingdefs.h"
#include "app/settings.h"
#include "app/templates.h"

namespace quodlin {

namespace {

const QString kSqlValue = QStringLiteral("SQL");

QString expandTokens(const QString &text, const QDate &date)
{
    return ExpandTemplateTokens(text, date, Settings::read(Settings::Initials));
}

} // namespace

void MemorizeQuery(const QString &description, const QString &sql)
{
    WriteSettingString(SettingsRoot::CurrentUser, kMemorizedQueriesKey, QuoteSettingKeyName(description), kSqlValue,
                       sql);
}

QStringList MemorizedQueryDescriptions()
{
    QStringList keys;
    ListSettingKeys(TWinRegistry(SettingsRoot::CurrentUser, kMemorizedQueriesKey), keys);
    QStringList result;
    for (const QString &key : keys)
        result << UnquoteSettingKeyName(key);
    return result;
}

bool RemoveMemorizedQuery(const QString &description)
{
    return DeleteSettingKey(TWinRegistry(SettingsRoot::CurrentUser, kMemorizedQueriesKey),
                            QuoteSettingKeyName(description));
}

QStringList MemorizedQueryEntries()
{
    QStringList entries;
    for (const QString &kind : TemplateKinds())
        entries << kTemplateEntryPrefix + kind;
    entries << MemorizedQueryDescriptions();
    return entries;
}

bool CanRemoveEntry(const QString &entry) { return !entry.contains(kTemplateEntryPrefix); }

QString EntryText(const QString &entry, const QDate &date)
{
    if (entry.startsWith(kTemplateEntryPrefix)) {
        const QString kind = entry.mid(kTemplateEntryPrefix.size(), 255).trimmed();
        return expandTokens(ReadTemplate(kind), date);
    }
    return ReadSettingString(SettingsRoot::CurrentUser, kMemorizedQueriesKey, QuoteSettingKeyName(entry), kSqlValue,
                             QString());
}

QString TemplateTextForPaste(const QString &kind, const QString &currentText, const QDate &date)
{
    return expandTokens(ReadTemplate(kind, currentText), date);
}

} // namespace quodlin
