#pragma once
// The command line of quodlin-cli:
//   quodlin-cli [--home DIR] [-d ALIAS | -s SERVER -D DATABASE] [-u USER] [-p PASSWORD] COMMAND ...
// Options may stand anywhere; the first other word is the command, the rest its
// arguments; "--" ends the options. An option given twice is a usage error.
#include <QString>
#include <QStringList>

#include <optional>

namespace quodlin::cli {

struct CliOptions {
    QString home;
    QString alias;
    QString server;
    QString database;
    std::optional<QString> user;
    std::optional<QString> password;
    QString file;      // sql -f FILE
    QString format;    // sql --format text|script|sqd|csv|unload
    bool demo = false; // createdb --demo
    QString table;     // schema -t TABLE
    QString out;       // sql and schema --out FILE
    bool noGrants = false;  // schema --no-grants
    std::optional<QString> owner;  // show, schema and compare --owner OWNER
    QString to;            // compare --to ALIAS
    QString toFile;        // compare --to-file FILE
    QString script;        // compare --script FILE
    bool ignoreOwner = false;  // compare --ignore-owner
    bool drop = false;     // compare --drop
    QString grep;          // history --grep TEXT
    QString count;         // history -n N
    bool help = false;     // --help, -h
    bool version = false;  // --version
    QString command;
    QStringList arguments;
};

// Parses argv without the program name; on a usage error returns nothing and sets `error`.
std::optional<CliOptions> ParseCliOptions(const QStringList &args, QString &error);

inline const char *const kUsage =
    "usage: quodlin-cli [--home DIR] [-d ALIAS | -s SERVER -D DATABASE] [-u USER] [-p PASSWORD] COMMAND ...\n"
    "       quodlin-cli --help | -h | --version\n"
    "commands:\n"
    "  aliases                  list the database names (aliases and data sources)\n"
    "  createdb NAME [--demo]   create an embedded database NAME and an alias for it\n"
    "  sql [--format FORMAT] [--out FILE] [TEXT | -f FILE]\n"
    "                           run SQL statements (from standard input without TEXT or FILE);\n"
    "                           rows as FORMAT: text (default), script, sqd, csv or unload,\n"
    "                           to FILE (written whole or not at all) or standard output\n"
    "  tree                     print the object tree as the browser shows it\n"
    "  show KIND NAME [--owner OWNER]\n"
    "                           print an object's detail pages; KIND is table, view,\n"
    "                           procedure, trigger, synonym, user or role\n"
    "  compile FILE             compile the view, procedure, function or trigger of FILE\n"
    "                           (the old one is restored on failure)\n"
    "  drop KIND NAME [--owner OWNER]\n"
    "                           drop one object; KIND is table, view, procedure, trigger or synonym\n"
    "  schema [-t TABLE] [--owner OWNER] [--no-grants] [--out FILE]\n"
    "                           print the database's DDL (one table, one owner's objects)\n"
    "  compare (--to ALIAS | --to-file FILE) [-t TABLE] [--owner OWNER] [--ignore-owner]\n"
    "          [--script FILE] [--drop]\n"
    "                           list how the target differs from the -d database (exit 1 when\n"
    "                           it does) and write the script that makes it alike; extra\n"
    "                           objects are dropped only with --drop\n"
    "  history [--grep TEXT] [-n N]\n"
    "                           print the newest N (default 20) statements of the query\n"
    "                           history, oldest first; --grep keeps those containing TEXT\n"
    "Options end at \"--\": sql -- \"-- a comment ...\" runs a text that starts with '-'.\n"
    "The password may also come from QUODLIN_PASSWORD; -u defaults to the login name.\n";

} // namespace quodlin::cli
