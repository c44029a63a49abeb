#pragma once
// The kinds of object the browser shows, described once: where a kind sits
// in the tree and which catalog lists fill it, its node image, the page set
// and caption its nodes show, the catalog query its detail pages load and
// how its definition text is kept, its title in prints and questions, the
// words that create and drop one, and its name on the command line. The
// tree, the detail pages, the object details, compile and drop, the leave
// checks, printing and quodlin-cli read this table; adding a kind is a row
// here plus its catalog queries (catalogqueries.cpp) and its page layout
// (browser/pagesets.cpp).
#include <QList>
#include <QString>
#include <QStringList>

namespace quodlin {

// Object kinds as stored in each tree node record.
enum ObjectKind : unsigned char {
    KindCategory = 0, KindTable = 1, KindView = 2, KindProcedure = 3,
    KindTrigger = 4, KindSynonym = 5, KindUser = 6, KindRole = 7,
};

// Image indexes shared by the small and large image lists.
enum NodeImage {
    ImageTable = 0, ImageView = 1, ImageProcedure = 2, ImageTrigger = 3,
    ImageSynonym = 4, ImageConnection = 5, ImageUser = 6, ImageRole = 7,
};
inline constexpr int kNodeImageCount = 8;

// One catalog list of a kind's objects in the tree.
struct ObjectList {
    QString label;    // the sub-category's label ("System"); empty: the objects hang under the kind's category
    QString caption;  // the sub-category's record caption ("System Tables")
    QString query;    // the list query: name, owner, id in its first three columns
};

// How the definition text is glued back from the body query's rows.
enum class DefinitionLayout { None, View, Routine, Trigger };

struct ObjectKindDesc {
    unsigned char kind = KindCategory;
    QString cliName;              // "table"
    QString category;             // the tree's category label and record caption ("Tables")
    int image = ImageTable;       // the category's image and its objects'
    QString icon;                 // the image's pictures: :/icons/node-<icon>-16.png and -32.png
    QList<ObjectList> lists;      // in tree order
    bool labelledByName = false;  // the node label is the name alone, whatever the owner display
    // Nodes of this kind hold members read per object (a role's users).
    QString memberQuery;          // detail of the list query, parameter = the object's name
    QString memberParam;
    unsigned char memberKind = KindCategory;

    QString pageSet;              // "tabTable"
    QStringList hiddenPages;      // pages of the set hidden for this kind
    QString firstTabCaption;      // empty: the design caption stays
    QString captionPrefix;        // the caption bar's prefix ("Table: ")
    QString title;                // "Stored Procedure": print titles, questions, the details' record section

    QString masterQuery;          // the detail pages' master ("qryTable"); empty: no detail load
    QString nameParam;            // its name parameter ("tabname"); the owner goes to "owner"
    QString idField;              // the id column of the list and master queries ("procid")
    DefinitionLayout definition = DefinitionLayout::None;
    QString bodyQuery;            // the rows of the definition text ("qryViewBody")

    // The words after CREATE (and DBA) that make one; compile drops and
    // restores what they create, with the same word. Routines (definition
    // layout Routine) list the procedure's word, then the function's: the
    // catalog's isproc flag picks one when the browser drops a routine.
    QStringList createWords;
    QString dropWord;             // DROP <word> name; empty: the browser does not drop it
};

// Every kind in tree order.
const QList<ObjectKindDesc> &ObjectKinds();
// Null for KindCategory and unknown kinds.
const ObjectKindDesc *FindObjectKind(int kind);
// By quodlin-cli's word, case-insensitively; null when none.
const ObjectKindDesc *FindObjectKindByCliName(const QString &word);
// The kind a CREATE word makes ("FUNCTION" -> procedure), upper case; null when none.
const ObjectKindDesc *FindObjectKindByCreateWord(const QString &word);
// quodlin-cli's words of every kind (or of those that can be dropped) in kind order, joined by ", ".
QString CliKindNames(bool droppableOnly);

} // namespace quodlin
