#include "workspace/sqlanalysis.h"

#include "app/textutil.h"
#include "catalog/objectkinds.h"
#include "db/dbquery.h"
#include "db/sqlnamereader.h"
#include "workspace/builtstatement.h"

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

// The parameter types of the routine parameter list at `at`; see CreatedObject.
std::optional<QStringList> routineSignature(const QString &text, qsizetype at)
{
    at = SkipSqlBlanks(text, at);
    if (at >= text.size() || text[at] != QLatin1Char('('))
        return std::nullopt;
    QStringList params;
    QString current;
    int depth = 0;
    QChar quote;  // a DEFAULT literal's, inside which nothing splits
    for (++at; at < text.size(); ++at) {
        const QChar c = text[at];
        if (!quote.isNull() || c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = quote.isNull() ? c : c == quote ? QChar() : quote;
            current += c;
            continue;
        }
        if (c == QLatin1Char(')') && depth == 0)
            break;
        if (c == QLatin1Char(',') && depth == 0) {
            params << current;
            current.clear();
            continue;
        }
        depth += c == QLatin1Char('(') ? 1 : c == QLatin1Char(')') ? -1 : 0;
        current += c;
    }
    if (at >= text.size())
        return std::nullopt;
    if (!params.isEmpty() || !current.trimmed().isEmpty())
        params << current;
    static const QRegularExpression plainType(QStringLiteral("^[A-Za-z][A-Za-z0-9_(), ]*$"));
    QStringList types;
    for (const QString &param : params) {
        QStringList words = param.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!words.isEmpty() && QStringList{"IN", "OUT", "INOUT"}.contains(UpperAscii(words.first())))
            words.removeFirst();
        for (qsizetype i = 1; i < words.size(); ++i)
            if (UpperAscii(words[i]) == QLatin1String("DEFAULT"))
                words = words.mid(0, i);
        if (words.size() < 2)
            return std::nullopt;
        const QString type = words.mid(1).join(QLatin1Char(' '));
        const QString first = UpperAscii(words[1]);
        if (first == QLatin1String("LIKE") || first == QLatin1String("REFERENCES") || !plainType.match(type).hasMatch())
            return std::nullopt;
        types << type;
    }
    return types;
}

} // namespace

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

std::optional<CreatedObject> CreatedObjectOf(const ISqlEditor &editor)
{
    const int n = editor.lineCount();
    int first = 0;
    while (first < n && !TrimSql(editor.line(first)).startsWith(QLatin1String("CREATE ")))
        ++first;
    if (first >= n)
        return std::nullopt;
    // Joined as the compile runs the text, so a name holding a line break is read as created.
    const QString text = editor.lines().mid(first).join(QStringLiteral("\r\n"));
    qsizetype at = SkipSqlBlanks(text, 0);
    // The next bare word, upper-cased; empty when something else stands there.
    auto word = [&text, &at]() {
        at = SkipSqlBlanks(text, at);
        qsizetype end = at;
        while (end < text.size() && (text[end].isLetterOrNumber() || text[end] == QLatin1Char('_')))
            ++end;
        return UpperAscii(text.mid(at, end - at));
    };
    auto take = [&](const char *expected) {
        const qsizetype before = at;
        const QString w = word();
        if (w == QLatin1String(expected)) {
            at += w.size();
            return true;
        }
        at = before;
        return false;
    };
    if (!take("CREATE"))
        return std::nullopt;
    take("DBA");
    CreatedObject created;
    const bool publicOrPrivate = take("PUBLIC") || take("PRIVATE");
    const qsizetype before = at;
    const QString createWord = word();
    const ObjectKindDesc *kind = FindObjectKindByCreateWord(createWord);
    if (!kind || (publicOrPrivate && kind->kind != KindSynonym))
        return std::nullopt;
    at = SkipSqlBlanks(text, before) + createWord.size();
    created.kind = kind->kind;
    created.word = createWord;
    if (take("IF") && !(take("NOT") && take("EXISTS")))
        return std::nullopt;
    const std::optional<SqlQualifiedName> name = ReadSqlQualifiedName(text, SkipSqlBlanks(text, at));
    if (!name)
        return std::nullopt;
    // A database-qualified name (db:owner.name) is not dropped here.
    if (const qsizetype after = SkipSqlBlanks(text, name->end); after < text.size() && text[after] == QLatin1Char(':'))
        return std::nullopt;
    created.owner = name->owner;
    created.name = name->name;
    created.written = text.mid(name->start, name->end - name->start);
    if (kind->definition == DefinitionLayout::Routine)
        created.signature = routineSignature(text, name->end);
    return created;
}

namespace {

QString dropStatement(const CreatedObject &created, SqlNameStyle style, bool withSignature = true)
{
    QString statement = QStringLiteral("DROP ") + created.word + QLatin1Char(' ')
        + SqlName(created.owner, created.name, style);
    if (withSignature && created.signature)
        statement += QLatin1Char('(') + created.signature->join(QStringLiteral(", ")) + QLatin1Char(')');
    return statement;
}

} // namespace

QString DropStatementFor(const ISqlEditor &editor, SqlNameStyle style)
{
    const std::optional<CreatedObject> created = CreatedObjectOf(editor);
    return created ? dropStatement(*created, style) : QString();
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
    const std::optional<CreatedObject> created = CreatedObjectOf(editor);
    RenamePlaceholders(editor, created ? created->written : GetCreateObjectName(editor));
    if (!created)
        return false;
    try {
        RunBuiltStatement(query, dropStatement(*created, QueryNameStyle(query)));
        return true;
    } catch (const std::exception &) {
    }
    if (!created->signature)
        return false;
    // No routine has the text's parameter types: the one routine of that
    // name is replaced (the server refuses the drop when others share it).
    try {
        RunBuiltStatement(query, dropStatement(*created, QueryNameStyle(query), false));
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
