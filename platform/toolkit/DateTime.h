#pragma once
// The day-number date-time: days since 30 December 1899 as a double, the time of day as the
// fraction. Negative values count back from that day; their fraction is still the time of day.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

using TDateTime = double;

// Days since 1 January of year 1 (that day is 1) and milliseconds since midnight.
struct TTimeStamp {
    int Time = 0;
    int Date = 0;
    bool operator==(const TTimeStamp&) const = default;
};

constexpr int DateDelta = 693594;  // TTimeStamp.Date of 30 December 1899
constexpr int MSecsPerDay = 86400000;

// Raise EConvertError on an impossible date or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& out);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);

TDateTime Now();
TDateTime Date();
TDateTime Time();
// The whole-day part and the time-of-day part, both as day numbers.
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

QDate DateTimeToQDate(TDateTime value);
QTime DateTimeToQTime(TDateTime value);
QDateTime DateTimeToQDateTime(TDateTime value);
TDateTime QDateToDateTime(const QDate& date);
TDateTime QTimeToDateTime(const QTime& time);
TDateTime QDateTimeToDateTime(const QDateTime& value);

TTimeStamp DateTimeToTimeStamp(TDateTime value);
TDateTime TimeStampToDateTime(const TTimeStamp& stamp);
// "<day number> <milliseconds>", the text form the table dataset keeps dates in.
QString TimeStampToText(const TTimeStamp& stamp);
// False when the text is not two integers separated by one blank or not a valid stamp.
bool TextToTimeStamp(const QString& text, TTimeStamp& out);

// The shop's display forms: "dd.MM.yyyy", "hh:mm:ss", both with one blank between (the time
// left out at midnight). FloatToStr gives the shortest text that reads back the same, with '.'.
QString DateToStr(TDateTime value);
QString TimeToStr(TDateTime value);
QString DateTimeToStr(TDateTime value);
QString FloatToStr(double value);
// Reads "dd.mm.yyyy", "dd/mm/yyyy", "dd-mm-yyyy", optionally followed by "hh:mm[:ss]", or a
// time alone. False when the text is none of these or names no real date.
bool TryStrToDate(const QString& text, TDateTime& out);
bool TryStrToTime(const QString& text, TDateTime& out);
bool TryStrToDateTime(const QString& text, TDateTime& out);
// As above, raising EConvertError "'<text>' is not a valid date" (time, date and time).
TDateTime StrToDate(const QString& text);
TDateTime StrToDateTime(const QString& text);
// Qt-style format on a day number ("dd/MM/yyyy").
QString FormatDateTime(const QString& format, TDateTime value);
