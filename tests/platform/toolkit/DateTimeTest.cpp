// Day numbers at the edges of years 1 to 9999 convert; beyond them every conversion raises a
// conversion error instead of wrapping round or printing a made-up year.

#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

TEST(DateTimeRange, TheFirstAndLastDaysConvert)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {-693593, "01.01.0001"},
        {-693593.5, "01.01.0001 12:00:00"},
        {2958465, "31.12.9999"},
        {2958465.75, "31.12.9999 18:00:00"},
        {0, "30.12.1899"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateTimeToStr(c.value).toStdString(), c.text) << c.value;
    EXPECT_EQ(DateTimeToTimeStamp(-693593).Date, 1);
    EXPECT_EQ(DateTimeToTimeStamp(2958465).Date, 3652059);
}

TEST(DateTimeRange, DayNumbersBeyondTheRangeRaise)
{
    const double outside[] = {-693594,
                              2958466,
                              2147483647.0,
                              -2147483648.0,
                              3e9,
                              -3e9,
                              1e300,
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()};
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    const struct {
        const char* name;
        std::function<void(double)> convert;
    } conversions[] = {
        {"DateToStr", [](double v) { DateToStr(v); }},
        {"TimeToStr", [](double v) { TimeToStr(v); }},
        {"DateTimeToStr", [](double v) { DateTimeToStr(v); }},
        {"DateTimeToTimeStamp", [](double v) { DateTimeToTimeStamp(v); }},
        {"DateTimeToQDate", [](double v) { DateTimeToQDate(v); }},
        {"DateTimeToQDateTime", [](double v) { DateTimeToQDateTime(v); }},
        {"DecodeDate", [&](double v) { DecodeDate(v, year, month, day); }},
        {"DecodeTime", [&](double v) { DecodeTime(v, hour, minute, second, msec); }},
        {"FormatDateTime", [](double v) { FormatDateTime(QStringLiteral("dd/MM/yyyy"), v); }},
    };
    for (const auto& c : conversions)
        for (double value : outside)
            EXPECT_THROW(c.convert(value), EConvertError) << c.name << " " << value;
}

TEST(DateTimeRange, StampsOfAnyDayNumberReadBackWithoutOverflow)
{
    EXPECT_EQ(TimeStampToDateTime(TTimeStamp{0, std::numeric_limits<int>::min()}),
              double(std::numeric_limits<int>::min()) - DateDelta);
    EXPECT_EQ(TimeStampToDateTime(TTimeStamp{0, std::numeric_limits<int>::max()}),
              double(std::numeric_limits<int>::max()) - DateDelta);
}

}  // namespace
