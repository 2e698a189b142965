#include "foundation/DateTime.h"

#include <cmath>
#include <cstdint>
#include <ctime>

namespace korvel {
namespace {

using std::chrono::days;
using std::chrono::sys_days;

constexpr std::int64_t MillisecondsPerDay = 86'400'000;

// 30 December 1899, day 0 of the program's date-time.
constexpr sys_days Origin = sys_days{std::chrono::year{1899} / 12 / 30};
// 1 January of year 1 and the day after 31 December 9999.
constexpr double MinDateTime = -693593;
constexpr double MaxDateTime = 2958466;

std::int64_t MillisecondsOfDay(const TDateTimeParts& AParts)
{
    return ((AParts.Hour * 60LL + AParts.Minute) * 60 + AParts.Second) * 1000 + AParts.Millisecond;
}

std::tm ToTm(const TDateTimeParts& AParts)
{
    std::tm result{};
    result.tm_year = AParts.Year - 1900;
    result.tm_mon = AParts.Month - 1;
    result.tm_mday = AParts.Day;
    result.tm_hour = AParts.Hour;
    result.tm_min = AParts.Minute;
    result.tm_sec = AParts.Second;
    result.tm_isdst = -1;  // let the system tell whether summer time applies
    return result;
}

}  // namespace

bool IsValidDate(int AYear, int AMonth, int ADay)
{
    if (AYear < 1 || AYear > 9999 || AMonth < 1 || AMonth > 12 || ADay < 1 || ADay > 31)
        return false;
    const std::chrono::year_month_day date{std::chrono::year{AYear}, std::chrono::month{static_cast<unsigned>(AMonth)},
                                           std::chrono::day{static_cast<unsigned>(ADay)}};
    return date.ok();
}

bool IsValidTime(int AHour, int AMinute, int ASecond, int AMillisecond)
{
    return AHour >= 0 && AHour < 24 && AMinute >= 0 && AMinute < 60 && ASecond >= 0 && ASecond < 60 &&
           AMillisecond >= 0 && AMillisecond < 1000;
}

std::optional<TDateTime> EncodeDateTime(const TDateTimeParts& AParts)
{
    if (!IsValidDate(AParts.Year, AParts.Month, AParts.Day) ||
        !IsValidTime(AParts.Hour, AParts.Minute, AParts.Second, AParts.Millisecond))
        return std::nullopt;
    const sys_days date{std::chrono::year{AParts.Year} / AParts.Month / AParts.Day};
    const auto dayNumber = (date - Origin).count();
    return static_cast<double>(dayNumber) +
           static_cast<double>(MillisecondsOfDay(AParts)) / static_cast<double>(MillisecondsPerDay);
}

TDateTimeParts DecodeDateTime(TDateTime AValue)
{
    if (!(AValue >= MinDateTime && AValue < MaxDateTime))
        return {};  // no date outside years 1 to 9999, nor for NaN
    auto dayNumber = static_cast<std::int64_t>(std::floor(AValue));
    auto milliseconds = std::llround((AValue - static_cast<double>(dayNumber)) * MillisecondsPerDay);
    if (milliseconds >= MillisecondsPerDay) {
        ++dayNumber;
        milliseconds -= MillisecondsPerDay;
    }
    const std::chrono::year_month_day date{Origin + days{dayNumber}};
    TDateTimeParts parts;
    parts.Year = static_cast<int>(date.year());
    parts.Month = static_cast<int>(static_cast<unsigned>(date.month()));
    parts.Day = static_cast<int>(static_cast<unsigned>(date.day()));
    parts.Hour = static_cast<int>(milliseconds / 3'600'000);
    parts.Minute = static_cast<int>(milliseconds / 60'000 % 60);
    parts.Second = static_cast<int>(milliseconds / 1000 % 60);
    parts.Millisecond = static_cast<int>(milliseconds % 1000);
    return parts;
}

TDateTime DateOf(TDateTime AValue)
{
    return std::floor(AValue);
}

TDateTime DateTimeFromTimePoint(std::chrono::system_clock::time_point AWhen)
{
    const auto sinceEpoch = std::chrono::floor<std::chrono::milliseconds>(AWhen.time_since_epoch());
    const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    const std::time_t when = seconds.count();
    std::tm local{};
    localtime_r(&when, &local);
    TDateTimeParts parts;
    parts.Year = local.tm_year + 1900;
    parts.Month = local.tm_mon + 1;
    parts.Day = local.tm_mday;
    parts.Hour = local.tm_hour;
    parts.Minute = local.tm_min;
    parts.Second = local.tm_sec == 60 ? 59 : local.tm_sec;  // a leap second counts as the one before
    parts.Millisecond = static_cast<int>((sinceEpoch - seconds).count());
    return EncodeDateTime(parts).value_or(0);
}

std::chrono::system_clock::time_point TimePointFromDateTime(TDateTime AValue)
{
    const TDateTimeParts parts = DecodeDateTime(AValue);
    std::tm local = ToTm(parts);
    const std::time_t when = std::mktime(&local);
    return std::chrono::system_clock::from_time_t(when) + std::chrono::milliseconds{parts.Millisecond};
}

TDateTime NowDateTime()
{
    return DateTimeFromTimePoint(std::chrono::system_clock::now());
}

std::chrono::system_clock::time_point TimePointFromUtcParts(const TDateTimeParts& AParts)
{
    std::tm utc = ToTm(AParts);
    return std::chrono::system_clock::from_time_t(::timegm(&utc)) + std::chrono::milliseconds(AParts.Millisecond);
}

}  // namespace korvel
