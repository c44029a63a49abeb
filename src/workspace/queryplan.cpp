#include "workspace/queryplan.h"

#include <QRegularExpression>

namespace quodlin {

namespace {

constexpr int kLongest = 60;  // longer texts are cut in the picture; the explain text keeps them whole

QString after(const QString &line, const QString &label)
{
    return line.mid(line.indexOf(label) + label.size()).trimmed();
}

std::optional<double> numberAfter(const QString &line, const QString &label)
{
    bool ok = false;
    const double value = after(line, label).toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

// "customer_num   (Serial, fragments: ALL)", "part_num maker_code   (Key-Only)"
void readKeys(PlanTable &t, QString keys)
{
    static const QRegularExpression note(QStringLiteral("\\(([^)]*)\\)"));
    for (const QRegularExpressionMatch &m : note.globalMatch(keys))
        if (m.captured(1).contains(QLatin1String("Key-Only"), Qt::CaseInsensitive))
            t.keyOnly = true;
    keys.remove(note);
    t.keyColumns = keys.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QStringList temporaryFiles(const QString &text)
{
    QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts), out;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i + 1 < words.size() && words[i + 1] == QLatin1String("By"))
            out << words[i] + QStringLiteral(" By"), ++i;
        else
            out << words[i];
    }
    return out;
}

class Parser {
public:
    QList<PlanQuery> run(const QString &text)
    {
        const QStringList lines = QString(text).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString line = lines[i].trimmed();
            if (line.startsWith(QLatin1String("QUERY:"))) {
                m_queries << PlanQuery{};
                m_block = &m_queries.last();
                m_skipping = false;
                m_continued = nullptr;
                // The statement: after the dashes, up to the first blank line.
                qsizetype j = i + 1;
                if (j < lines.size() && lines[j].trimmed().startsWith(QLatin1String("---")))
                    ++j;
                QStringList statement;
                for (; j < lines.size() && !lines[j].trimmed().isEmpty(); ++j)
                    statement << lines[j];
                m_block->statement = statement.join(QLatin1Char('\n'));
                i = j;
                continue;
            }
            if (m_queries.isEmpty() || m_skipping)
                continue;
            readLine(line);
        }
        return m_queries;
    }

private:
    PlanTable *table() { return m_block->tables.isEmpty() ? nullptr : &m_block->tables.last(); }

    void keep(QStringList &list, const QString &value)
    {
        list << value;
        m_continued = &list;
    }

    void readLine(const QString &line)
    {
        static const QRegularExpression step(QStringLiteral("^(\\d+)\\) (.+?): ([A-Z][A-Z -]*[A-Z])\\b"));
        static const QRegularExpression indexed(QStringLiteral("^\\(\\d+\\) "));
        if (line.isEmpty()) {
            m_continued = nullptr;
            return;
        }
        QString l = line;
        l.remove(indexed);
        PlanTable *t = table();
        if (l.startsWith(QLatin1String("Query statistics:"))) {
            m_skipping = true;
        } else if (l == QLatin1String("Subquery:") || l == QLatin1String("Union Query:")) {
            PlanQuery part;
            part.kind = l.chopped(1);
            m_continued = nullptr;
            m_queries.last().parts << part;
            m_block = &m_queries.last().parts.last();
        } else if (l.startsWith(QLatin1String("---"))) {
        } else if (l.startsWith(QLatin1String("Estimated Cost:"))) {
            m_block->cost = numberAfter(l, QStringLiteral("Estimated Cost:"));
        } else if (l.startsWith(QLatin1String("Estimated # of Rows Returned:"))) {
            m_block->rows = numberAfter(l, QStringLiteral("Returned:"));
        } else if (l.startsWith(QLatin1String("Temporary Files Required For:"))) {
            m_block->temporaryFor = temporaryFiles(after(l, QStringLiteral("For:")));
        } else if (const QRegularExpressionMatch m = step.match(l); m.hasMatch()) {
            PlanTable next;
            next.step = m.captured(1).toInt();
            next.table = m.captured(2);
            next.access = m.captured(3);
            m_block->tables << next;
            m_continued = nullptr;
        } else if (!t) {
            return;
        } else if (l.startsWith(QLatin1String("Index Name:"))) {
            t->indexName = after(l, QStringLiteral("Index Name:"));
        } else if (l.startsWith(QLatin1String("Index Keys:"))) {
            readKeys(*t, after(l, QStringLiteral("Index Keys:")));
        } else if (l.startsWith(QLatin1String("Lower Index Filter:"))) {
            keep(t->lowerFilters, after(l, QStringLiteral("Filter:")));
        } else if (l.startsWith(QLatin1String("Upper Index Filter:"))) {
            keep(t->upperFilters, after(l, QStringLiteral("Filter:")));
        } else if (l.startsWith(QLatin1String("Filters:"))) {
            keep(t->filters, after(l, QStringLiteral("Filters:")));
        } else if (l.startsWith(QLatin1String("ON-Filters:")) || l.startsWith(QLatin1String("Dynamic Hash Filters:"))
                   || l.startsWith(QLatin1String("Merge Filters:"))) {
            keep(t->joinFilters, after(l, QStringLiteral("Filters:")));
        } else if (l.startsWith(QLatin1String("PostJoin-Filters:"))) {
            keep(t->postJoinFilters, after(l, QStringLiteral("Filters:")));
        } else if (l.contains(QLatin1String("JOIN")) && l.at(0).isUpper() && !l.contains(QLatin1Char(':'))) {
            t->join = l;
            m_continued = nullptr;
        } else if (m_continued && !m_continued->isEmpty()) {
            // A long filter goes on over the next lines; the server may start it on the next one.
            QString &filter = m_continued->last();
            filter = filter.isEmpty() ? l : filter + QLatin1Char(' ') + l;
        }
    }

    QList<PlanQuery> m_queries;
    PlanQuery *m_block = nullptr;
    QStringList *m_continued = nullptr;
    bool m_skipping = false;
};

QString cut(const QString &text)
{
    const QString flat = text.simplified();
    return flat.size() > kLongest ? flat.left(kLongest - 1) + QChar(0x2026) : flat;
}

int add(GraphPicture &p, GraphNode node, int parent, const QString &label = {})
{
    p.nodes << std::move(node);
    const int index = int(p.nodes.size() - 1);
    if (parent >= 0)
        p.edges << GraphEdge{parent, index, label};
    return index;
}

void addRows(GraphNode &node, const QString &mark, const QStringList &values)
{
    for (const QString &v : values)
        node.rows << GraphRow{mark, cut(v), {}};
}

int addAccess(GraphPicture &p, const PlanTable &t, int parent)
{
    GraphNode node;
    node.title = QStringLiteral("%1) %2").arg(t.step).arg(t.table);
    node.rows << GraphRow{{}, t.access, {}};
    if (!t.indexName.isEmpty())
        node.rows << GraphRow{QStringLiteral("index"), t.indexName, {}};
    if (!t.keyColumns.isEmpty())
        node.rows << GraphRow{QStringLiteral("keys"), cut(t.keyColumns.join(QStringLiteral(", "))),
                              t.keyOnly ? QStringLiteral("key-only") : QString()};
    addRows(node, QStringLiteral("lower"), t.lowerFilters);
    addRows(node, QStringLiteral("upper"), t.upperFilters);
    addRows(node, QStringLiteral("filter"), t.filters);
    return add(p, node, parent);
}

// The join of tables 0..last (left deep: the tables before, then the last).
void addJoin(GraphPicture &p, const QList<PlanTable> &tables, qsizetype last, int parent)
{
    if (last == 0) {
        addAccess(p, tables[0], parent);
        return;
    }
    const PlanTable &t = tables[last];
    GraphNode node;
    node.title = t.join.isEmpty() ? QStringLiteral("JOIN") : t.join;
    addRows(node, QStringLiteral("on"), t.joinFilters);
    addRows(node, QStringLiteral("after"), t.postJoinFilters);
    const int join = add(p, node, parent);
    addJoin(p, tables, last - 1, join);
    addAccess(p, t, join);
}

int addQuery(GraphPicture &p, const PlanQuery &q, int parent)
{
    GraphNode node;
    node.title = q.kind;
    node.emphasized = parent < 0;
    if (!q.statement.isEmpty())
        node.rows << GraphRow{{}, cut(q.statement), {}};
    if (q.cost)
        node.rows << GraphRow{QStringLiteral("cost"), QString::number(*q.cost, 'f', 0), {}};
    if (q.rows)
        node.rows << GraphRow{QStringLiteral("rows"), QString::number(*q.rows, 'f', 0), {}};
    const int top = add(p, node, parent, parent < 0 ? QString() : q.kind.toLower());
    int under = top;
    for (const QString &temporary : q.temporaryFor) {
        GraphNode step;
        step.title = temporary == QLatin1String("Order By") ? QStringLiteral("SORT") : temporary.toUpper();
        step.rows << GraphRow{{}, QStringLiteral("temporary file"), {}};
        under = add(p, step, under);
    }
    if (!q.tables.isEmpty())
        addJoin(p, q.tables, q.tables.size() - 1, under);
    for (const PlanQuery &part : q.parts)
        addQuery(p, part, top);
    return top;
}

} // namespace

QList<PlanQuery> ParseExplainText(const QString &text) { return Parser().run(text); }

GraphPicture PlanPicture(const PlanQuery &plan)
{
    GraphPicture picture;
    addQuery(picture, plan, -1);
    return picture;
}

} // namespace quodlin
