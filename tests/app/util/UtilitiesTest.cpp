#include "app/util/Utilities.h"

#include "platform/toolkit/Exceptions.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TDateTime At(int year, int month, int day, int hour = 0, int minute = 0)
{
    return EncodeDate(year, month, day) + EncodeTime(hour, minute, 0, 0);
}

QString Text(TDateTime value)
{
    return FormatDateTime(QStringLiteral("dd/MM/yyyy hh:mm"), value);
}

struct MonthCase {
    TDateTime day;
    TDateTime first;
    TDateTime last;
};

TEST(Utilities, MonthEndsFollowTheCalendar)
{
    const MonthCase cases[] = {
        {At(2026, 1, 15, 10, 30), At(2026, 1, 1), At(2026, 1, 31)},
        {At(2024, 2, 1), At(2024, 2, 1), At(2024, 2, 29)},          // leap year
        {At(2024, 2, 29, 23, 59), At(2024, 2, 1), At(2024, 2, 29)},
        {At(2026, 2, 10), At(2026, 2, 1), At(2026, 2, 28)},
        {At(2000, 2, 3), At(2000, 2, 1), At(2000, 2, 29)},          // divisible by 400
        {At(1900, 2, 3), At(1900, 2, 1), At(1900, 2, 28)},          // divisible by 100 only
        {At(2026, 4, 30), At(2026, 4, 1), At(2026, 4, 30)},
        {At(2026, 12, 31, 18, 0), At(2026, 12, 1), At(2026, 12, 31)},  // the year turns
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Text(c.day).toStdString());
        EXPECT_EQ(Text(FirstDayOfMonth(c.day)), Text(c.first));
        EXPECT_EQ(Text(LastDayOfMonth(c.day)), Text(c.last));
    }
    // The monthly cash period ends on the day after the month's last.
    EXPECT_EQ(Text(NextDay(LastDayOfMonth(At(2026, 12, 5)))), Text(At(2027, 1, 1)));
    EXPECT_EQ(Text(NextDay(LastDayOfMonth(At(2024, 2, 5)))), Text(At(2024, 3, 1)));
}

struct DaysCase {
    int days;
    TDateTime from;
    TDateTime expected;
};

TEST(Utilities, AddingDaysDropsTheTime)
{
    const DaysCase cases[] = {
        {-1, At(2026, 3, 1, 14, 30), At(2026, 2, 28)},
        {-1, At(2024, 3, 1, 14, 30), At(2024, 2, 29)},
        {1, At(2026, 12, 31, 23, 59), At(2027, 1, 1)},
        {0, At(2026, 6, 1, 0, 1), At(2026, 6, 1)},
        {30, At(2026, 6, 1), At(2026, 7, 1)},
        {-366, At(2025, 1, 1, 12, 0), At(2024, 1, 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.days);
        EXPECT_EQ(AddDays(c.days, c.from), c.expected);
    }
    EXPECT_EQ(NextDay(At(2026, 2, 28, 9, 15)), At(2026, 3, 1));
    EXPECT_EQ(NextDay(At(2024, 2, 28, 9, 15)), At(2024, 2, 29));
}

TEST(Utilities, RoundsToHundredthsWithTiesToEven)
{
    const std::pair<double, double> cases[] = {
        {1.234, 1.23}, {1.236, 1.24}, {-1.236, -1.24}, {0.125, 0.12}, {0.375, 0.38},
        {2.5, 2.5},    {0, 0},        {123456.789, 123456.79},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value);
        EXPECT_DOUBLE_EQ(RoundTo2(value), expected);
    }
    // 0.005 is stored a little above one half of a hundredth.
    EXPECT_DOUBLE_EQ(RoundTo2(0.005), 0.005 * 100 > 0.5 ? 0.01 : 0.0);
}

TEST(Utilities, DigitsTakeTheirGender)
{
    EXPECT_EQ(DigitInWords(1, wgNeuter), QStringLiteral("едно"));
    EXPECT_EQ(DigitInWords(1, wgMasculine), QStringLiteral("един"));
    EXPECT_EQ(DigitInWords(1, wgFeminine), QStringLiteral("една"));
    EXPECT_EQ(DigitInWords(2, wgNeuter), QStringLiteral("две"));
    EXPECT_EQ(DigitInWords(2, wgMasculine), QStringLiteral("два"));
    EXPECT_EQ(DigitInWords(2, wgFeminine), QStringLiteral("две"));
    EXPECT_EQ(DigitInWords(7, wgFeminine), QStringLiteral("седем"));
    EXPECT_EQ(DigitInWords(9, wgNeuter), QStringLiteral("девет"));
    EXPECT_EQ(DigitInWords(0, wgMasculine), QString());
    EXPECT_EQ(DigitInWords(10, wgMasculine), QString());
}

TEST(Utilities, HundredsInWords)
{
    const std::pair<int, const char*> cases[] = {
        {0, ""},
        {1, "един"},
        {10, "десет"},
        {11, "единадесет"},
        {12, "дванадесет"},
        {19, "деветнадесет"},
        {20, "двадесет"},
        {21, "двадесет и един"},
        {99, "деветдесет и девет"},
        {100, "сто"},
        {101, "сто и един"},
        {110, "сто и десет"},
        {112, "сто и дванадесет"},
        {120, "сто и двадесет"},
        {125, "сто двадесет и пет"},
        {200, "двеста"},
        {300, "триста"},
        {400, "четиристотин"},
        {999, "деветстотин деветдесет и девет"},
    };
    for (const auto& [value, words] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(HundredsInWords(value, wgMasculine), QString::fromUtf8(words));
    }
    EXPECT_EQ(HundredsInWords(2, wgFeminine), QStringLiteral("две"));
    EXPECT_EQ(HundredsInWords(201, wgFeminine), QStringLiteral("двеста и една"));
}

TEST(Utilities, AmountInWords)
{
    const std::pair<double, const char*> cases[] = {
        {0, "нула лева и 0 стотинки"},
        {1, "един лев и 0 стотинки"},
        {1.01, "един лев и 1 стотинка"},
        {2.5, "два лева и 50 стотинки"},
        {0.99, "нула лева и 99 стотинки"},
        {12, "дванадесет лева и 0 стотинки"},
        {20, "двадесет лева и 0 стотинки"},
        {21, "двадесет и един лева и 0 стотинки"},
        {105, "сто и пет лева и 0 стотинки"},
        {120, "сто и двадесет лева и 0 стотинки"},
        {125, "сто двадесет и пет лева и 0 стотинки"},
        {1000, "хиляда лева и 0 стотинки"},
        {1005, "хиляда и пет лева и 0 стотинки"},
        {1020, "хиляда и двадесет лева и 0 стотинки"},
        {1021, "хиляда двадесет и един лева и 0 стотинки"},
        {1200, "хиляда и двеста лева и 0 стотинки"},
        {1250, "хиляда двеста и петдесет лева и 0 стотинки"},
        {2000, "две хиляди лева и 0 стотинки"},
        {21001, "двадесет и една хиляди и един лева и 0 стотинки"},
        {1000000, "един милион лева и 0 стотинки"},
        {3000000, "три милиона лева и 0 стотинки"},
        {2001000, "два милиона хиляда лева и 0 стотинки"},
        {1000000000, "един милиард лева и 0 стотинки"},
        {2147483647, "два милиарда сто четиридесет и седем милиона четиристотин осемдесет и три хиляди "
                     "шестстотин четиридесет и седем лева и 0 стотинки"},
        {-3, "минус три лева и 0 стотинки"},
        {-0.5, "минус нула лева и 50 стотинки"},
        {19.999, "двадесет лева и 0 стотинки"},
        {11, "единадесет лева и 0 стотинки"},
        {100, "сто лева и 0 стотинки"},
        {101, "сто и един лева и 0 стотинки"},
        {110, "сто и десет лева и 0 стотинки"},
        {200, "двеста лева и 0 стотинки"},
        {999, "деветстотин деветдесет и девет лева и 0 стотинки"},
        // A teen after the thousands is one word, as 1 to 9 are.
        {1011, "хиляда и единадесет лева и 0 стотинки"},
        {2013, "две хиляди и тринадесет лева и 0 стотинки"},
        {21000, "двадесет и една хиляди лева и 0 стотинки"},
        {1000005, "един милион и пет лева и 0 стотинки"},
        {1200000, "един милион двеста хиляди лева и 0 стотинки"},
        {2147483648.0, "два милиарда сто четиридесет и седем милиона четиристотин осемдесет и три хиляди "
                       "шестстотин четиридесет и осем лева и 0 стотинки"},
        // The double is 1234567.889999…: the stotinki are rounded, not cut.
        {1234567.89, "един милион двеста тридесет и четири хиляди петстотин шестдесет и седем лева и 89 стотинки"},
        {0.29, "нула лева и 29 стотинки"},
        {0.125, "нула лева и 12 стотинки"},
        // Rounded to nothing: no sign.
        {-0.001, "нула лева и 0 стотинки"},
        {999999999999.99, "деветстотин деветдесет и девет милиарда деветстотин деветдесет и девет милиона "
                          "деветстотин деветдесет и девет хиляди деветстотин деветдесет и девет лева и 99 стотинки"},
    };
    for (const auto& [value, words] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(AmountInWords(value), QString::fromUtf8(words));
    }
}

TEST(Utilities, AmountBeyondTheBillionsIsRefused)
{
    for (const double value : {1e12, -1e12, 1e300, std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(value);
        EXPECT_THROW(AmountInWords(value), EConvertError);
    }
}

TEST(Utilities, RoundingBeyondSixtyFourBitsIsRefused)
{
    for (const double value : {1e17, -1e17, std::numeric_limits<double>::quiet_NaN(),
                               -std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(value);
        EXPECT_THROW(RoundTo2(value), EConvertError);
    }
    EXPECT_DOUBLE_EQ(RoundTo2(1e15), 1e15);
}

TEST(Utilities, HundredsAgreeWithTheirGender)
{
    const struct {
        int value;
        const char* neuter;
        const char* masculine;
        const char* feminine;
    } cases[] = {
        {1, "едно", "един", "една"},
        {2, "две", "два", "две"},
        {21, "двадесет и едно", "двадесет и един", "двадесет и една"},
        {200, "двеста", "двеста", "двеста"},
        {201, "двеста и едно", "двеста и един", "двеста и една"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(HundredsInWords(c.value, wgNeuter), QString::fromUtf8(c.neuter));
        EXPECT_EQ(HundredsInWords(c.value, wgMasculine), QString::fromUtf8(c.masculine));
        EXPECT_EQ(HundredsInWords(c.value, wgFeminine), QString::fromUtf8(c.feminine));
    }
}

TEST(Utilities, WordsComeFromTheStringResources)
{
    EXPECT_EQ(LoadResString(65133), QStringLiteral("лев"));
    EXPECT_EQ(LoadResString(65151), QStringLiteral("девет"));
    EXPECT_EQ(LoadResString(1), QString());
}

}  // namespace
