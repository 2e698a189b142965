#include "foundation/DateTime.h"
#include "foundation/DateParse.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

namespace korvel {
namespace {

TDateTime At(int AYear, int AMonth, int ADay, int AHour = 0, int AMinute = 0, int ASecond = 0)
{
    return EncodeDateTime({AYear, AMonth, ADay, AHour, AMinute, ASecond, 0}).value();
}

TEST(DateTime, CountsDaysFromTheEndOf1899)
{
    EXPECT_EQ(At(1899, 12, 30), 0.0);
    EXPECT_EQ(At(1899, 12, 31), 1.0);
    EXPECT_EQ(At(1900, 3, 1), 61.0);
    EXPECT_EQ(At(2024, 1, 31), 45322.0);
    EXPECT_DOUBLE_EQ(At(2024, 1, 31, 18, 0, 0), 45322.75);
    EXPECT_EQ(At(1899, 12, 29), -1.0);
}

TEST(DateTime, UtcPartsNameTheirMomentWhateverTheLocalZone)
{
    using namespace std::chrono;
    EXPECT_EQ(TimePointFromUtcParts({1970, 1, 1, 0, 0, 1, 500}), system_clock::time_point(milliseconds(1500)));
    EXPECT_EQ(TimePointFromUtcParts({2049, 12, 31, 23, 59, 58, 0}),
              sys_days{year{2049} / 12 / 31} + hours{23} + minutes{59} + seconds{58});
}

TEST(DateTime, RefusesFieldsOutOfRange)
{
    const std::vector<TDateTimeParts> invalid = {
        {2024, 2, 30, 0, 0, 0, 0}, {2023, 2, 29, 0, 0, 0, 0}, {2024, 4, 31, 0, 0, 0, 0},  {2024, 13, 1, 0, 0, 0, 0},
        {2024, 0, 1, 0, 0, 0, 0},  {0, 1, 1, 0, 0, 0, 0},     {10000, 1, 1, 0, 0, 0, 0},  {2024, 1, 1, 24, 0, 0, 0},
        {2024, 1, 1, 0, 60, 0, 0}, {2024, 1, 1, 0, 0, 60, 0}, {2024, 1, 1, 0, 0, 0, 1000}};
    for (const auto& parts : invalid)
        EXPECT_FALSE(EncodeDateTime(parts).has_value()) << parts.Year << "-" << parts.Month << "-" << parts.Day;
}

TEST(DateTime, DecodesWhatItEncodes)
{
    const std::vector<TDateTimeParts> moments = {{2024, 2, 29, 23, 59, 59, 999},
                                                 {1899, 12, 30, 0, 0, 0, 0},
                                                 {1899, 12, 29, 6, 0, 0, 0},
                                                 {1, 1, 1, 12, 30, 0, 0},
                                                 {9999, 12, 31, 23, 59, 59, 0}};
    for (const auto& parts : moments)
        EXPECT_EQ(DecodeDateTime(EncodeDateTime(parts).value()), parts) << parts.Year;
}

TEST(DateTime, ValuesOutsideTheCalendarDecodeAsNoDate)
{
    EXPECT_EQ(At(1, 1, 1), -693593.0);
    EXPECT_EQ(At(9999, 12, 31), 2958465.0);
    for (const double value : {-693594.0, 2958466.0, 1e300, -1e300, std::nan("")})
        EXPECT_EQ(DecodeDateTime(value), TDateTimeParts{}) << value;
}

TEST(DateTime, DateOfDropsTheTime)
{
    EXPECT_EQ(DateOf(At(2024, 1, 31, 23, 59, 59)), At(2024, 1, 31));
}

TEST(DateTime, LocalTimeRoundTripsThroughSystemTime)
{
    const TDateTime moment = At(2024, 7, 15, 14, 3, 9);
    EXPECT_DOUBLE_EQ(DateTimeFromTimePoint(TimePointFromDateTime(moment)), moment);
}

struct TParseCase {
    std::string Text;
    TDateTime DMY;
    TDateTime MDY;
};

TEST(DateParse, ReadsBothOrdersAndRefusesInvalidText)
{
    const std::vector<TParseCase> cases = {
        {"31.01.2024 10:15:00", At(2024, 1, 31, 10, 15, 0), 0},
        {"01.31.2024 23:59:59", 0, At(2024, 1, 31, 23, 59, 59)},
        {"02.03.2024", At(2024, 3, 2), At(2024, 2, 3)},
        {"2.3.2024 9:05", At(2024, 3, 2, 9, 5, 0), At(2024, 2, 3, 9, 5, 0)},
        {"  02.03.2024  10:00:00 ", At(2024, 3, 2, 10, 0, 0), At(2024, 2, 3, 10, 0, 0)},
        {"29.02.2024", At(2024, 2, 29), 0},
        {"30.12.1899", 0, 0},
        {"", 0, 0},
        {"   ", 0, 0},
        {"29.02.2023", 0, 0},
        {"31.04.2024", 0, 0},
        {"00.01.2024", 0, 0},
        {"01.01.2024 24:00:00", 0, 0},
        {"01.01.2024 10:60:00", 0, 0},
        {"01.01.2024 10:00:60", 0, 0},
        {"01.01.24", 0, 0},
        {"01.01.20245", 0, 0},
        {"001.01.2024", 0, 0},
        {"01/01/2024", 0, 0},
        {"01.01.2024T10:00:00", 0, 0},
        {"01.01.2024 10", 0, 0},
        {"01.01.2024 10:00:00 x", 0, 0},
        {"-1.01.2024", 0, 0},
        {"дата", 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseDateTimeDMY(c.Text), c.DMY) << '"' << c.Text << '"';
        EXPECT_EQ(ParseDateTimeMDY(c.Text), c.MDY) << '"' << c.Text << '"';
    }
}

}  // namespace
}  // namespace korvel
