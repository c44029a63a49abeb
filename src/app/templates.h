#pragma once
// The four object templates ("Stored Procedure", "View", "Trigger",
// "Synonym"): their built-in texts, seeding them into the settings store, and
// filling in the date and initials tokens when one is pasted.
#include <QChar>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace quodlin {

inline const QString kTemplateStoredProcedure = QStringLiteral("Stored Procedure");
inline const QString kTemplateView = QStringLiteral("View");
inline const QString kTemplateTrigger = QStringLiteral("Trigger");
inline const QString kTemplateSynonym = QStringLiteral("Synonym");

// The kinds in their store order.
QStringList TemplateKinds();

// The built-in text of a kind as lines, and as stored: lines joined with
// CR LF, the last one followed by CR LF too. Unknown kinds give nothing.
QStringList BuiltInTemplateLines(const QString &kind);
QString BuiltInTemplate(const QString &kind);

// Writes the four built-in templates, in order, then "Initialized" = true.
// Templates the user saved are overwritten.
void ResetTemplates();
bool TemplatesInitialized();
// The stored template of a kind; `defaultText` when none is stored.
QString ReadTemplate(const QString &kind, const QString &defaultText = QString());
void WriteTemplate(const QString &kind, const QString &text);

// The date separator of a locale's short date format ('/' when it has none).
QChar DateSeparatorOf(const QLocale &locale);
// "<curdate>" becomes the date as mm/dd/yy joined by `dateSeparator`, then
// "<initials>" becomes `initials`; both without regard to case.
QString ExpandTemplateTokens(const QString &text, const QDate &date, const QString &initials,
                             QChar dateSeparator = DateSeparatorOf(QLocale::system()));

} // namespace quodlin
