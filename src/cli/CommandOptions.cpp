#include "CommandOptions.h"

#include <charconv>
#include <iostream>

namespace korvel::cli {

int ReportUsage(const TCommandGroup& AGroup, const EUsage& AError)
{
    std::cerr << "korvelctl " << AGroup.Name << ": " << AError.what() << '\n';
    return UsageError(AGroup);
}

std::optional<std::int64_t> ParseInt64(const std::string& AText)
{
    std::int64_t value = 0;
    const char* end = AText.data() + AText.size();
    const auto [stop, error] = std::from_chars(AText.data(), end, value);
    if (AText.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::int64_t PositiveNumber(const std::string& AOption, const std::string& AText)
{
    const auto value = ParseInt64(AText);
    if (!value || *value <= 0)
        throw EUsage(AOption + " needs a whole number above 0, not \"" + AText + "\"");
    return *value;
}

std::optional<std::string> TOptionReader::NextName()
{
    if (FNext >= FArgs.size())
        return std::nullopt;
    const std::string& name = FArgs[FNext++];
    if (name.rfind("--", 0) != 0)
        throw EUsage("unexpected argument \"" + name + "\"");
    return name;
}

const std::string& TOptionReader::Value(const std::string& AName)
{
    if (FNext >= FArgs.size())
        throw EUsage(AName + " needs a value");
    return FArgs[FNext++];
}

}  // namespace korvel::cli
