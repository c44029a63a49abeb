// No path pastes a name into SQL text: the sources under src/ are searched for
// string literals that start a statement ("DROP ", "SELECT * FROM ", ...) or
// end in a word a name follows ("... FROM ", "TABLE "), joined to other text
// with +, += or .arg(). Such a statement passes only when it writes through
// SqlName or SqlString; sqlname.cpp itself is where names become text.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

namespace {

// Not searched:
// - src/engine/: its translator writes SQLite's SQL with its own quoteIdent.
const char *const kSkipped[] = {"src/engine/", "src/db/sqlname.cpp"};

// Joined statements that hold no name, each with its reason.
struct Allowed {
    const char *file;
    const char *literal;
};
const Allowed kAllowed[] = {
    // The index part columns i.part1 .. i.part16, generated from numbers.
    {"src/catalog/dbobjectsmodule.cpp", "select i.owner, i.idxname, "},
    {"src/catalog/relationdiagram.cpp", "select tabid, idxname"},
    // m_table is tableSql()'s text, made through SqlName.
    {"src/output/scriptwriter.cpp", "INSERT INTO "},
};

// A file's own helpers that stand for SqlName in its statements. A checked
// helper's definition must itself call SqlName or SqlString, or another
// checked helper of its file.
struct NameWriter {
    const char *file;
    const char *function;
    bool checked;
};
const NameWriter kNameWriters[] = {
    {"src/catalog/schemawriter.cpp", "qualified", true},
    {"src/catalog/schemawriter.cpp", "ddlName", true},
    {"src/catalog/schemawriter.cpp", "grantee", true},
    {"src/catalog/schemawriter.cpp", "writtenName", true},
    {"src/catalog/schemawriter.cpp", "alterTable", true},
    {"src/catalog/schemawriter.cpp", "tableName", true},
    {"src/catalog/schemawriter.cpp", "routineName", true},
    {"src/catalog/schemawriter.cpp", "constraintName", true},
    // Writes "tabid >= 100" or a list of tabid numbers, never a name.
    {"src/catalog/schemawriter.cpp", "scope", false},
    // A subquery on a catalog table the caller names by a literal, over scope's tabids.
    {"src/catalog/schemawriter.cpp", "ofTables", false},
    {"src/catalog/relationdiagram.cpp", "scope", false},
};

// The body of `QString function(...)` in src, a member's in its class too,
// up to its closing brace at the indentation of its start (a one-line
// member: that line).
QString definition(const QString &src, const QString &function)
{
    const QRegularExpression head(QStringLiteral("\\n( *)QString ") + function + QStringLiteral("\\([^\\n]*\\n?"));
    const QRegularExpressionMatch m = head.match(src);
    if (!m.hasMatch())
        return {};
    if (m.captured().contains(QLatin1Char('}')))
        return m.captured();
    const qsizetype end = src.indexOf(QLatin1Char('\n') + m.captured(1) + QLatin1Char('}'), m.capturedEnd());
    return src.mid(m.capturedStart(), end < 0 ? -1 : end - m.capturedStart());
}

// Whether the file's helper `function` writes names through SqlName or
// SqlString, itself or through another checked helper.
bool writesNames(const QString &file, const QString &src, const QString &function, int depth = 0);

struct Literal {
    qsizetype start;  // the opening quote
    qsizetype end;    // past the closing quote
    QString text;
};

// The string literals of a C++ source, comments and character literals skipped.
QList<Literal> literals(const QString &src)
{
    QList<Literal> found;
    qsizetype i = 0;
    const qsizetype n = src.size();
    while (i < n) {
        if (src.mid(i, 2) == QLatin1String("//")) {
            const qsizetype end = src.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? n : end;
        } else if (src.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype end = src.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
        } else if (src[i] == QLatin1Char('\'') || src[i] == QLatin1Char('"')) {
            const QChar quote = src[i];
            if (quote == QLatin1Char('"') && i > 0 && src[i - 1] == QLatin1Char('R')) {
                const qsizetype open = src.indexOf(QLatin1Char('('), i);
                const QString close = QLatin1Char(')') + src.mid(i + 1, open - i - 1) + QLatin1Char('"');
                const qsizetype end = src.indexOf(close, open);
                found << Literal{i, end + close.size(), src.mid(open + 1, end - open - 1)};
                i = end + close.size();
                continue;
            }
            QString text;
            qsizetype j = i + 1;
            while (j < n && src[j] != quote) {
                const qsizetype step = src[j] == QLatin1Char('\\') ? 2 : 1;
                text += src.mid(j, step);
                j += step;
            }
            if (quote == QLatin1Char('"'))
                found << Literal{i, j + 1, text};
            i = j + 1;
        } else {
            ++i;
        }
    }
    return found;
}

bool isPlus(const QString &src, qsizetype at)
{
    return at >= 0 && at < src.size() && src[at] == QLatin1Char('+')
        && (at + 1 >= src.size() || (src[at + 1] != QLatin1Char('+') && src[at + 1] != QLatin1Char('=')))
        && (at == 0 || src[at - 1] != QLatin1Char('+'));
}

// The variable a literal is appended to (`sql += "DROP TABLE "`, also through
// QStringLiteral(...) and the like), else empty.
QString appendedTo(const QString &src, const Literal &lit)
{
    const qsizetype from = src.lastIndexOf(QLatin1Char('\n'), lit.start) + 1;
    static const QRegularExpression head(
        QStringLiteral("^\\s*([A-Za-z_][A-Za-z0-9_.>-]*)\\s*\\+=\\s*(?:Q[A-Za-z0-9_:]+\\(\\s*)?$"));
    const QRegularExpressionMatch m = head.match(src.mid(from, lit.start - from));
    return m.hasMatch() ? m.captured(1) : QString();
}

// Whether the literal is joined to something: "..." + x, x + "...", "...".arg(x),
// s += "..." (the statement goes on in the next appends), also through
// QStringLiteral(...) and the like.
bool joined(const QString &src, const Literal &lit)
{
    if (!appendedTo(src, lit).isEmpty())
        return true;
    qsizetype k = lit.end;
    while (k < src.size() && (src[k].isSpace() || src[k] == QLatin1Char(')')))
        ++k;
    if (isPlus(src, k) || src.mid(k, 5) == QLatin1String(".arg("))
        return true;
    k = lit.start - 1;
    while (k >= 0 && src[k].isSpace())
        --k;
    for (const char *wrapper : {"QStringLiteral(", "QLatin1String(", "QLatin1StringView(", "QString::fromLatin1(",
                                "QString::fromUtf8("}) {
        const QLatin1String w(wrapper);
        if (k + 1 >= w.size() && src.mid(k + 1 - w.size(), w.size()) == w) {
            k -= w.size();
            break;
        }
    }
    while (k >= 0 && src[k].isSpace())
        --k;
    return isPlus(src, k);
}

bool buildsSql(const QString &literal)
{
    static const QRegularExpression head(
        QStringLiteral("^\\s*(DROP|SELECT|INSERT\\s+INTO|DELETE\\s+FROM|UPDATE|GRANT|REVOKE|ALTER|RENAME|CREATE|EXECUTE|"
                       "LOCK\\s+TABLE|UNLOCK\\s+TABLE|TRUNCATE|LOAD\\s+FROM|UNLOAD\\s+TO)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tail(
        QStringLiteral("\\b(FROM|INTO|JOIN|TABLE|VIEW|PROCEDURE|FUNCTION|TRIGGER|SYNONYM|INDEX|ON|UPDATE)\\s+$"),
        QRegularExpression::CaseInsensitiveOption);
    return head.match(literal).hasMatch() || tail.match(literal).hasMatch();
}

bool writesNames(const QString &file, const QString &src, const QString &function, int depth)
{
    const QString body = definition(src, function);
    if (body.contains(QLatin1String("SqlName(")) || body.contains(QLatin1String("SqlString(")))
        return true;
    for (const NameWriter &w : kNameWriters)
        if (depth < 3 && w.checked && file == QLatin1String(w.file) && function != QLatin1String(w.function) &&
            body.contains(QLatin1String(w.function) + QLatin1Char('(')) &&
            writesNames(file, src, QLatin1String(w.function), depth + 1))
            return true;
    return false;
}

// Each joined statement outside SqlName, as "file:line: literal".
QStringList pastedNames(const QString &file, const QString &src)
{
    QStringList faults;
    for (const Literal &lit : literals(src)) {
        if (!buildsSql(lit.text) || !joined(src, lit))
            continue;
        // The statement: from the literal's line to the next semicolon.
        const qsizetype from = src.lastIndexOf(QLatin1Char('\n'), lit.start) + 1;
        qsizetype to = src.indexOf(QLatin1Char(';'), lit.end);
        // Appended piece by piece: the appends to the same variable that follow.
        if (const QString target = appendedTo(src, lit); !target.isEmpty()) {
            const QRegularExpression next(QStringLiteral("^\\s*") + QRegularExpression::escape(target) +
                                          QStringLiteral("\\s*\\+="));
            while (to >= 0) {
                const qsizetype after = src.indexOf(QLatin1Char(';'), to + 1);
                if (after < 0 || !next.match(src.mid(to + 1, after - to - 1)).hasMatch())
                    break;
                to = after;
            }
        }
        const QString statement = src.mid(from, to < 0 ? -1 : to - from);
        if (statement.contains(QLatin1String("SqlName(")) || statement.contains(QLatin1String("SqlString(")))
            continue;
        bool allowed = false;
        for (const NameWriter &w : kNameWriters) {
            if (file == QLatin1String(w.file) && statement.contains(QLatin1String(w.function) + QLatin1Char('(')))
                allowed = allowed || !w.checked || writesNames(file, src, QLatin1String(w.function));
        }
        for (const Allowed &a : kAllowed)
            allowed = allowed || (file == QLatin1String(a.file) && lit.text == QLatin1String(a.literal));
        if (!allowed)
            faults << QStringLiteral("%1:%2: \"%3\"").arg(file).arg(src.left(lit.start).count(QLatin1Char('\n')) + 1).arg(lit.text);
    }
    return faults;
}

TEST(SqlNameScan, FindsAPastedNameAndPassesSqlName)
{
    const QString pasted = QStringLiteral("q.setSql(QStringLiteral(\"DROP TABLE \") + name);\n"
                                          "q.setSql(QStringLiteral(\"SELECT %1 FROM %2\")\n    .arg(cols, table));\n"
                                          "q.setSql(\"select * from \" + t);\n"
                                          "sql += QStringLiteral(\"DELETE FROM \");\nsql += name;\n");
    EXPECT_EQ(pastedNames(QStringLiteral("x.cpp"), pasted).size(), 4) << pastedNames(QStringLiteral("x.cpp"), pasted).join('\n').toStdString();
    const QString written = QStringLiteral("q.setSql(QStringLiteral(\"DROP TABLE \") + SqlName(owner, name, style));\n"
                                           "// \"DROP \" + name in a comment\n"
                                           "if (line.startsWith(QLatin1String(\"CREATE \")))\n    ++first;\n"
                                           "ask(QStringLiteral(\"Are you sure you want to drop [\") + name);\n"
                                           "sql += QStringLiteral(\"DELETE FROM \");\n  sql += SqlName(owner, name, style);\n");
    EXPECT_EQ(pastedNames(QStringLiteral("x.cpp"), written), QStringList());
}

TEST(SqlNameScan, NoSourcePastesANameIntoSql)
{
    const QString root = QStringLiteral(QUODLIN_SOURCE_DIR);
    QStringList faults;
    int searched = 0;
    QDirIterator it(root + QStringLiteral("/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString file = path.mid(root.size() + 1);
        bool skipped = false;
        for (const char *s : kSkipped)
            skipped = skipped || file.startsWith(QLatin1String(s));
        if (skipped)
            continue;
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        faults += pastedNames(file, QString::fromUtf8(f.readAll()));
        ++searched;
    }
    EXPECT_GT(searched, 100);
    EXPECT_EQ(faults, QStringList()) << faults.join('\n').toStdString();
}

} // namespace
