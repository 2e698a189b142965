// korvel-fixtures: the test fixtures as a program, for scripts and for people trying the agent by hand.
//
//   korvel-fixtures serve --folder DIR [--keys N] [--sign-library PATH]
//
// Brings up an AgentEnvironment whose files go into DIR (created when missing), with N demo keys
// (1 by default), points config.ini of the program-data folder named by KORVEL_PROGRAMDATA at it
// (the caller sets that variable, and the same one for the agent and korvelctl; the program
// refuses to run without it), writes DIR/environment.json and prints a summary. It then runs until
// SIGINT, SIGTERM or SIGHUP, and stops every server it started, its redis-server included;
// environment.json is removed first, so it only ever describes a running environment.
// Exit codes: 0 stopped by a signal, 1 could not start, 2 bad usage.

#include "EnvironmentFile.h"

#include "fixtures/AgentEnvironment.h"

#include <charconv>
#include <csignal>
#include <cstddef>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <pthread.h>
#include <stdexcept>
#include <string.h>
#include <string>
#include <vector>

namespace {

using namespace korvel::test;

constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;
constexpr const char* Usage = "usage: korvel-fixtures serve --folder DIR [--keys N] [--sign-library PATH]\n";

class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ServeOptions {
    std::filesystem::path Folder;
    std::size_t Keys = 1;
    std::string SignLibrary;
};

std::size_t KeyCount(const std::string& AText)
{
    std::size_t count = 0;
    const char* end = AText.data() + AText.size();
    const auto [stop, error] = std::from_chars(AText.data(), end, count);
    if (AText.empty() || error != std::errc() || stop != end)
        throw EUsage("--keys needs a whole number, not \"" + AText + "\"");
    return count;
}

ServeOptions ParseServe(const std::vector<std::string>& AArgs)
{
    if (AArgs.empty() || AArgs[0] != "serve")
        throw EUsage("the only command is serve");
    ServeOptions options;
    for (std::size_t i = 1; i < AArgs.size(); i += 2) {
        const std::string& name = AArgs[i];
        if (i + 1 >= AArgs.size())
            throw EUsage(name + " needs a value");
        const std::string& value = AArgs[i + 1];
        if (name == "--folder")
            options.Folder = value;
        else if (name == "--keys")
            options.Keys = KeyCount(value);
        else if (name == "--sign-library")
            options.SignLibrary = value;
        else
            throw EUsage("unknown option " + name);
    }
    if (options.Folder.empty())
        throw EUsage("serve needs --folder DIR");
    options.Folder = std::filesystem::absolute(options.Folder);
    return options;
}

sigset_t StopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    for (int stop : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals, stop);
    return signals;
}

// Before any thread starts, so that every thread leaves the stop signals to sigwait. A shell starts
// background jobs with SIGINT ignored; an ignored signal would never reach sigwait.
void HoldStopSignals()
{
    for (int stop : {SIGINT, SIGTERM, SIGHUP})
        std::signal(stop, SIG_DFL);
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

int WaitForStopSignal()
{
    const sigset_t signals = StopSignals();
    int received = 0;
    sigwait(&signals, &received);
    return received;
}

void Serve(const ServeOptions& AOptions)
{
    const std::filesystem::path description = AOptions.Folder / "environment.json";
    std::filesystem::create_directories(AOptions.Folder);
    std::filesystem::remove(description);

    AgentEnvironment environment(AOptions.Folder, AOptions.SignLibrary);
    environment.MakeKeys(AOptions.Keys);
    WriteEnvironmentFile(description, environment);
    std::cout << EnvironmentSummary(environment) << "korvel-fixtures: ready (" << description.string()
              << "); SIGINT or SIGTERM stops it" << std::endl;

    const int received = WaitForStopSignal();
    std::filesystem::remove(description);
    std::cout << "korvel-fixtures: " << sigabbrev_np(received) << " received, stopping" << std::endl;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        const ServeOptions options = ParseServe(args);
        HoldStopSignals();
        Serve(options);
        std::cout << "korvel-fixtures: stopped" << std::endl;
        return ExitOk;
    } catch (const EUsage& error) {
        std::cerr << "korvel-fixtures: " << error.what() << '\n' << Usage;
        return ExitUsage;
    } catch (const std::exception& error) {
        std::cerr << "korvel-fixtures: " << error.what() << std::endl;
        return ExitFailure;
    }
}
