#include "engine/complex_types.h"

#include "engine/decimal.h"
#include "engine/error.h"
#include "engine/sqlite_util.h"
#include "engine/values.h"

#include <algorithm>
#include <cctype>

namespace quodlin::engine {

namespace {

constexpr int kFirstUserType = 2048;

const char *kindWord(int code)
{
    switch (code) {
    case TSet: return "SET";
    case TMultiset: return "MULTISET";
    case TList: return "LIST";
    default: return "ROW";
    }
}

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char &c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string quotedItem(const std::string &text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

// An element in its stored text with the key it sorts by.
struct Element {
    std::string text;
    bool numeric = false;
    Decimal number;
    std::string key;
};

Element convertItem(const std::string &item, bool quoted, const TypeDesc &t, const Environment &env)
{
    Element e;
    const int code = t.code & kTypeMask;
    if (isNumeric(code)) {
        const Decimal d = Decimal::parseOrRaise(item);
        e.numeric = true;
        if (code == TDecimal || code == TMoney) {
            e.number = t.collength ? fitColumn(d, t.collength) : d;
            e.text = t.collength ? decimalText(e.number, decimalScale(t.collength)) : e.number.text();
        } else if (code == TFloat || code == TSmallFloat) {
            e.number = d;
            e.text = formatNumber(d.toDouble());
        } else {
            const std::int64_t v = checkIntegerRange(d.toDouble(), code == TSmallInt ? TSmallInt : code == TInteger || code == TSerial ? TInteger : TInt8);
            e.number = Decimal::fromInt(v);
            e.text = std::to_string(v);
        }
        return e;
    }
    (void)quoted;
    std::string value = item;
    if (isCharacter(code, t.extendedId)) {
        const int max = (code == TVarChar || code == TNVarChar) ? varcharMax(t.collength) : t.collength;
        if (max > 0 && int(value.size()) > max) value.resize(std::size_t(max));
        while (!value.empty() && value.back() == ' ') value.pop_back();
        e.key = value;
    } else if (code == TDate) {
        const std::int64_t day = parseDate(value, env);
        value = formatDate(day, env);
        e.numeric = true;
        e.number = Decimal::fromInt(day);
    } else if (code == TDateTime) {
        value = parseDatetime(value, t.collength);
        e.key = value;
    } else if (code == TInterval) {
        const IntervalValue iv = parseInterval(value, t.collength);
        value = formatInterval(iv, t.collength);
        e.numeric = true;
        e.number = Decimal::fromInt(iv.amount);
    } else if (isBoolean(code, t.extendedId)) {
        value = parseBoolean(value) ? "t" : "f";
        e.key = value;
    } else {
        raise(-9625, "elements of type " + typeText(t));
    }
    e.text = quotedItem(value);
    return e;
}

bool before(const Element &a, const Element &b)
{
    if (a.numeric && b.numeric) return compare(a.number, b.number) < 0;
    return a.key < b.key;
}

bool same(const Element &a, const Element &b)
{
    if (a.numeric && b.numeric) return compare(a.number, b.number) == 0;
    return a.key == b.key;
}

} // namespace

std::optional<ComplexType> loadComplexType(sqlite3 *db, int extendedId)
{
    ComplexType t;
    {
        sql::Stmt q(db, "SELECT mode, coalesce(name, ''), coalesce(owner, ''), type FROM sysxtdtypes WHERE extended_id = ?1");
        q.bind(1, extendedId);
        if (!q.step()) return std::nullopt;
        const std::string mode = q.text(0);
        if (mode != "C" && mode != "R") return std::nullopt;
        t.extendedId = extendedId;
        if (mode == "R") {
            t.name = q.text(1);
            t.owner = q.text(2);
        }
        t.code = int(q.integer(3)) & kTypeMask;
    }
    sql::Stmt m(db, "SELECT coalesce(fieldname, ''), type, length, xtd_type_id FROM sysattrtypes"
                    " WHERE extended_id = ?1 AND levelno = 1 ORDER BY seqno");
    m.bind(1, extendedId);
    while (m.step()) {
        if (t.code == TRow) t.fieldNames.push_back(m.text(0));
        t.members.push_back(typeFromCode(int(m.integer(1)), int(m.integer(2)), int(m.integer(3))));
    }
    return t;
}

std::optional<ComplexType> findRowType(sqlite3 *db, const std::string &name, const std::string &owner)
{
    sql::Stmt q(db, "SELECT extended_id FROM sysxtdtypes WHERE mode = 'R' AND name = ?1 AND (?2 = '' OR owner = ?2)"
                    " ORDER BY extended_id");
    q.bind(1, name).bind(2, owner);
    if (!q.step()) return std::nullopt;
    return loadComplexType(db, int(q.integer(0)));
}

ComplexType complexTypeOf(sqlite3 *db, const ast::TypeName &t)
{
    if (!t.rowTypeName.empty()) {
        std::optional<ComplexType> named = findRowType(db, t.rowTypeName);
        if (!named) raise(-9628, t.rowTypeName, t.offset);
        return *named;
    }
    ComplexType c;
    c.code = t.desc.code;
    c.fieldNames = t.fieldNames;
    for (const ast::TypeName &m : t.members) {
        if (isComplex(m.desc.code)) raise(-9625, "collection and ROW types inside others", m.offset);
        if (m.desc.code == TByte || m.desc.code == TText || isSerial(m.desc.code)) raise(-201, {}, m.offset);
        c.members.push_back(m.desc);
    }
    for (std::size_t i = 0; i < c.fieldNames.size(); ++i)
        for (std::size_t k = 0; k < i; ++k)
            if (c.fieldNames[k] == c.fieldNames[i]) raise(-328, c.fieldNames[i], t.members[i].offset);
    return c;
}

int registerComplexType(sqlite3 *db, const ComplexType &t)
{
    int id = kFirstUserType;
    {
        sql::Stmt q(db, "SELECT max(extended_id) FROM sysxtdtypes");
        if (q.step() && !q.isNull(0)) id = std::max(id, int(q.integer(0)) + 1);
    }
    const bool named = !t.name.empty();
    const int code = t.code + (named ? kNamedRowFlag : 0);
    sql::Stmt x(db, "INSERT INTO sysxtdtypes (extended_id, domain, mode, owner, name, type, source, maxlen, length,"
                    " byvalue, cannothash, align, locator) VALUES (?1, 'C', ?2, ?3, ?4, ?5, 0, ?6, 0, 'F', 'C', 4, 0)");
    x.bind(1, id).bind(2, named ? "R" : "C").bind(3, t.owner).bind(4, t.name).bind(5, code).bind(6, complexCollength(t));
    x.run();
    sql::Stmt a(db, "INSERT INTO sysattrtypes (extended_id, seqno, levelno, parent_no, fieldname, fieldno, type,"
                    " length, xtd_type_id) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    a.bind(1, id).bind(2, 1).bind(3, 0).bind(4, 0).bindNull(5).bind(6, 0).bind(7, code).bind(8, complexCollength(t)).bind(9, id);
    a.run();
    for (std::size_t i = 0; i < t.members.size(); ++i) {
        a.reset();
        const TypeDesc &m = t.members[i];
        a.bind(1, id).bind(2, int(i + 2)).bind(3, 1).bind(4, 1);
        if (t.code == TRow) a.bind(5, t.fieldNames[i]);
        else a.bindNull(5);
        // Collection elements are NOT NULL, as Informix requires.
        a.bind(6, int(i + 1)).bind(7, m.code + (t.code == TRow ? 0 : kNotNullFlag)).bind(8, m.collength).bind(9, m.extendedId);
        a.run();
    }
    return id;
}

void deleteComplexType(sqlite3 *db, int extendedId)
{
    for (const char *table : {"sysattrtypes", "sysxtdtypes"}) {
        sql::Stmt q(db, std::string("DELETE FROM ") + table + " WHERE extended_id = ?1");
        q.bind(1, extendedId);
        q.run();
    }
}

void deleteUnusedComplexTypes(sqlite3 *db)
{
    sql::exec(db, "DELETE FROM sysattrtypes WHERE extended_id IN (SELECT extended_id FROM sysxtdtypes WHERE mode = 'C'"
                  " AND extended_id NOT IN (SELECT extended_id FROM syscolumns));"
                  " DELETE FROM sysxtdtypes WHERE mode = 'C' AND extended_id NOT IN (SELECT extended_id FROM syscolumns)");
}

std::string complexTypeText(const ComplexType &t)
{
    if (!t.name.empty()) return t.name;
    std::string out = std::string(kindWord(t.code)) + "(";
    for (std::size_t i = 0; i < t.members.size(); ++i) {
        if (i) out += ", ";
        if (t.code == TRow) out += t.fieldNames[i] + " ";
        out += typeText(t.members[i]);
    }
    return out + (t.code == TRow ? ")" : " NOT NULL)");
}

int complexCollength(const ComplexType &t)
{
    int n = 0;
    for (const TypeDesc &m : t.members) n += storageSize(m.code, m.collength, m.extendedId);
    return n;
}

std::optional<ComplexText> parseComplexText(std::string_view s)
{
    std::size_t i = 0;
    auto blanks = [&] { while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i; };
    blanks();
    std::size_t w = i;
    while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i]))) ++i;
    const std::string word = lower(s.substr(w, i - w));
    ComplexText v;
    if (word == "set") v.code = TSet;
    else if (word == "multiset") v.code = TMultiset;
    else if (word == "list") v.code = TList;
    else if (word == "row") v.code = TRow;
    else return std::nullopt;
    blanks();
    const char open = v.code == TRow ? '(' : '{';
    const char close = v.code == TRow ? ')' : '}';
    if (i >= s.size() || s[i] != open) return std::nullopt;
    ++i;
    blanks();
    if (i < s.size() && s[i] == close) {
        ++i;
        blanks();
        return i == s.size() && v.code != TRow ? std::optional(v) : std::nullopt;
    }
    for (;;) {
        blanks();
        std::string item;
        bool quoted = false;
        if (i < s.size() && (s[i] == '\'' || s[i] == '"')) {
            const char q = s[i++];
            quoted = true;
            for (;;) {
                if (i >= s.size()) return std::nullopt;
                if (s[i] == q) {
                    if (i + 1 < s.size() && s[i + 1] == q) { item += q; i += 2; continue; }
                    ++i;
                    break;
                }
                item += s[i++];
            }
            blanks();
        } else {
            const std::size_t b = i;
            while (i < s.size() && s[i] != ',' && s[i] != close) ++i;
            std::string_view bare = s.substr(b, i - b);
            while (!bare.empty() && std::isspace(static_cast<unsigned char>(bare.back()))) bare.remove_suffix(1);
            if (bare.empty()) return std::nullopt;
            item = std::string(bare);
        }
        v.items.push_back(std::move(item));
        v.quoted.push_back(quoted);
        if (i < s.size() && s[i] == ',') { ++i; continue; }
        if (i < s.size() && s[i] == close) { ++i; break; }
        return std::nullopt;
    }
    blanks();
    if (i != s.size()) return std::nullopt;
    return v;
}

ComplexType literalComplexType(const ComplexText &value)
{
    ComplexType t;
    t.code = value.code;
    for (std::size_t i = 0; i < value.items.size(); ++i) {
        TypeDesc m{TVarChar, encodeVarchar(255), 0};
        if (!value.quoted[i]) {
            const std::string &s = value.items[i];
            const bool integer = !s.empty() && s.find_first_not_of("+-0123456789") == std::string::npos && s.size() < 10;
            m = integer ? TypeDesc{TInteger, 4, 0} : TypeDesc{TDecimal, encodeDecimal(32, -1), 0};
        }
        t.members.push_back(m);
        if (value.code == TRow) t.fieldNames.push_back("field" + std::to_string(i + 1));
    }
    if (value.code != TRow) {
        // One element type for all: numbers when every element is one.
        TypeDesc all = t.members.empty() ? TypeDesc{TInteger, 4, 0} : t.members.front();
        for (const TypeDesc &m : t.members)
            if (!(m == all)) all = (isNumeric(m.code) && isNumeric(all.code)) ? TypeDesc{TDecimal, encodeDecimal(32, -1), 0}
                                                                              : TypeDesc{TVarChar, encodeVarchar(255), 0};
        t.members.assign(1, all);
    }
    return t;
}

std::string complexValueText(const ComplexText &value, const ComplexType &t, const Environment &env,
                             const std::string &column)
{
    const std::string &target = column;
    if (value.code != t.code) raise(-9632, target);
    if (t.code == TRow && value.items.size() != t.members.size()) raise(-9632, target);
    if (t.code != TRow && t.members.size() != 1) raise(-9632, target);
    std::vector<Element> elements;
    elements.reserve(value.items.size());
    for (std::size_t i = 0; i < value.items.size(); ++i)
        elements.push_back(convertItem(value.items[i], value.quoted[i], t.members[t.code == TRow ? i : 0], env));
    if (t.code == TSet || t.code == TMultiset) {
        std::stable_sort(elements.begin(), elements.end(), before);
        if (t.code == TSet)
            elements.erase(std::unique(elements.begin(), elements.end(), same), elements.end());
    }
    std::string out = kindWord(t.code);
    out += t.code == TRow ? '(' : '{';
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i) out += ',';
        out += elements[i].text;
    }
    out += t.code == TRow ? ')' : '}';
    return out;
}

} // namespace quodlin::engine
