#pragma once
// The scrambling of the two passwords the settings file keeps. It works on the code page 1251
// code of each character, so that passwords saved by earlier installations still decode.

#include <QChar>
#include <QString>

// The key the saved passwords are scrambled with.
inline constexpr const char* kPasswordKey = "RupTesna";

// "0".."9" give 0..9, "A".."F" 10..15; any other character (lower case included) gives 7.
int HexDigitValue(QChar digit);
// Each character's code XOR the key's code at the running key position, as two upper-case hex
// digits. Raises EConvertError naming the first character that has no code page 1251 code.
QString EncodeText(const QString& text, const QString& key);
// The reverse of EncodeText. Line breaks and blanks between the pairs are skipped; a trailing
// lone digit pairs with a missing second digit (worth 7).
QString DecodeText(const QString& hex, const QString& key);
// True when every character of `text` has a code page 1251 code; else `offending` gets the first
// that has none.
bool CanScramble(const QString& text, QChar* offending = nullptr);
// The message for a password that cannot be kept in the settings file.
QString UnscramblableMessage(QChar offending);
