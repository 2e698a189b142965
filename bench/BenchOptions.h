#pragma once

// Command-line options of the benchmark programs: "--name value" pairs and "--help".

#include <cstddef>
#include <functional>
#include <string>

namespace korvel::bench {

// A number above 0; otherwise std::invalid_argument with AUsage.
std::size_t PositiveNumber(const std::string& AText, const char* AUsage);

// Hands each "--name value" pair to AOption, which returns false for a name it does not know.
// "--help" prints AUsage and ends the program; a bad or incomplete option throws with AUsage.
void ForEachOption(int AArgc, char** AArgv, const char* AUsage,
                   const std::function<bool(const std::string& AName, const std::string& AValue)>& AOption);

// A benchmark's main: ABody's exit code, or 1 after printing "AProgram: " + the message of what escaped it.
int RunBenchMain(const char* AProgram, const std::function<int()>& ABody);

}  // namespace korvel::bench
