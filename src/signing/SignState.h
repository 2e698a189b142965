#pragma once

// What the signer class holds once per process: the library's interface table, the
// certification-authority list and the authority whose settings are in force in the library.

#include "signing/LibraryBinding.h"

#include <atomic>
#include <mutex>
#include <string>

namespace korvel {

class TSignState {
public:
    // Set while the library is initialised; signers on request threads read it.
    std::atomic<const TEUSignInterface*> CPInterface{nullptr};
    // Held while an authority's settings are put into the library, so two keys loaded at once
    // apply theirs one after the other.
    std::mutex FCreatorLock;
    // Guarded by FCreatorLock. "" after start.
    std::string FCurrentCreator;

    // The list's text, "" when there is none. Read by any thread; a copy, so a concurrent load
    // never changes a text being parsed.
    std::string CreatorsJson() const;
    void SetCreatorsJson(std::string AText);

    // Back to the state of a process that never loaded the library.
    void Reset();

private:
    mutable std::mutex FCreatorsJsonLock;
    std::string FCreatorsJson;
};

TSignState& SignState();

}  // namespace korvel
