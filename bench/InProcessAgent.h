#pragma once

// The agent inside the benchmark's process, set up as the program sets itself up: the real signing
// library, demo keys loaded, proven with a test signature and announced as activation does it, and
// the program's subscription on its own channel handing every request to the program's request
// handling. Which keys are active, and how many key records there are, can be switched between
// series.

#include "channel/ActiveKeys.h"
#include "fixtures/AgentEnvironment.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace korvel::bench {

class TInProcessAgent {
public:
    // Loads the library, activates every key of AKeys and starts the subscription; subscribed when
    // the constructor returns. The environment's config.ini must be in force. Throws when a key
    // cannot be activated or the subscription does not start.
    TInProcessAgent(const test::AgentEnvironment& AEnvironment, const std::vector<test::DemoKey>& AKeys);
    // Ends the subscription and the pool's tasks, lets every signer go, then unloads the library.
    ~TInProcessAgent();
    TInProcessAgent(const TInProcessAgent&) = delete;
    TInProcessAgent& operator=(const TInProcessAgent&) = delete;

    // The channel the business server sends this agent's requests to.
    std::string RequestChannel() const;
    // The serial numbers of the activated keys, in the order of the keys given.
    const std::vector<std::string>& Serials() const { return FSerials; }

    // From now on the first ACount keys are the active ones, and there are ACount key records.
    void UseKeys(std::size_t ACount);
    // Whether, with AKeyCount key records, each request is worked on a pool task of its own
    // rather than on the subscription thread.
    static bool RequestsOnPool(std::size_t AKeyCount);

private:
    void ActivateAll(const test::AgentEnvironment& AEnvironment, const std::vector<test::DemoKey>& AKeys);
    void Subscribe(const test::AgentEnvironment& AEnvironment);
    void Stop();

    std::string FClientId;
    TActiveKeys FActivated;
    std::vector<std::string> FSerials;
};

}  // namespace korvel::bench
