#pragma once

// The signing library started for the life of the object, and ended after it: every signer must be gone by then.

#include "signing/Sign.h"

namespace korvel::cli {

class TSignLibrarySession {
public:
    // Raises when the library cannot be started; nothing is left loaded then.
    TSignLibrarySession() { TSign::InitialLibrary(); }
    ~TSignLibrarySession() { TSign::DeInitialLibrary(); }
    TSignLibrarySession(const TSignLibrarySession&) = delete;
    TSignLibrarySession& operator=(const TSignLibrarySession&) = delete;
};

}  // namespace korvel::cli
