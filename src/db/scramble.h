#pragma once
// The scrambling of saved passwords and connection parameter texts, and the
// hexadecimal form in which the settings store keeps them ("&h" + hex digits).
//
// ScramblePassword writes the marker "1" and one character (code 0..255) per
// input character. A text holding characters above code 255 cannot be written
// that way without loss, so it is scrambled as its UTF-8 bytes behind the
// marker "2"; UnscramblePassword reads both forms.
#include <QString>

namespace quodlin {

QString ScramblePassword(const QString &text);
// Empty for a text without a known marker (never written by this program).
QString UnscramblePassword(const QString &scrambled);

// Two upper-case hex digits per character. Only for characters 0..255 (what
// ScramblePassword produces); raises std::invalid_argument for others.
QString HexEncodeText(const QString &text);
// Skips a leading "&h"/"&H"; reads pairs of hex digits; an odd last digit is
// ignored. A pair that is not hexadecimal makes the whole value unreadable:
// the result is empty, as for a value this program never wrote.
QString HexDecodeText(const QString &hex);

// The stored forms of "Login Password" and "Params".
QString StoreScrambled(const QString &text);   // "&h" + HexEncodeText(ScramblePassword(text))
QString ReadScrambled(const QString &stored);  // UnscramblePassword(HexDecodeText(stored))

} // namespace quodlin
