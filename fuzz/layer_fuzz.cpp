// libFuzzer target: the database layer's texts that come from files a user
// may edit or damage, chosen by the input's first byte: aliases.conf (a file
// that parses must read back the same after it is written), the stored
// scrambled password and connection parameters, and setting key names.
#include "app/settings.h"
#include "db/aliasconfig.h"
#include "db/dberror.h"
#include "db/dbtypes.h"
#include "db/scramble.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace quodlin;

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "layer fuzz: %s\n", what);
        std::abort();
    }
}

bool sameAliases(const AliasConfig &a, const AliasConfig &b)
{
    if (a.embeddedServerName != b.embeddedServerName || a.informixOdbcDriver != b.informixOdbcDriver
        || a.aliases.size() != b.aliases.size())
        return false;
    for (qsizetype i = 0; i < a.aliases.size(); ++i)
        if (a.aliases[i].name != b.aliases[i].name || a.aliases[i].driver != b.aliases[i].driver
            || a.aliases[i].params != b.aliases[i].params)
            return false;
    return true;
}

void aliasFile(const QString &text)
{
    AliasConfig config;
    try {
        config = AliasConfig::parse(text);
    } catch (const DbError &) {
        return;  // a malformed file is reported, not a fault
    }
    AliasConfig again;
    try {
        again = AliasConfig::parse(config.toText());
    } catch (const DbError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        check(false, "a configuration that parsed is not readable once written");
    }
    check(sameAliases(config, again), "a configuration changed on its way through the file");
    for (const DbAlias &alias : config.aliases)
        DbParamValue(alias.params, QStringLiteral("DATABASE NAME"));
}

void storedValue(const QString &text)
{
    // Whatever the settings file holds must decode without harm...
    const QString params = ReadScrambled(text);
    DbParamValue(params.split(QLatin1Char('\n')), QStringLiteral("USER NAME"));
    // ...and whatever this program stores must come back unchanged.
    check(ReadScrambled(StoreScrambled(text)) == text, "a scrambled value did not come back");
    check(UnscramblePassword(ScramblePassword(text)) == text, "a password did not come back");
}

void keyName(const QString &text)
{
    UnquoteSettingKeyName(text);
    check(UnquoteSettingKeyName(QuoteSettingKeyName(text)) == text, "a quoted key name did not come back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data) + 1,
                                           static_cast<qsizetype>(size - 1));
    switch (data[0] % 3) {
    case 0: aliasFile(text); break;
    case 1: storedValue(text); break;
    default: keyName(text); break;
    }
    return 0;
}
