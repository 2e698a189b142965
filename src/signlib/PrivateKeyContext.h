#pragma once

// What a read key is inside the library: the private key, its certificate and any further
// certificates that came with it. A key on a token also keeps its token session alive.

#include "signlib/OpenSslPtr.h"

#include <memory>
#include <vector>

namespace korvel::signlib {

struct TPrivateKeyContext {
    // Held while the key lives; empty for key files. Declared first so that it goes last: a key
    // from a token must be freed while its token session is still there.
    std::shared_ptr<void> TokenSession;
    TEvpPkeyPtr Key;
    TX509Ptr Certificate;
    std::vector<TX509Ptr> Chain;  // other certificates of the container, without the key's own
};

// A library context (one per signer). It holds nothing yet but marks a valid handle.
struct TLibraryContext {
    int Magic = 0x4B565343;
};

}  // namespace korvel::signlib
