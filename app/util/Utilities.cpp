#include "app/util/Utilities.h"

#include "platform/toolkit/Exceptions.h"

#include <QHash>
#include <QStringList>

#include <cmath>
#include <cstdint>

namespace {

enum : int {
    rsStotinki = 65104,
    rsAndAmount = 65105,
    rsZero = 65106,
    rsMinus = 65107,
    rsTen = 65120,
    rsEleven = 65121,
    rsTeen = 65122,
    rsOneHundred = 65123,
    rsHundredsLow = 65124,
    rsHundredsHigh = 65125,
    rsAndHundreds = 65126,
    rsBillion = 65127,
    rsBillions = 65128,
    rsMillion = 65129,
    rsMillions = 65130,
    rsThousand = 65131,
    rsThousands = 65132,
    rsLev = 65133,
    rsLeva = 65134,
    rsStotinka = 65135,
    rsOneNeuter = 65139,
    rsTwoNeuter = 65142,
    rsThree = 65145,
};

const QHash<int, QString>& ResourceStrings()
{
    static const QHash<int, QString> strings = {
        {65104, QStringLiteral("стотинки")}, {65105, QStringLiteral("и")},
        {65106, QStringLiteral("нула")},     {65107, QStringLiteral("минус")},
        {65120, QStringLiteral("десет")},    {65121, QStringLiteral("единадесет")},
        {65122, QStringLiteral("надесет")},  {65123, QStringLiteral("сто")},
        {65124, QStringLiteral("ста")},      {65125, QStringLiteral("стотин")},
        {65126, QStringLiteral("и")},        {65127, QStringLiteral("милиард")},
        {65128, QStringLiteral("милиарда")}, {65129, QStringLiteral("милион")},
        {65130, QStringLiteral("милиона")},  {65131, QStringLiteral("хиляда")},
        {65132, QStringLiteral("хиляди")},   {65133, QStringLiteral("лев")},
        {65134, QStringLiteral("лева")},     {65135, QStringLiteral("стотинка")},
        {65139, QStringLiteral("едно")},     {65140, QStringLiteral("един")},
        {65141, QStringLiteral("една")},     {65142, QStringLiteral("две")},
        {65143, QStringLiteral("два")},      {65144, QStringLiteral("две")},
        {65145, QStringLiteral("три")},      {65146, QStringLiteral("четири")},
        {65147, QStringLiteral("пет")},      {65148, QStringLiteral("шест")},
        {65149, QStringLiteral("седем")},    {65150, QStringLiteral("осем")},
        {65151, QStringLiteral("девет")},
    };
    return strings;
}

// A group of thousands (1 to 999) followed by its name: the singular after exactly one, where
// the one is `oneWord` (empty for "хиляда", which stands alone).
void AppendGroup(QStringList& words, int group, int gender, const QString& oneWord, int singularId, int pluralId)
{
    if (group == 0) return;
    if (group == 1) {
        if (!oneWord.isEmpty()) words << oneWord;
        words << LoadResString(singularId);
        return;
    }
    words << HundredsInWords(group, gender) << LoadResString(pluralId);
}

// The rest below a thousand takes "и" before it when it is a single word after larger groups.
bool RestTakesAnd(std::int64_t whole, int rest)
{
    if (whole < 1000) return false;
    return rest <= 19 || (rest % 10 == 0 && rest < 100) || rest % 100 == 0;
}

// The most leva written in words: the billions group goes up to 999.
constexpr double kMostInWords = 999999999999.99;

}  // namespace

QString LoadResString(int id)
{
    return ResourceStrings().value(id);
}

TDateTime FirstDayOfMonth(TDateTime value)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(value, year, month, day);
    return EncodeDate(year, month, 1);
}

TDateTime LastDayOfMonth(TDateTime value)
{
    const QDate first = DateTimeToQDate(FirstDayOfMonth(value));
    return QDateToDateTime(first.addMonths(1)) - 1;
}

TDateTime NextDay(TDateTime value)
{
    return AddDays(1, value);
}

TDateTime AddDays(int days, TDateTime value)
{
    return DateOf(value) + days;
}

double RoundTo2(double value)
{
    // nearbyint follows the default rounding mode, which rounds ties to even.
    const double hundredths = std::nearbyint(value * 100);
    // 2^63 is the first hundredths count a 64-bit integer cannot hold.
    if (!(std::fabs(hundredths) < 9223372036854775808.0))
        throw EConvertError(QStringLiteral("'%1' cannot be rounded to hundredths").arg(FloatToStr(value)));
    return static_cast<double>(static_cast<std::int64_t>(hundredths)) / 100;
}

QString DigitInWords(int digit, int gender)
{
    if (digit == 1 || digit == 2) {
        if (gender < wgNeuter || gender > wgFeminine) return {};
        const int first = digit == 1 ? rsOneNeuter : rsTwoNeuter;
        return LoadResString(first + gender - wgNeuter);
    }
    if (digit >= 3 && digit <= 9) return LoadResString(rsThree + digit - 3);
    return {};
}

QString HundredsInWords(int value, int gender)
{
    const int hundreds = value / 100 % 10;
    const int tens = value / 10 % 10;
    const int units = value % 10;
    QStringList words;
    if (hundreds == 1)
        words << LoadResString(rsOneHundred);
    else if (hundreds == 2 || hundreds == 3)
        words << DigitInWords(hundreds, wgFeminine) + LoadResString(rsHundredsLow);
    else if (hundreds >= 4)
        words << DigitInWords(hundreds, wgFeminine) + LoadResString(rsHundredsHigh);
    const bool afterHundreds = hundreds > 0;
    const QString andWord = LoadResString(rsAndHundreds);

    if (tens == 1) {
        if (afterHundreds) words << andWord;
        if (units == 0)
            words << LoadResString(rsTen);
        else if (units == 1)
            words << LoadResString(rsEleven);
        else
            words << DigitInWords(units, wgMasculine) + LoadResString(rsTeen);
    } else if (tens >= 2) {
        const QString tensWord = DigitInWords(tens, wgMasculine) + LoadResString(rsTen);
        if (units > 0)
            words << tensWord << andWord << DigitInWords(units, gender);
        else if (afterHundreds)
            words << andWord << tensWord;
        else
            words << tensWord;
    } else if (units > 0) {
        if (afterHundreds) words << andWord;
        words << DigitInWords(units, gender);
    }
    return words.join(QLatin1Char(' '));
}

QString AmountInWords(double value)
{
    const double amount = RoundTo2(std::fabs(value));
    if (!(amount <= kMostInWords))
        throw EConvertError(QStringLiteral("'%1' is too large to be written in words").arg(FloatToStr(value)));
    // Decided after rounding: nothing left to write is never "минус".
    const bool negative = value < 0 && amount > 0;
    const auto whole = static_cast<std::int64_t>(amount);
    const int stotinki = static_cast<int>(std::llround((amount - static_cast<double>(whole)) * 100));

    QStringList words;
    if (negative) words << LoadResString(rsMinus);
    if (whole == 0) words << LoadResString(rsZero);
    const QString masculineOne = DigitInWords(1, wgMasculine);
    AppendGroup(words, static_cast<int>(whole / 1000000000), wgMasculine, masculineOne, rsBillion, rsBillions);
    AppendGroup(words, static_cast<int>(whole / 1000000 % 1000), wgMasculine, masculineOne, rsMillion, rsMillions);
    AppendGroup(words, static_cast<int>(whole / 1000 % 1000), wgFeminine, QString(), rsThousand, rsThousands);
    const int rest = static_cast<int>(whole % 1000);
    if (rest > 0) {
        if (RestTakesAnd(whole, rest)) words << LoadResString(rsAndAmount);
        words << HundredsInWords(rest, wgMasculine);
    }
    words << LoadResString(whole == 1 ? rsLev : rsLeva);
    words << LoadResString(rsAndAmount) << QString::number(stotinki)
          << LoadResString(stotinki == 1 ? rsStotinka : rsStotinki);
    return words.join(QLatin1Char(' '));
}
