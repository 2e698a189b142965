// korvelctl: the operators' and tests' command-line tool. This file only dispatches to the command groups, each of
// which registers itself from its own file (CommandRegistry.h).

#include "CommandRegistry.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace korvel::cli;

void PrintUsage(std::ostream& AOut)
{
    AOut << "usage: korvelctl <command> ...\n\ncommands:\n";
    for (const TCommandGroup& group : CommandGroups()) {
        std::string_view usage = group.Usage;
        while (!usage.empty()) {
            const size_t end = std::min(usage.find('\n'), usage.size());
            AOut << "  korvelctl " << usage.substr(0, end) << '\n';
            usage.remove_prefix(std::min(end + 1, usage.size()));
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintUsage(std::cerr);
        return ExitUsage;
    }
    if (args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        PrintUsage(std::cout);
        return ExitOk;
    }
    const TCommandGroup* group = FindCommandGroup(args[0]);
    if (group == nullptr) {
        std::cerr << "korvelctl: unknown command \"" << args[0] << "\"\n";
        PrintUsage(std::cerr);
        return ExitUsage;
    }
    try {
        return group->Run(std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const std::exception& e) {
        std::cerr << "korvelctl " << group->Name << ": " << e.what() << '\n';
        return ExitFailure;
    }
}
