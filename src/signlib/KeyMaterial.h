#pragma once

// What a key container gave: the private key and the certificates that came with it, the key's own
// among them or not, in the container's order.

#include "signlib/OpenSslPtr.h"

#include <vector>

namespace korvel::signlib {

struct TKeyMaterial {
    TEvpPkeyPtr Key;
    std::vector<TX509Ptr> Certificates;
};

}  // namespace korvel::signlib
