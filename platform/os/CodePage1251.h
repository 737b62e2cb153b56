#pragma once
// The Cyrillic Windows code page 1251: the byte form of the shop's old text files and the
// character codes the password scrambling works on.

#include <QByteArray>
#include <QString>

// The cp1251 code of a character, or -1 when the code page has none for it. Byte 0x98, which
// the code page leaves unassigned, stands for U+0098 so that every byte reads back the same.
int Cp1251Code(QChar c);
// The character of a cp1251 byte.
QChar Cp1251Char(unsigned char code);

// Characters without a code become '?'; ok (when given) tells whether every character had one.
QByteArray ToCp1251(const QString& text, bool* ok = nullptr);
QString FromCp1251(const QByteArray& bytes);

// Text files of the shop: UTF-8 when the bytes are valid UTF-8 (a leading byte-order mark is
// dropped), otherwise cp1251.
QString DecodeUtf8OrCp1251(const QByteArray& bytes);
