#pragma once

// What the signing library hands out goes back through the operation named with it. These owners
// do that when they go out of scope, so a step that raises leaks nothing.

#include "signing/LibraryBinding.h"

#include <memory>
#include <utility>

namespace korvel {

// Memory given back with EUFreeMemory.
struct TLibraryMemoryFree {
    const TEUSignInterface* Library = nullptr;
    void operator()(void* AMemory) const
    {
        if (Library)
            Library->FreeMemory(AMemory);
    }
};
template <typename T> using TLibraryMemory = std::unique_ptr<T, TLibraryMemoryFree>;

// Bytes handed out by the library and their count.
struct TLibraryBytes {
    TLibraryMemory<unsigned char> Data;
    unsigned long Length = 0;
};

// Runs a release step when the scope ends, also when it ends by a raise.
template <typename TRelease> class TOnScopeExit {
public:
    explicit TOnScopeExit(TRelease ARelease) : FRelease(std::move(ARelease)) {}
    ~TOnScopeExit() { FRelease(); }
    TOnScopeExit(const TOnScopeExit&) = delete;
    TOnScopeExit& operator=(const TOnScopeExit&) = delete;

private:
    TRelease FRelease;
};

}  // namespace korvel
