#include "app/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>

#include <algorithm>
#include <memory>
#include <optional>

namespace quodlin {

SettingsError::SettingsError(const QString &message)
    : std::runtime_error(message.toStdString())
{
}

QString SettingsError::message() const { return QString::fromStdString(what()); }

namespace {

QString homeOverride() { return qEnvironmentVariable("QUODLIN_HOME"); }

bool usesRegistry()
{
#ifdef Q_OS_WIN
    return homeOverride().isEmpty();
#else
    return false;
#endif
}

QStringList splitKeyPath(const QString &path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// QSettings reads '/' and '\' in a key as group separators and '%' starts its
// own escapes, so these are replaced by %XX inside one name. Leading and
// trailing blanks are escaped too: the INI reader trims them.
QString encodeName(const QString &name)
{
    QString out;
    out.reserve(name.size());
    int lastNonSpace = int(name.size()) - 1;
    while (lastNonSpace >= 0 && name.at(lastNonSpace) == QLatin1Char(' '))
        --lastNonSpace;
    bool leading = true;
    for (int i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c != QLatin1Char(' '))
            leading = false;
        if (c == QLatin1Char('%'))
            out += QLatin1String("%25");
        else if (c == QLatin1Char('/'))
            out += QLatin1String("%2F");
        else if (c == QLatin1Char('\\'))
            out += QLatin1String("%5C");
        else if (c == QLatin1Char(' ') && (leading || i > lastNonSpace))
            out += QLatin1String("%20");
        else
            out += c;
    }
    return out;
}

int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Reverses %XX escapes (one byte, ASCII only); anything else stays as it is.
QString decodeName(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (int i = 0; i < name.size(); ++i) {
        if (name.at(i) == QLatin1Char('%') && i + 2 < name.size()) {
            const int hi = hexValue(name.at(i + 1));
            const int lo = hexValue(name.at(i + 2));
            if (hi >= 0 && lo >= 0 && hi < 8) {
                out += QChar(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += name.at(i);
    }
    return out;
}

// Where one registry key lives in QSettings: the store object and the group
// path inside it (already encoded, '/'-separated).
struct Location {
    std::unique_ptr<QSettings> settings; // null: a read-only empty store
    QString group;
    QString fullKey;                     // the key path as the registry writes it, for messages
};

const QStringList &rootParts()
{
    static const QStringList parts = splitKeyPath(kQuodlinKey);
    return parts;
}

bool startsWithRoot(const QStringList &parts)
{
    const QStringList &root = rootParts();
    if (parts.size() < root.size())
        return false;
    for (int i = 0; i < root.size(); ++i)
        if (parts.at(i).compare(root.at(i), Qt::CaseInsensitive) != 0)
            return false;
    return true;
}

QString encodedGroup(const QStringList &parts, qsizetype from)
{
    QStringList encoded;
    for (qsizetype i = from; i < parts.size(); ++i)
        encoded << encodeName(parts.at(i));
    return encoded.join(QLatin1Char('/'));
}

Location locate(SettingsRoot root, const QStringList &parts)
{
    Location loc;
    loc.fullKey = parts.join(QLatin1Char('\\'));
    if (root == SettingsRoot::LocalMachine) {
#ifdef Q_OS_WIN
        // Read only, and in the 32-bit view where the 32-bit database layer registers itself.
        loc.settings = std::make_unique<QSettings>(QStringLiteral("HKEY_LOCAL_MACHINE"), QSettings::Registry32Format);
        loc.group = encodedGroup(parts, 0);
#endif
        return loc; // elsewhere there is no machine-wide store: an empty one
    }
#ifdef Q_OS_WIN
    if (usesRegistry()) {
        loc.settings = std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER"), QSettings::NativeFormat);
        loc.group = encodedGroup(parts, 0);
        return loc;
    }
#endif
    loc.settings = std::make_unique<QSettings>(SettingsFilePath(), QSettings::IniFormat);
    // Our own key is the file's root; other keys of the current user become
    // groups nested by their full path (Software/Other/Key).
    loc.group = startsWithRoot(parts) ? encodedGroup(parts, rootParts().size()) : encodedGroup(parts, 0);
    return loc;
}

Location locate(SettingsRoot root, const QString &keyPath, const QString &section)
{
    return locate(root, splitKeyPath(keyPath) + splitKeyPath(section));
}

QString valueKey(const Location &loc, const QString &name)
{
    const QString encoded = encodeName(name);
    return loc.group.isEmpty() ? encoded : loc.group + QLatin1Char('/') + encoded;
}

std::optional<QVariant> readValue(SettingsRoot root, const QString &keyPath, const QString &section,
                                  const QString &name)
{
    const Location loc = locate(root, keyPath, section);
    if (!loc.settings)
        return std::nullopt;
    const QString key = valueKey(loc, name);
    if (!loc.settings->contains(key))
        return std::nullopt;
    return loc.settings->value(key);
}

int toInteger(const QVariant &value, const QString &name)
{
    bool ok = false;
    int result = 0;
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::UInt
        || value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::ULongLong) {
        result = value.toInt(&ok);
    } else if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        result = value.toString().trimmed().toInt(&ok);
    }
    if (!ok)
        throw SettingsError(QStringLiteral("Invalid data type for '%1'").arg(name));
    return result;
}

// The file is created empty and private before the first write: QSettings
// keeps the permissions of a file it rewrites, so it stays owner-only.
void ensurePrivateFile(const QString &fullKey)
{
    const QString path = SettingsFilePath();
    if (path.isEmpty() || QFileInfo::exists(path))
        return;
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        throw SettingsError(QStringLiteral("Failed to create key %1").arg(fullKey));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        if (!QFileInfo::exists(path)) // another writer may have created it just now
            throw SettingsError(QStringLiteral("Failed to create key %1").arg(fullKey));
    }
}

void writeValue(SettingsRoot root, const QString &keyPath, const QString &section, const QString &name,
                const QVariant &value)
{
    const QStringList parts = splitKeyPath(keyPath) + splitKeyPath(section);
    Location loc = locate(root, parts);
    if (!loc.settings || root == SettingsRoot::LocalMachine)
        throw SettingsError(QStringLiteral("Failed to create key %1").arg(loc.fullKey));
    if (!usesRegistry()) {
        ensurePrivateFile(loc.fullKey);
        loc = locate(root, parts); // reopen so the new file is the one read and merged
    }
    const QString failure = QStringLiteral("Failed to set data for '%1'").arg(name);
    if (!loc.settings->isWritable())
        throw SettingsError(failure);
    loc.settings->setValue(valueKey(loc, name), value);
    loc.settings->sync();
    if (loc.settings->status() != QSettings::NoError)
        throw SettingsError(failure);
}

// Registry order: names compared without regard to case.
void sortLikeRegistry(QStringList &names)
{
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

bool groupExists(QSettings &settings, const QString &group)
{
    if (group.isEmpty())
        return !settings.allKeys().isEmpty();
    settings.beginGroup(group);
    const bool exists = !settings.childKeys().isEmpty() || !settings.childGroups().isEmpty();
    settings.endGroup();
    return exists;
}

} // namespace

QString SettingsFolder()
{
    const QString home = homeOverride();
    if (!home.isEmpty())
        return QDir::cleanPath(home);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Veltrane");
}

QString SettingsFilePath()
{
    if (usesRegistry())
        return {};
    return SettingsFolder() + QStringLiteral("/Quodlin.conf");
}

QString DataFolder()
{
    const QString home = homeOverride();
    if (!home.isEmpty())
        return QDir::cleanPath(home) + QStringLiteral("/databases");
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Veltrane/Quodlin/databases");
}

QString DefaultExplainFile(const QString &loginUser)
{
    return ExplainFileIn(DataFolder(), loginUser);
}

QString ExplainFileIn(const QString &folder, const QString &loginUser)
{
    QString name = loginUser;
    for (QChar &c : name)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-') || c == QLatin1Char('.')))
            c = QLatin1Char('_');
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QLatin1Char('_'));
    return folder + QStringLiteral("/explain/") + name + QStringLiteral(".out");
}

TWinRegistry::TWinRegistry(SettingsRoot root, const QString &keyPath)
    : m_root(root), m_keyPath(keyPath)
{
}

bool TWinRegistry::keyExists() const
{
    Location loc = locate(m_root, m_keyPath, QString());
    return loc.settings && groupExists(*loc.settings, loc.group);
}

QString ReadSettingString(SettingsRoot root, const QString &keyPath, const QString &section,
                          const QString &name, const QString &defaultValue)
{
    const auto value = readValue(root, keyPath, section, name);
    if (!value)
        return defaultValue;
    // A hand-edited value with unquoted commas reads back as a list.
    if (value->typeId() == QMetaType::QStringList)
        return value->toStringList().join(QLatin1Char(','));
    return value->toString();
}

int ReadSettingInteger(SettingsRoot root, const QString &keyPath, const QString &section,
                       const QString &name, int defaultValue)
{
    const auto value = readValue(root, keyPath, section, name);
    return value ? toInteger(*value, name) : defaultValue;
}

bool ReadSettingBool(SettingsRoot root, const QString &keyPath, const QString &section,
                     const QString &name, bool defaultValue)
{
    const auto value = readValue(root, keyPath, section, name);
    return value ? toInteger(*value, name) != 0 : defaultValue;
}

void WriteSettingString(SettingsRoot root, const QString &keyPath, const QString &section,
                        const QString &name, const QString &value)
{
    writeValue(root, keyPath, section, name, value);
}

void WriteSettingInteger(SettingsRoot root, const QString &keyPath, const QString &section,
                         const QString &name, int value)
{
    writeValue(root, keyPath, section, name, value);
}

void WriteSettingBool(SettingsRoot root, const QString &keyPath, const QString &section,
                      const QString &name, bool value)
{
    writeValue(root, keyPath, section, name, value ? 1 : 0);
}

void ListSettingKeys(const TWinRegistry &reg, QStringList &list)
{
    list.clear();
    Location loc = locate(reg.root(), reg.keyPath(), QString());
    if (!loc.settings)
        return;
    if (!loc.group.isEmpty())
        loc.settings->beginGroup(loc.group);
    const QStringList groups = loc.settings->childGroups();
    for (const QString &g : groups)
        list << decodeName(g);
    sortLikeRegistry(list);
}

bool DeleteSettingKey(const TWinRegistry &reg, const QString &subkey)
{
    const QStringList parts = splitKeyPath(reg.keyPath()) + splitKeyPath(subkey);
    if (splitKeyPath(subkey).isEmpty())
        return false;
    Location loc = locate(reg.root(), parts);
    if (!loc.settings || reg.root() == SettingsRoot::LocalMachine || !loc.settings->isWritable()
        || !groupExists(*loc.settings, loc.group))
        return false;
    loc.settings->remove(loc.group);
    loc.settings->sync();
    return loc.settings->status() == QSettings::NoError;
}

QString QuoteSettingKeyName(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        if (c == QLatin1Char('%'))
            out += QLatin1String("%25");
        else if (c == QLatin1Char('\\'))
            out += QLatin1String("%5C");
        else
            out += c;
    }
    return out;
}

QString UnquoteSettingKeyName(const QString &name) { return decodeName(name); }

QString ReadMainString(const QString &name, const QString &defaultValue)
{
    return ReadSettingString(SettingsRoot::CurrentUser, kVeltraneKey, kQuodlinSection, name, defaultValue);
}

int ReadMainInteger(const QString &name, int defaultValue)
{
    return ReadSettingInteger(SettingsRoot::CurrentUser, kVeltraneKey, kQuodlinSection, name, defaultValue);
}

bool ReadMainBool(const QString &name, bool defaultValue)
{
    return ReadSettingBool(SettingsRoot::CurrentUser, kVeltraneKey, kQuodlinSection, name, defaultValue);
}

void WriteMainString(const QString &name, const QString &value)
{
    WriteSettingString(SettingsRoot::CurrentUser, kVeltraneKey, kQuodlinSection, name, value);
}

void WriteMainInteger(const QString &name, int value)
{
    WriteSettingInteger(SettingsRoot::CurrentUser, kVeltraneKey, kQuodlinSection, name, value);
}

void WriteMainBool(const QString &name, bool value)
{
    WriteSettingBool(SettingsRoot::CurrentUser, kVeltraneKey, kQuodlinSection, name, value);
}

} // namespace quodlin
