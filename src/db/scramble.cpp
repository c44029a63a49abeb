#include "db/scramble.h"

#include <QByteArray>

#include <stdexcept>

namespace quodlin {

namespace {

// Saved passwords and parameters of every installation depend on these two
// values: they must never change once released.
constexpr quint8 kScrambleMask = 0xA5;
constexpr const char *kPadPieces[] = {"#%&", "*+-/", ":;<=", ">?@[", "]^~"};

const QByteArray &pad()
{
    static const QByteArray value = [] {
        QByteArray p;
        for (const char *piece : kPadPieces)
            p += piece;
        return p;
    }();
    return value;
}

QByteArray scrambleBytes(const QByteArray &plain)
{
    QByteArray out(plain.size(), '\0');
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const quint8 c = static_cast<quint8>(plain[i]) ^ kScrambleMask;
        out[i] = static_cast<char>(c + static_cast<quint8>(pad()[i % pad().size()]));
    }
    return out;
}

QByteArray unscrambleBytes(const QByteArray &scrambled)
{
    QByteArray out(scrambled.size(), '\0');
    for (qsizetype i = 0; i < scrambled.size(); ++i) {
        const quint8 c = static_cast<quint8>(scrambled[i])
            - static_cast<quint8>(pad()[i % pad().size()]);
        out[i] = static_cast<char>(c ^ kScrambleMask);
    }
    return out;
}

bool fitsLatin1(const QString &text)
{
    for (QChar ch : text)
        if (ch.unicode() > 0xFF)
            return false;
    return true;
}

int hexDigit(QChar ch)
{
    const ushort c = ch.unicode();
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

QString ScramblePassword(const QString &text)
{
    if (fitsLatin1(text))
        return QLatin1Char('1') + QString::fromLatin1(scrambleBytes(text.toLatin1()));
    return QLatin1Char('2') + QString::fromLatin1(scrambleBytes(text.toUtf8()));
}

QString UnscramblePassword(const QString &scrambled)
{
    if (scrambled.size() < 2 || !fitsLatin1(scrambled))
        return {};
    const QByteArray body = unscrambleBytes(scrambled.mid(1).toLatin1());
    if (scrambled[0] == QLatin1Char('1'))
        return QString::fromLatin1(body);
    if (scrambled[0] == QLatin1Char('2'))
        return QString::fromUtf8(body);
    return {};
}

QString HexEncodeText(const QString &text)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(text.size() * 2);
    for (QChar ch : text) {
        const ushort c = ch.unicode();
        if (c > 0xFF)
            throw std::invalid_argument("HexEncodeText: character above code 255");
        out += QLatin1Char(digits[c >> 4]);
        out += QLatin1Char(digits[c & 0xF]);
    }
    return out;
}

QString HexDecodeText(const QString &hex)
{
    qsizetype start = 0;
    if (hex.size() >= 2 && hex[0] == QLatin1Char('&')
        && (hex[1] == QLatin1Char('h') || hex[1] == QLatin1Char('H')))
        start = 2;
    QString out;
    for (qsizetype i = start; i + 1 < hex.size(); i += 2) {
        const int high = hexDigit(hex[i]);
        const int low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            return {};
        out += QChar(static_cast<ushort>(high * 16 + low));
    }
    return out;
}

QString StoreScrambled(const QString &text)
{
    return QStringLiteral("&h") + HexEncodeText(ScramblePassword(text));
}

QString ReadScrambled(const QString &stored)
{
    return UnscramblePassword(HexDecodeText(stored));
}

} // namespace quodlin
