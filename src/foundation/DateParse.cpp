#include "foundation/DateParse.h"

#include <cstddef>
#include <optional>

namespace korvel {
namespace {

enum class TDateOrder { DayMonthYear, MonthDayYear };

bool IsBlank(char AChar)
{
    return AChar == ' ' || AChar == '\t';
}

bool IsDigit(char AChar)
{
    return AChar >= '0' && AChar <= '9';
}

// Reads the text from left to right; every reader gives nothing and leaves the position alone
// when the text does not continue as expected.
class TDateScanner {
public:
    explicit TDateScanner(std::string_view AText) : FText(AText) {}

    std::optional<int> Number(std::size_t AMinDigits, std::size_t AMaxDigits)
    {
        std::size_t end = FPos;
        int value = 0;
        while (end < FText.size() && end - FPos < AMaxDigits && IsDigit(FText[end]))
            value = value * 10 + (FText[end++] - '0');
        if (end - FPos < AMinDigits || (end < FText.size() && IsDigit(FText[end])))
            return std::nullopt;
        FPos = end;
        return value;
    }

    bool Skip(char ASeparator)
    {
        if (AtEnd() || FText[FPos] != ASeparator)
            return false;
        ++FPos;
        return true;
    }

    bool SkipBlanks()
    {
        const std::size_t start = FPos;
        while (!AtEnd() && IsBlank(FText[FPos]))
            ++FPos;
        return FPos > start;
    }

    bool AtEnd() const { return FPos >= FText.size(); }

private:
    std::string_view FText;
    std::size_t FPos = 0;
};

bool ReadDate(TDateScanner& AScanner, TDateOrder AOrder, TDateTimeParts& AParts)
{
    const auto first = AScanner.Number(1, 2);
    if (!first || !AScanner.Skip('.'))
        return false;
    const auto second = AScanner.Number(1, 2);
    if (!second || !AScanner.Skip('.'))
        return false;
    const auto year = AScanner.Number(4, 4);
    if (!year)
        return false;
    AParts.Day = AOrder == TDateOrder::DayMonthYear ? *first : *second;
    AParts.Month = AOrder == TDateOrder::DayMonthYear ? *second : *first;
    AParts.Year = *year;
    return true;
}

bool ReadTime(TDateScanner& AScanner, TDateTimeParts& AParts)
{
    const auto hour = AScanner.Number(1, 2);
    if (!hour || !AScanner.Skip(':'))
        return false;
    const auto minute = AScanner.Number(1, 2);
    if (!minute)
        return false;
    AParts.Hour = *hour;
    AParts.Minute = *minute;
    if (!AScanner.Skip(':'))
        return true;
    const auto second = AScanner.Number(1, 2);
    if (!second)
        return false;
    AParts.Second = *second;
    return true;
}

TDateTime ParseDateTime(std::string_view AText, TDateOrder AOrder)
{
    TDateScanner scanner(AText);
    scanner.SkipBlanks();
    TDateTimeParts parts;
    if (!ReadDate(scanner, AOrder, parts))
        return 0;
    if (scanner.SkipBlanks() && !scanner.AtEnd() && !ReadTime(scanner, parts))
        return 0;
    scanner.SkipBlanks();
    if (!scanner.AtEnd())
        return 0;
    return EncodeDateTime(parts).value_or(0);
}

}  // namespace

TDateTime ParseDateTimeDMY(std::string_view AText)
{
    return ParseDateTime(AText, TDateOrder::DayMonthYear);
}

TDateTime ParseDateTimeMDY(std::string_view AText)
{
    return ParseDateTime(AText, TDateOrder::MonthDayYear);
}

}  // namespace korvel
