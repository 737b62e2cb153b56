#include "platform/os/CodePage1251.h"

#include <QStringDecoder>
#include <array>

namespace {
// Characters of the bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr std::array<char16_t, 64> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};
}  // namespace

QChar Cp1251Char(unsigned char code)
{
    if (code < 0x80) return QChar(char16_t(code));
    if (code >= 0xC0) return QChar(char16_t(0x0410 + (code - 0xC0)));
    return QChar(kHighHalf[code - 0x80]);
}

int Cp1251Code(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80) return u;
    if (u >= 0x0410 && u <= 0x044F) return 0xC0 + (u - 0x0410);
    for (size_t i = 0; i < kHighHalf.size(); ++i)
        if (kHighHalf[i] == u) return int(0x80 + i);
    return -1;
}

QByteArray ToCp1251(const QString& text, bool* ok)
{
    QByteArray out;
    out.reserve(text.size());
    bool all = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const int code = Cp1251Code(c);
        if (code < 0) {
            all = false;
            out.append('?');
            // One substitute per character, not per half of a surrogate pair.
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
        } else {
            out.append(char(code));
        }
    }
    if (ok) *ok = all;
    return out;
}

QString FromCp1251(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char b : bytes) out.append(Cp1251Char(static_cast<unsigned char>(b)));
    return out;
}

QString DecodeUtf8OrCp1251(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) return FromCp1251(bytes);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return text;
}
