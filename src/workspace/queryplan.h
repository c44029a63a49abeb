#pragma once
// A query plan as structured data, read from the explain file's text (the
// server's SET EXPLAIN output, which the embedded engine writes in the same
// form): per statement its estimated cost and rows, the temporary files it
// needs (ORDER BY, GROUP BY), the tables in join order with their access
// path (sequential scan, index path with index, key columns and filters)
// and how each joins the ones before it; subqueries and union parts nested.
// The picture of a plan is a tree: the statement on top, its sort and
// grouping, then the joins down to the table accesses.
#include "output/graphlayout.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quodlin {

struct PlanTable {
    int step = 0;
    QString table;           // as the plan names it: owner.table or owner.alias
    QString access;          // "SEQUENTIAL SCAN", "INDEX PATH", "AUTOINDEX PATH", ...
    QString indexName;
    QStringList keyColumns;
    bool keyOnly = false;
    QStringList lowerFilters;
    QStringList upperFilters;
    QStringList filters;
    QString join;            // how it joins the tables before it ("NESTED LOOP JOIN"); empty for the first
    QStringList joinFilters; // hash, merge and ON filters of that join
    QStringList postJoinFilters; // WHERE filters applied after an outer join
};

struct PlanQuery {
    QString kind = QStringLiteral("QUERY");  // "QUERY", "Subquery", "Union Query"
    QString statement;
    std::optional<double> cost;
    std::optional<double> rows;
    QStringList temporaryFor;  // "Order By", "Group By", ...
    QList<PlanTable> tables;
    QList<PlanQuery> parts;    // subqueries and union parts of the statement
};

// Every statement of an explain file's text, in order; lines it does not
// know are passed over.
QList<PlanQuery> ParseExplainText(const QString &text);

// The plan as a tree picture (root: the statement, emphasized).
GraphPicture PlanPicture(const PlanQuery &plan);

} // namespace quodlin
