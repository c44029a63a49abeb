#include "workspace/completion.h"

#include "catalog/catalogsnapshot.h"
#include "catalog/objectkinds.h"
#include "workspace/sqlsyntax.h"

#include <QSet>

namespace quodlin {

namespace {

enum class Tok { Word, Quoted, Punct };

struct Token {
    Tok kind = Tok::Word;
    int start = 0;
    int end = 0;
    QString text;   // a word folded to lower case, a delimited name unquoted, a punctuation character
};

bool isWordStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); }

// The text's words, delimited names and punctuation; strings, numbers and
// comments are left out. `caretHidden` tells whether the caret stands inside
// a string or a comment.
QList<Token> tokenize(const QString &text, int caret, bool &caretHidden)
{
    QList<Token> tokens;
    caretHidden = false;
    const int n = int(text.size());
    int i = 0;
    auto hides = [&](int start, int end, bool closed) {
        if (caret > start && (caret < end || !closed))
            caretHidden = true;
    };
    while (i < n) {
        const QChar c = text[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && text[i + 1] == QLatin1Char('-')) {
            int end = i;
            while (end < n && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
                ++end;
            // The caret at the line's end is still in the comment.
            if (caret > i && caret <= end)
                caretHidden = true;
            i = end;
            continue;
        }
        if (c == QLatin1Char('{') || (c == QLatin1Char('/') && i + 1 < n && text[i + 1] == QLatin1Char('*'))) {
            const QString close = c == QLatin1Char('{') ? QStringLiteral("}") : QStringLiteral("*/");
            const qsizetype at = text.indexOf(close, i + (c == QLatin1Char('{') ? 1 : 2));
            const int end = at < 0 ? n : int(at + close.size());
            hides(i, end, at >= 0);
            i = end;
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            int end = i + 1;
            QString body;
            bool closed = false;
            while (end < n) {
                if (text[end] == c) {
                    if (end + 1 < n && text[end + 1] == c) {
                        body += c;
                        end += 2;
                        continue;
                    }
                    ++end;
                    closed = true;
                    break;
                }
                body += text[end++];
            }
            hides(i, end, closed);
            if (c == QLatin1Char('"'))
                tokens.append({Tok::Quoted, i, end, body});
            i = end;
            continue;
        }
        if (isWordStart(c)) {
            int end = i + 1;
            while (end < n && isWordChar(text[end]))
                ++end;
            tokens.append({Tok::Word, i, end, text.mid(i, end - i).toLower()});
            i = end;
            continue;
        }
        if (c.isDigit()) {
            int end = i + 1;
            while (end < n && (isWordChar(text[end]) || text[end] == QLatin1Char('.')))
                ++end;
            i = end;
            continue;
        }
        tokens.append({Tok::Punct, i, i + 1, QString(c)});
        ++i;
    }
    return tokens;
}

// A table the statement names, with the alias it gives it.
struct SqlTableRef {
    QString owner;
    QString name;       // bare names folded to lower case, delimited ones as written
    QString alias;
};

bool isPunct(const Token &t, char c) { return t.kind == Tok::Punct && t.text[0] == QLatin1Char(c); }
bool isWord(const Token &t, const char *word) { return t.kind == Tok::Word && t.text == QLatin1String(word); }
bool isName(const Token &t) { return t.kind == Tok::Word || t.kind == Tok::Quoted; }

// The statement holding the caret: the tokens between the semicolons around it.
std::pair<int, int> statementRange(const QList<Token> &tokens, int caret)
{
    int first = 0;
    int last = int(tokens.size());
    for (int i = 0; i < int(tokens.size()); ++i) {
        if (!isPunct(tokens[i], ';'))
            continue;
        if (tokens[i].end <= caret)
            first = i + 1;
        else {
            last = i;
            break;
        }
    }
    return {first, last};
}

// Words that end a table reference rather than alias it.
bool endsReference(const QString &word)
{
    static const QSet<QString> words = {
        QStringLiteral("where"), QStringLiteral("group"), QStringLiteral("order"), QStringLiteral("having"),
        QStringLiteral("union"), QStringLiteral("join"), QStringLiteral("inner"), QStringLiteral("left"),
        QStringLiteral("right"), QStringLiteral("full"), QStringLiteral("cross"), QStringLiteral("outer"),
        QStringLiteral("on"), QStringLiteral("set"), QStringLiteral("values"), QStringLiteral("into"),
        QStringLiteral("select"), QStringLiteral("natural"), QStringLiteral("using"), QStringLiteral("for"),
        QStringLiteral("with"), QStringLiteral("limit"), QStringLiteral("skip"), QStringLiteral("first"),
    };
    return words.contains(word) || IsSqlKeyword(word);
}

// [database:][owner.]name [[AS] alias] starting at token `i`.
bool readReference(const QList<Token> &tokens, int i, int last, SqlTableRef &ref)
{
    while (i < last && (isWord(tokens[i], "outer") || isWord(tokens[i], "temp") || isWord(tokens[i], "only")))
        ++i;
    if (i >= last || !isName(tokens[i]))
        return false;
    if (i + 2 < last && isPunct(tokens[i + 1], ':') && isName(tokens[i + 2]))
        i += 2;
    ref = SqlTableRef{};
    ref.name = tokens[i].text;
    if (i + 2 < last && isPunct(tokens[i + 1], '.') && isName(tokens[i + 2])) {
        ref.owner = tokens[i].text;
        ref.name = tokens[i + 2].text;
        i += 2;
    }
    ++i;
    if (i + 1 < last && isWord(tokens[i], "as") && isName(tokens[i + 1]))
        ref.alias = tokens[i + 1].text;
    else if (i < last && (tokens[i].kind == Tok::Quoted || (tokens[i].kind == Tok::Word && !endsReference(tokens[i].text))))
        ref.alias = tokens[i].text;
    return true;
}

QList<SqlTableRef> tablesIn(const QList<Token> &tokens, int first, int last)
{
    QList<SqlTableRef> refs;
    // The clause each open parenthesis level is in, so a FROM list's commas
    // are told from a select list's.
    QList<QString> clause{QString()};
    for (int i = first; i < last; ++i) {
        const Token &t = tokens[i];
        if (isPunct(t, '(')) {
            clause.append(QString());
            continue;
        }
        if (isPunct(t, ')')) {
            if (clause.size() > 1)
                clause.removeLast();
            continue;
        }
        bool starts = false;
        if (t.kind == Tok::Word) {
            static const QSet<QString> clauses = {
                QStringLiteral("select"), QStringLiteral("from"), QStringLiteral("where"), QStringLiteral("group"),
                QStringLiteral("order"), QStringLiteral("having"), QStringLiteral("set"), QStringLiteral("on"),
                QStringLiteral("values"), QStringLiteral("union"), QStringLiteral("into"),
            };
            if (clauses.contains(t.text))
                clause.last() = t.text;
            starts = t.text == QLatin1String("from") || t.text == QLatin1String("join")
                || t.text == QLatin1String("update") || t.text == QLatin1String("table")
                || (t.text == QLatin1String("into") && i > first && isWord(tokens[i - 1], "insert"));
        }
        if (isPunct(t, ',') && clause.last() == QLatin1String("from"))
            starts = true;
        SqlTableRef ref;
        if (starts && readReference(tokens, i + 1, last, ref))
            refs.append(ref);
    }
    return refs;
}

// The parameters and DEFINEd variables of the routine whose text holds the caret.
QList<CompletionEntry> routineVariables(const QString &text, const QList<Token> &tokens, int caret)
{
    const int count = int(tokens.size());
    auto routineWordAt = [&](int at) {
        return at < count && (isWord(tokens[at], "procedure") || isWord(tokens[at], "function"));
    };
    int begin = -1;
    for (int i = 0; i < count && tokens[i].start < caret; ++i) {
        if (isWord(tokens[i], "create")
            && (routineWordAt(i + 1) || (i + 1 < count && isWord(tokens[i + 1], "dba") && routineWordAt(i + 2))))
            begin = i;
        else if (isWord(tokens[i], "end") && routineWordAt(i + 1))
            begin = -1;
    }
    QList<CompletionEntry> variables;
    if (begin < 0)
        return variables;
    auto typeText = [&](int from, int to) {
        return from >= to ? QString()
                          : text.mid(tokens[from].start, tokens[to - 1].end - tokens[from].start).simplified().toUpper();
    };
    int end = count;
    for (int i = begin; i < end; ++i)
        if (isWord(tokens[i], "end") && routineWordAt(i + 1))
            end = i;
    int i = begin;
    while (i < end && !isPunct(tokens[i], '('))
        ++i;
    // Parameters: name type, separated by commas at the list's own level.
    int depth = 0;
    for (int at = i; at < end; ++at) {
        if (isPunct(tokens[at], '('))
            ++depth;
        else if (isPunct(tokens[at], ')') && --depth == 0) {
            i = at + 1;
            break;
        }
        if (depth != 1 || !(isPunct(tokens[at], '(') || isPunct(tokens[at], ',')))
            continue;
        int name = at + 1;
        while (name < end && (isWord(tokens[name], "out") || isWord(tokens[name], "inout")))
            ++name;
        if (name >= end || !isName(tokens[name]))
            continue;
        int typeEnd = name + 1;
        for (int d = 0; typeEnd < end; ++typeEnd) {
            if (isPunct(tokens[typeEnd], '('))
                ++d;
            else if (isPunct(tokens[typeEnd], ')') && d-- == 0)
                break;
            else if (d == 0 && isPunct(tokens[typeEnd], ','))
                break;
        }
        variables.append({tokens[name].text, CompletionKind::Variable, typeText(name + 1, typeEnd)});
    }
    // DEFINE [GLOBAL] a, b type [DEFAULT ...];
    for (; i < end; ++i) {
        if (!isWord(tokens[i], "define"))
            continue;
        int at = i + 1;
        if (at < end && isWord(tokens[at], "global"))
            ++at;
        QStringList names;
        while (at < end && isName(tokens[at])) {
            names << tokens[at].text;
            if (at + 1 < end && isPunct(tokens[at + 1], ',')) {
                at += 2;
                continue;
            }
            ++at;
            break;
        }
        int typeEnd = at;
        while (typeEnd < end && !isPunct(tokens[typeEnd], ';') && !isWord(tokens[typeEnd], "default"))
            ++typeEnd;
        for (const QString &name : names)
            variables.append({name, CompletionKind::Variable, typeText(at, typeEnd)});
        i = typeEnd;
    }
    return variables;
}

QString written(const QString &name, SqlNameStyle style)
{
    try {
        return SqlName(name, style);
    } catch (const std::exception &) {
        return {};
    }
}

CompletionKind relationKind(unsigned char kind)
{
    return kind == KindView ? CompletionKind::View : kind == KindSynonym ? CompletionKind::Synonym : CompletionKind::Table;
}

class Collector {
public:
    explicit Collector(const QString &prefix) : m_prefix(prefix) {}

    void add(const QString &match, const QString &text, CompletionKind kind, const QString &detail)
    {
        if (text.isEmpty() || !match.startsWith(m_prefix, Qt::CaseInsensitive))
            return;
        if (m_seen.contains(text) && (kind == CompletionKind::Column || kind == CompletionKind::Keyword))
            return;
        m_seen.insert(text);
        m_entries.append({text, kind, detail});
    }
    void relations(const CatalogSnapshot &catalog, const QString &owner)
    {
        for (const SnapshotRelation &r : catalog.relations) {
            if (owner.isEmpty()) {
                if (!r.name.startsWith(m_prefix, Qt::CaseInsensitive) && !r.written.startsWith(m_prefix, Qt::CaseInsensitive))
                    continue;
                m_entries.append({r.written, relationKind(r.kind), r.owner});
            } else if (r.owner.compare(owner, Qt::CaseInsensitive) == 0) {
                add(r.name, written(r.name, catalog.style), relationKind(r.kind), r.owner);
            }
        }
    }
    // `functionsOnly`: after FUNCTION (EXECUTE, DROP), where a procedure
    // would be refused.
    void routines(const CatalogSnapshot &catalog, const QString &owner, bool functionsOnly = false)
    {
        for (const SnapshotRoutine &r : catalog.routines) {
            if (functionsOnly && !r.function)
                continue;
            const CompletionKind kind = r.function ? CompletionKind::Function : CompletionKind::Procedure;
            if (owner.isEmpty())
                add(r.name, r.written, kind, r.signature);
            else if (r.owner.compare(owner, Qt::CaseInsensitive) == 0)
                add(r.name, written(r.name, catalog.style), kind, r.signature);
        }
    }
    void columns(const CatalogSnapshot &catalog, const SnapshotRelation &relation)
    {
        for (const SnapshotColumn &c : catalog.columnsOf(relation))
            add(c.name, written(c.name, catalog.style), CompletionKind::Column, c.type);
    }
    void keywords()
    {
        // Typed in lower case, a keyword goes in lower case.
        const bool lower = !m_prefix.isEmpty() && m_prefix[0].isLower();
        for (const QString &word : SqlKeywords())
            add(word, lower ? word.toLower() : word, CompletionKind::Keyword, QString());
    }
    QList<CompletionEntry> take() { return std::move(m_entries); }

private:
    QString m_prefix;
    QSet<QString> m_seen;
    QList<CompletionEntry> m_entries;
};

const SnapshotRelation *relationOf(const CatalogSnapshot &catalog, const SqlTableRef &ref)
{
    return catalog.findRelation(ref.owner, ref.name);
}

} // namespace

QString CompletionKindName(CompletionKind kind)
{
    switch (kind) {
    case CompletionKind::Column: return QStringLiteral("column");
    case CompletionKind::Variable: return QStringLiteral("variable");
    case CompletionKind::Table: return QStringLiteral("table");
    case CompletionKind::View: return QStringLiteral("view");
    case CompletionKind::Synonym: return QStringLiteral("synonym");
    case CompletionKind::Procedure: return QStringLiteral("procedure");
    case CompletionKind::Function: return QStringLiteral("function");
    case CompletionKind::Keyword: return QStringLiteral("keyword");
    }
    return {};
}

Completion CompleteSql(const QString &text, int caret, const CatalogSnapshot *catalog)
{
    Completion result;
    caret = qBound(0, caret, int(text.size()));
    int start = caret;
    while (start > 0 && isWordChar(text[start - 1]))
        --start;
    result.start = start;
    result.prefix = text.mid(start, caret - start);

    bool hidden = false;
    const QList<Token> tokens = tokenize(text, caret, hidden);
    if (hidden)
        return result;
    // Plain locals, not a structured binding: the lambda below captures them
    // (clang before 16 refuses to capture bindings).
    const std::pair<int, int> range = statementRange(tokens, caret);
    const int first = range.first, last = range.second;
    // The statement's tokens before the word being completed.
    int before = first;
    while (before < last && tokens[before].end <= start)
        ++before;
    auto back = [&](int n) -> const Token * { return before - n >= first ? &tokens[before - n] : nullptr; };

    Collector collect(result.prefix);
    const QList<SqlTableRef> refs = tablesIn(tokens, first, last);

    // owner.name. or name. before the word: a qualified name.
    if (const Token *dot = back(1); dot && isPunct(*dot, '.') && dot->end == start) {
        const Token *name = back(2);
        if (!name || !isName(*name) || !catalog)
            return result;
        QString owner;
        if (const Token *dot2 = back(3); dot2 && isPunct(*dot2, '.') && back(4) && isName(*back(4)))
            owner = back(4)->text;
        const SnapshotRelation *relation = nullptr;
        if (owner.isEmpty()) {
            for (const SqlTableRef &ref : refs)
                if (ref.alias.compare(name->text, Qt::CaseInsensitive) == 0
                    || (ref.alias.isEmpty() && ref.name.compare(name->text, Qt::CaseInsensitive) == 0)) {
                    relation = relationOf(*catalog, ref);
                    break;
                }
        }
        if (!relation)
            relation = catalog->findRelation(owner, name->text);
        if (relation)
            collect.columns(*catalog, *relation);
        else if (owner.isEmpty() && catalog->hasOwner(name->text)) {
            collect.relations(*catalog, name->text);
            collect.routines(*catalog, name->text);
        }
        result.entries = collect.take();
        return result;
    }

    const Token *prev = back(1);
    const Token *prev2 = back(2);
    const bool afterCreate = prev2 && (isWord(*prev2, "create") || isWord(*prev2, "dba"));
    auto prevIs = [&](const char *word) { return prev && isWord(*prev, word); };

    bool tables = prevIs("from") || prevIs("join") || prevIs("update") || prevIs("outer")
        || (prevIs("into") && prev2 && isWord(*prev2, "insert"))
        || ((prevIs("table") || prevIs("view") || prevIs("synonym")) && !afterCreate);
    if (!tables && prev && isPunct(*prev, ',')) {
        // Between the commas of a FROM list: the nearest clause word at the comma's level.
        int depth = 0;
        for (int i = before - 1; i >= first; --i) {
            if (isPunct(tokens[i], ')'))
                ++depth;
            else if (isPunct(tokens[i], '(') && --depth < 0)
                break;
            if (depth != 0 || tokens[i].kind != Tok::Word)
                continue;
            if (tokens[i].text == QLatin1String("from")) {
                tables = true;
                break;
            }
            if (tokens[i].text == QLatin1String("select") || tokens[i].text == QLatin1String("where")
                || tokens[i].text == QLatin1String("set") || tokens[i].text == QLatin1String("by")
                || tokens[i].text == QLatin1String("values") || tokens[i].text == QLatin1String("on"))
                break;
        }
    }
    const bool routines = prevIs("call") || ((prevIs("procedure") || prevIs("function")) && !afterCreate);

    if (tables) {
        if (catalog)
            collect.relations(*catalog, QString());
    } else if (routines) {
        if (catalog)
            collect.routines(*catalog, QString(), prevIs("function"));
    } else if (before == first) {
        // A statement's first word.
        collect.keywords();
    } else {
        if (catalog)
            for (const SqlTableRef &ref : refs)
                if (const SnapshotRelation *relation = relationOf(*catalog, ref))
                    collect.columns(*catalog, *relation);
        for (const CompletionEntry &v : routineVariables(text, tokens, caret))
            collect.add(v.text, v.text, v.kind, v.detail);
        if (catalog)
            collect.routines(*catalog, QString());
        collect.keywords();
    }
    result.entries = collect.take();
    return result;
}

} // namespace quodlin
