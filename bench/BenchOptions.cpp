#include "BenchOptions.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace korvel::bench {

std::size_t PositiveNumber(const std::string& AText, const char* AUsage)
{
    const long value = std::strtol(AText.c_str(), nullptr, 10);
    if (value <= 0)
        throw std::invalid_argument("not a positive number: " + AText + "\n" + AUsage);
    return static_cast<std::size_t>(value);
}

void ForEachOption(int AArgc, char** AArgv, const char* AUsage,
                   const std::function<bool(const std::string& AName, const std::string& AValue)>& AOption)
{
    for (int i = 1; i < AArgc; ++i) {
        const std::string name = AArgv[i];
        if (name == "--help" || name == "-h") {
            std::fputs(AUsage, stdout);
            std::exit(0);
        }
        if (i + 1 >= AArgc || !AOption(name, AArgv[i + 1]))
            throw std::invalid_argument("unknown or incomplete option " + name + "\n" + AUsage);
        ++i;
    }
}

int RunBenchMain(const char* AProgram, const std::function<int()>& ABody)
{
    try {
        return ABody();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", AProgram, error.what());
        return 1;
    }
}

}  // namespace korvel::bench
