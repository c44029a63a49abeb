#include "workspace/sqlanalysis.h"

#include "app/textutil.h"
#include "db/dbquery.h"

#include <QRegularExpression>

#include <exception>

namespace quodlin {

namespace {

bool containsAny(const QString &text, std::initializer_list<const char *> words)
{
    for (const char *w : words)
        if (text.contains(QLatin1String(w)))
            return true;
    return false;
}

const char *const kObjectWords[] = {" TRIGGER ", " PROCEDURE ", " VIEW ", " SYNONYM "};

} // namespace

const QStringList &PlaceholderNames()
{
    static const QStringList names = {
        QStringLiteral("<new>.sql"), QStringLiteral("<tr_new>"), QStringLiteral("<sp_new>"),
        QStringLiteral("<vw_new>"),  QStringLiteral("<sy_new>"), QStringLiteral("tr_new"),
        QStringLiteral("sp_new"),    QStringLiteral("vw_new"),   QStringLiteral("sy_new"),
    };
    return names;
}

QString TrimSql(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start].unicode() <= 32)
        ++start;
    while (end > start && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(start, end - start);
}

QString UpperAscii(const QString &text)
{
    QString result = text;
    for (QChar &c : result)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return result;
}

bool IsObjectDDL(const ISqlEditor &editor)
{
    const int n = editor.lineCount();
    for (int i = 0; i < n; ++i) {
        const QString line = TrimSql(editor.line(i));
        if (line.startsWith(QLatin1String("ALTER ")) || line.startsWith(QLatin1String("GRANT ")))
            return true;
        if (line.startsWith(QLatin1String("CREATE ")) || line.startsWith(QLatin1String("DROP ")))
            return containsAny(line, {" TRIGGER ", " PROCEDURE ", " VIEW ", " SYNONYM "});
    }
    return false;
}

bool IsMultiStatement(const ISqlEditor &editor)
{
    int count = 0;
    const int n = editor.lineCount();
    for (int i = 0; i < n && count < 2; ++i) {
        QString line = UpperAscii(TrimSql(editor.line(i)));
        if (const qsizetype dash = line.indexOf(QLatin1String("--")); dash >= 0)
            line.truncate(dash);
        if (line.contains(QLatin1Char(';')))
            ++count;
    }
    return count >= 2;
}

bool IsRowReturning(const ISqlEditor &editor)
{
    if (IsObjectDDL(editor) || IsMultiStatement(editor))
        return false;
    const QString upper = UpperAscii(editor.text());
    return upper.contains(QLatin1String("SELECT ")) || upper.contains(QLatin1String("EXECUTE PROC"));
}

QString GetCreateObjectName(const ISqlEditor &editor)
{
    const QString written = editor.text();
    const QString upper = UpperAscii(written);
    struct Kind {
        const char *create;
        const char *dbaCreate;
        const char *keyword;
        QChar terminator;
    };
    static const Kind kinds[] = {
        {"CREATE TRIGGER", "CREATE DBA TRIGGER", "TRIGGER ", QLatin1Char(' ')},
        {"CREATE PROCEDURE", "CREATE DBA PROCEDURE", "PROCEDURE ", QLatin1Char('(')},
        {"CREATE VIEW", "CREATE DBA VIEW", "VIEW ", QLatin1Char(' ')},
        {"CREATE SYNONYM", "CREATE DBA SYNONYM", "SYNONYM ", QLatin1Char(' ')},
    };
    for (const Kind &kind : kinds) {
        if (!upper.contains(QLatin1String(kind.create)) && !upper.contains(QLatin1String(kind.dbaCreate)))
            continue;
        const QLatin1String keyword(kind.keyword);
        const qsizetype at = upper.indexOf(keyword);
        if (at < 0)
            return {};
        QString name = written.mid(at + keyword.size(), 255);
        // The keyword's line ends at CR; a bare LF ends it as well.
        const qsizetype lineEnd = name.indexOf(QRegularExpression(QStringLiteral("[\\r\\n]")));
        if (lineEnd >= 0)
            name.truncate(lineEnd);
        name = TrimSql(name);
        if (const qsizetype cut = name.indexOf(kind.terminator); cut >= 0)
            name.truncate(cut);
        return TrimSql(name);
    }
    return {};
}

QString GetUnqualifiedObjectName(const ISqlEditor &editor)
{
    QString name = GetCreateObjectName(editor);
    if (UpperAscii(name).startsWith(QLatin1String("INFORMIX.")))
        name.remove(0, 9);
    if (UpperAscii(name).startsWith(QLatin1String("\"INFORMIX\".")))
        name.remove(0, 11);
    return name;
}

QString DropStatementFor(const ISqlEditor &editor, const QString &name)
{
    const int n = editor.lineCount();
    for (int i = 0; i < n; ++i) {
        const QString line = TrimSql(editor.line(i));
        if (!line.startsWith(QLatin1String("CREATE ")))
            continue;
        for (const char *word : kObjectWords)
            if (line.contains(QLatin1String(word)))
                return QStringLiteral("DROP ") + TrimSql(QString::fromLatin1(word)) + QLatin1Char(' ') + name;
        return {};
    }
    return {};
}

void RenamePlaceholders(ISqlEditor &editor, const QString &name)
{
    if (name.contains(QLatin1String("_new")))
        return;
    const int caret = editor.caret();
    const QString current = editor.text();
    QString text = current;
    for (const QString &placeholder : PlaceholderNames())
        if (text.contains(placeholder))
            text = ReplaceAllText(text, placeholder, name);
    if (text == current)
        return;
    editor.setText(text);
    if (editor.caret() != caret)
        editor.setCaret(caret);
}

bool DropBeforeCreate(ISqlEditor &editor, DbQuery &query)
{
    const QString name = GetCreateObjectName(editor);
    const QString drop = DropStatementFor(editor, name);
    RenamePlaceholders(editor, name);
    if (drop.isEmpty())
        return false;
    try {
        query.close();
        query.setSql(drop);
        query.setLive(false);
        query.execSQL();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

void FixCommentColons(ISqlEditor &editor)
{
    const int caret = editor.caret();
    const int n = editor.lineCount();
    for (int i = 0; i < n; ++i) {
        const QString line = editor.line(i);
        if (!TrimSql(line).startsWith(QLatin1String("--")) || !line.contains(QLatin1Char(':')))
            continue;
        const QString fixed = ReplaceAllText(line, QStringLiteral(":"), QStringLiteral("-"));
        if (fixed != line)
            editor.setLine(i, fixed);
    }
    if (editor.caret() != caret)
        editor.setCaret(caret);
}

} // namespace quodlin
