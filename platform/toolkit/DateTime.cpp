#include "platform/toolkit/DateTime.h"

#include "platform/toolkit/Exceptions.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <ctime>

namespace {
const QDate kEpoch(1899, 12, 30);

// Day numbers of 1 January of year 1 and of the day after 31 December 9999.
constexpr double kFirstDay = -693593;
constexpr double kDayAfterLast = 2958466;

// Refuses what names no day of years 1 to 9999 (also NaN and infinities), before any cast.
void CheckDayRange(TDateTime value)
{
    if (!(value > kFirstDay - 1 && value < kDayAfterLast))
        throw EConvertError(QCoreApplication::translate("Toolkit", "'%1' is not a valid date and time").arg(QString::number(value, 'g', 15)));
}

double SplitDays(TDateTime value, double& fraction)
{
    CheckDayRange(value);
    // The integral part is the day, the absolute fraction the time of day.
    double days = std::trunc(value);
    fraction = std::fabs(value - days);
    return days;
}
}  // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& out)
{
    if (year < 1 || year > 9999 || !QDate::isValid(year, month, day)) return false;
    out = double(kEpoch.daysTo(QDate(year, month, day)));
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime v;
    if (!TryEncodeDate(year, month, day, v)) throw EConvertError(QCoreApplication::translate("Toolkit", "Invalid argument to date encode"));
    return v;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& out)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        return false;
    out = double(((hour * 60 + minute) * 60 + second) * 1000 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    TDateTime v;
    if (!TryEncodeTime(hour, minute, second, msec, v)) throw EConvertError(QCoreApplication::translate("Toolkit", "Invalid argument to time encode"));
    return v;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    QDate d = DateTimeToQDate(value);
    year = d.year();
    month = d.month();
    day = d.day();
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec)
{
    int ms = DateTimeToTimeStamp(value).Time;
    hour = ms / 3600000;
    minute = ms / 60000 % 60;
    second = ms / 1000 % 60;
    msec = ms % 1000;
}

TDateTime Now()
{
    // The C library's local time: Qt looks the time zone up afresh on every call, which costs
    // more than a whole row written with a time stamp.
    static const bool zoneRead = (tzset(), true);
    (void)zoneRead;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    TTimeStamp ts;
    ts.Date = int(kEpoch.daysTo(QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday))) + DateDelta;
    ts.Time = ((local.tm_hour * 60 + local.tm_min) * 60 + std::min(local.tm_sec, 59)) * 1000 + int(now.tv_nsec / 1000000);
    return TimeStampToDateTime(ts);
}
TDateTime Date() { return QDateToDateTime(QDate::currentDate()); }
TDateTime Time() { return QTimeToDateTime(QTime::currentTime()); }

TDateTime DateOf(TDateTime value) { return std::trunc(value); }

TDateTime TimeOf(TDateTime value)
{
    double f;
    SplitDays(value, f);
    return f;
}

QDate DateTimeToQDate(TDateTime value)
{
    double f;
    return kEpoch.addDays(qint64(SplitDays(value, f)));
}

QTime DateTimeToQTime(TDateTime value) { return QTime::fromMSecsSinceStartOfDay(DateTimeToTimeStamp(value).Time); }

QDateTime DateTimeToQDateTime(TDateTime value)
{
    TTimeStamp ts = DateTimeToTimeStamp(value);
    return QDateTime(kEpoch.addDays(qint64(ts.Date) - DateDelta), QTime::fromMSecsSinceStartOfDay(ts.Time));
}

TDateTime QDateToDateTime(const QDate& date) { return double(kEpoch.daysTo(date)); }

TDateTime QTimeToDateTime(const QTime& time) { return double(time.msecsSinceStartOfDay()) / MSecsPerDay; }

TDateTime QDateTimeToDateTime(const QDateTime& value)
{
    TTimeStamp ts;
    ts.Date = int(kEpoch.daysTo(value.date())) + DateDelta;
    ts.Time = value.time().msecsSinceStartOfDay();
    return TimeStampToDateTime(ts);
}

TTimeStamp DateTimeToTimeStamp(TDateTime value)
{
    double f;
    double days = SplitDays(value, f);
    qint64 ms = std::llround(f * MSecsPerDay);
    if (ms >= MSecsPerDay) {
        // A fraction a hair below one day rounds to midnight of the next day.
        ms -= MSecsPerDay;
        days += value < 0 ? -1 : 1;
    }
    return TTimeStamp{int(ms), int(days) + DateDelta};
}

TDateTime TimeStampToDateTime(const TTimeStamp& stamp)
{
    double days = double(stamp.Date) - DateDelta;
    double f = double(stamp.Time) / MSecsPerDay;
    return days < 0 ? days - f : days + f;
}

QString TimeStampToText(const TTimeStamp& stamp)
{
    return QString::number(stamp.Date) + QLatin1Char(' ') + QString::number(stamp.Time);
}

bool TextToTimeStamp(const QString& text, TTimeStamp& out)
{
    const int blank = text.indexOf(QLatin1Char(' '));
    if (blank < 0) return false;
    bool ok1 = false, ok2 = false;
    int date = text.left(blank).toInt(&ok1);
    int time = text.mid(blank + 1).toInt(&ok2);
    if (!ok1 || !ok2 || date < 1 || time < 0 || time >= MSecsPerDay) return false;
    out = TTimeStamp{time, date};
    return true;
}

QString DateToStr(TDateTime value) { return DateTimeToQDate(value).toString(QStringLiteral("dd.MM.yyyy")); }

QString TimeToStr(TDateTime value) { return DateTimeToQTime(value).toString(QStringLiteral("hh:mm:ss")); }

QString DateTimeToStr(TDateTime value)
{
    if (DateTimeToTimeStamp(value).Time == 0) return DateToStr(value);
    return DateToStr(value) + QLatin1Char(' ') + TimeToStr(value);
}

QString FloatToStr(double value)
{
    if (value == 0) return QStringLiteral("0");
    return QString::number(value, 'g', 15);
}

bool TryStrToTime(const QString& text, TDateTime& out)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*$"));
    auto m = re.match(text);
    if (!m.hasMatch()) return false;
    return TryEncodeTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), 0, out);
}

bool TryStrToDate(const QString& text, TDateTime& out)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2})[./-](\\d{1,2})[./-](\\d{1,4})\\s*$"));
    auto m = re.match(text);
    if (!m.hasMatch()) return false;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() <= 2) year += year < 50 ? 2000 : 1900;
    return TryEncodeDate(year, m.captured(2).toInt(), m.captured(1).toInt(), out);
}

bool TryStrToDateTime(const QString& text, TDateTime& out)
{
    const QString t = text.trimmed();
    const int blank = t.indexOf(QLatin1Char(' '));
    if (blank < 0) return TryStrToDate(t, out) || TryStrToTime(t, out);
    TDateTime d, tm;
    if (!TryStrToDate(t.left(blank), d) || !TryStrToTime(t.mid(blank + 1), tm)) return false;
    out = d < 0 ? d - tm : d + tm;
    return true;
}

TDateTime StrToDate(const QString& text)
{
    TDateTime v;
    if (!TryStrToDate(text, v)) throw EConvertError(QCoreApplication::translate("Toolkit", "'%1' is not a valid date").arg(text));
    return v;
}

TDateTime StrToDateTime(const QString& text)
{
    TDateTime v;
    if (!TryStrToDateTime(text, v)) throw EConvertError(QCoreApplication::translate("Toolkit", "'%1' is not a valid date and time").arg(text));
    return v;
}

QString FormatDateTime(const QString& format, TDateTime value) { return DateTimeToQDateTime(value).toString(format); }
