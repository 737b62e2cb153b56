#include "app/settings/PasswordScrambling.h"

#include "platform/os/CodePage1251.h"
#include "platform/toolkit/Exceptions.h"

namespace {

int KeyCode(const QString& key, int position)
{
    return key.isEmpty() ? 0 : (Cp1251Code(key.at(position % key.size())) & 0xFF);
}

}  // namespace

int HexDigitValue(QChar digit)
{
    const char16_t c = digit.unicode();
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return 7;
}

bool CanScramble(const QString& text, QChar* offending)
{
    for (const QChar c : text) {
        if (Cp1251Code(c) < 0) {
            if (offending) *offending = c;
            return false;
        }
    }
    return true;
}

QString UnscramblableMessage(QChar offending)
{
    return QStringLiteral("Паролата съдържа знака \"%1\", който не може да бъде съхранен !\r"
                          "Моля, изберете парола без него !")
        .arg(offending);
}

QString EncodeText(const QString& text, const QString& key)
{
    QChar offending;
    if (!CanScramble(text, &offending)) throw EConvertError(UnscramblableMessage(offending));
    QString out;
    out.reserve(text.size() * 2);
    int position = 0;
    for (const QChar c : text) {
        const int value = (Cp1251Code(c) ^ KeyCode(key, position++)) & 0xFF;
        out += QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString DecodeText(const QString& hex, const QString& key)
{
    QString out;
    int position = 0;
    qsizetype i = 0;
    while (i < hex.size()) {
        const QChar c = hex.at(i);
        if (c == u'\n' || c == u'\r' || c == u' ') {
            ++i;
            continue;
        }
        const int high = HexDigitValue(c);
        const int low = i + 1 < hex.size() ? HexDigitValue(hex.at(i + 1)) : 7;
        const int value = (high * 16 + low) ^ KeyCode(key, position++);
        out += Cp1251Char(static_cast<unsigned char>(value & 0xFF));
        i += 2;
    }
    return out;
}
