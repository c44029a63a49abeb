#include "app/templates.h"

#include "app/settingdefs.h"
#include "app/settings.h"
#include "app/textutil.h"

namespace quodlin {
namespace {

const QString kStars = QStringLiteral("--***************************************************************************");
// 77 characters: "--*** " + 67 centred + " ***".
const QString kOwner = QStringLiteral("--***                       Quodlin object template                       ***");

// Lines shared by every banner after the name and file lines.
QStringList history(const QString &placeholder)
{
    return {QStringLiteral("-- Name...... <%1>").arg(placeholder),
            QStringLiteral("-- File...... <%1>.sql").arg(placeholder),
            QStringLiteral("-- Desc...... <line1>"),
            QStringLiteral("--            <lineN>")};
}

const QStringList kHistoryTail = {
    QStringLiteral("--"),
    QStringLiteral("-- Outstanding"),
    QStringLiteral("-- Issues.... <none>"),
    QStringLiteral("--"),
    QStringLiteral("-- Change History"),
    QStringLiteral("-- =============="),
    QStringLiteral("-- <curdate> <initials> Created."),
};

QStringList banner(const QString &placeholder)
{
    return QStringList{kStars, kOwner, kStars} + history(placeholder) + kHistoryTail + QStringList{kStars};
}

QStringList procedureLines()
{
    QStringList lines{QStringLiteral("CREATE PROCEDURE sp_new(<arg> <type>)"), QStringLiteral("RETURNING <return_type>;"),
                      kStars, kOwner, kStars};
    lines += history(QStringLiteral("sp_new"));
    lines << QStringLiteral("-- Params....") << QStringLiteral("-- Returns... INTEGER (0=success/1=error)")
          << QStringLiteral("-- Example...");
    lines += kHistoryTail;
    lines << kStars
          << QStringLiteral("DEFINE errmsg      CHAR(255);")
          << QStringLiteral("DEFINE v_esql      INTEGER;")
          << QString()
          << QStringLiteral("ON EXCEPTION SET v_esql")
          << QStringLiteral("  LET errmsg = \"sp_new: Unexpected error (\" || v_esql || \").\";")
          << QStringLiteral("  RAISE EXCEPTION -746, 0, errmsg;")
          << QStringLiteral("  RETURN <return_error>;")
          << QStringLiteral("END EXCEPTION;")
          << QString()
          << QStringLiteral("  SET LOCK MODE TO WAIT;")
          << QString()
          << QStringLiteral("  <procedure body>")
          << QString()
          << QStringLiteral("  RETURN <return_success>;")
          << QString()
          << QStringLiteral("END PROCEDURE")
          // The listing is written on the server; sp_new becomes the procedure's name on compile.
          << QStringLiteral("WITH LISTING IN '/tmp/sp_new.log';");
    return lines;
}

} // namespace

QStringList TemplateKinds()
{
    return {kTemplateStoredProcedure, kTemplateView, kTemplateTrigger, kTemplateSynonym};
}

QStringList BuiltInTemplateLines(const QString &kind)
{
    if (kind == kTemplateStoredProcedure)
        return procedureLines();
    if (kind == kTemplateView)
        return banner(QStringLiteral("vw_new"))
            + QStringList{QStringLiteral("CREATE VIEW <vw_new> AS"),
                          QStringLiteral("  SELECT <table>.<col1>,<table>.<col2>"), QStringLiteral("    FROM <table>"),
                          QStringLiteral("   WHERE <condition>;")};
    if (kind == kTemplateTrigger)
        return banner(QStringLiteral("tr_new"))
            + QStringList{QStringLiteral("CREATE TRIGGER <tr_new> <mode> ON <table> <referencing>"),
                          QStringLiteral("  FOR EACH ROW"), QStringLiteral("  ("),
                          QStringLiteral("    EXECUTE PROCEDURE <px_proc()>"), QStringLiteral("  );")};
    if (kind == kTemplateSynonym)
        return banner(QStringLiteral("sy_new"))
            + QStringList{QStringLiteral("CREATE SYNONYM <sy_new> FOR <table>;"), QString()};
    return {};
}

QString BuiltInTemplate(const QString &kind)
{
    const QStringList lines = BuiltInTemplateLines(kind);
    if (lines.isEmpty())
        return {};
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

void ResetTemplates()
{
    for (const QString &kind : TemplateKinds())
        WriteTemplate(kind, BuiltInTemplate(kind));
    Settings::writeTemplates(Settings::TemplatesInitialized, true);
}

bool TemplatesInitialized() { return Settings::readTemplates(Settings::TemplatesInitialized); }

QString ReadTemplate(const QString &kind, const QString &defaultText)
{
    return ReadSettingString(SettingsRoot::CurrentUser, kQuodlinKey, kTemplatesSection, kind, defaultText);
}

void WriteTemplate(const QString &kind, const QString &text)
{
    WriteSettingString(SettingsRoot::CurrentUser, kQuodlinKey, kTemplatesSection, kind, text);
}

QChar DateSeparatorOf(const QLocale &locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (!quoted && !c.isLetter() && !c.isSpace())
            return c;
    }
    return QLatin1Char('/');
}

QString ExpandTemplateTokens(const QString &text, const QDate &date, const QString &initials, QChar dateSeparator)
{
    const auto twoDigits = [](int n) { return QStringLiteral("%1").arg(n % 100, 2, 10, QLatin1Char('0')); };
    const QString formatted = twoDigits(date.month()) + dateSeparator + twoDigits(date.day()) + dateSeparator
        + twoDigits(date.year());
    const QString withDate = ReplaceAllText(text, QStringLiteral("<curdate>"), formatted);
    return ReplaceAllText(withDate, QStringLiteral("<initials>"), initials);
}

} // namespace quodlin
