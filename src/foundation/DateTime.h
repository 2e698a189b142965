#pragma once

// The program's date-time: days since 30 December 1899 at midnight, the fraction of a day being
// the time of day. 0 stands for "no date". Values hold local date and time; no time zone is kept.
// Later moments always give greater values, before 1899 too.

#include <chrono>
#include <optional>

namespace korvel {

using TDateTime = double;

struct TDateTimeParts {
    int Year = 1899;
    int Month = 12;
    int Day = 30;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;

    bool operator==(const TDateTimeParts&) const = default;
};

// Years 1 to 9999, the real length of each month.
bool IsValidDate(int AYear, int AMonth, int ADay);
// Hours 0-23, minutes and seconds 0-59, milliseconds 0-999.
bool IsValidTime(int AHour, int AMinute, int ASecond, int AMillisecond);

// Empty when a field is out of range.
std::optional<TDateTime> EncodeDateTime(const TDateTimeParts& AParts);
// Rounded to the millisecond; values outside years 1 to 9999 give the parts of 0.
TDateTimeParts DecodeDateTime(TDateTime AValue);
// Midnight of the value's day.
TDateTime DateOf(TDateTime AValue);

// Between system time and the local date-time of this machine.
TDateTime DateTimeFromTimePoint(std::chrono::system_clock::time_point AWhen);
std::chrono::system_clock::time_point TimePointFromDateTime(TDateTime AValue);
TDateTime NowDateTime();
// The moment that AParts name as a UTC date and time.
std::chrono::system_clock::time_point TimePointFromUtcParts(const TDateTimeParts& AParts);

}  // namespace korvel
