#pragma once

// korvelctl's command groups ("secret", later "sign", "agent", "server" ...). Each group lives in a file of its
// own and registers itself at start-up, so adding a group touches no other file:
//
//     namespace {
//     int RunSecret(const std::vector<std::string>& AArgs) { ... }
//     const bool Registered = korvel::cli::RegisterCommandGroup({"secret", "secret encipher TEXT\n...", RunSecret});
//     }

#include <string>
#include <string_view>
#include <vector>

namespace korvel::cli {

// Exit codes of every command.
constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;  // the command could not do its work; a message is on stderr
constexpr int ExitUsage = 2;    // bad usage; the usage is on stderr

struct TCommandGroup {
    std::string_view Name;
    // One line per command, without "korvelctl ": e.g. "secret encipher TEXT".
    std::string_view Usage;
    // Receives the arguments after the group's name. Exceptions that escape become ExitFailure with their message.
    int (*Run)(const std::vector<std::string>& AArgs);
};

// Returns true so that it can initialise a namespace-scope constant. A second group of the same name is refused
// (std::logic_error).
bool RegisterCommandGroup(const TCommandGroup& AGroup);
const TCommandGroup* FindCommandGroup(std::string_view AName);
// Sorted by name.
std::vector<TCommandGroup> CommandGroups();

// Writes "usage: korvelctl " + each line of AGroup's usage to stderr and returns ExitUsage.
int UsageError(const TCommandGroup& AGroup);

}  // namespace korvel::cli
