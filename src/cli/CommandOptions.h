#pragma once

// What the command groups share to read their options: the usage error and a reader of "--name [value]" options.

#include "CommandRegistry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvel::cli {

// Bad usage: says what was wrong; the group then prints its usage and exits with ExitUsage.
class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes "korvelctl GROUP: " + the error's text, then the group's usage; returns ExitUsage.
int ReportUsage(const TCommandGroup& AGroup, const EUsage& AError);

// A whole decimal number (sign allowed), nothing before or after it.
std::optional<std::int64_t> ParseInt64(const std::string& AText);
// A whole number above 0 as the value of AOption; EUsage otherwise.
std::int64_t PositiveNumber(const std::string& AOption, const std::string& AText);

// Walks "--name [value]" options; positional arguments are refused.
class TOptionReader {
public:
    TOptionReader(const std::vector<std::string>& AArgs, std::size_t AFirst) : FArgs(AArgs), FNext(AFirst) {}

    // The next option's name, nothing at the end.
    std::optional<std::string> NextName();
    // The value that follows option AName.
    const std::string& Value(const std::string& AName);

private:
    const std::vector<std::string>& FArgs;
    std::size_t FNext;
};

}  // namespace korvel::cli
