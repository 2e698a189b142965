#pragma once

// The forms in which a key password may have been used when the key was protected.

#include "signlib/SecretText.h"

#include <vector>

namespace korvel::signlib {

using TKeyPasswords = std::vector<TSecretText>;

// The password arrives in Windows-1251. Tools that follow the standards protect keys with its UTF-8
// form (PKCS#12 turns that into UTF-16), some old ones with the 8-bit bytes themselves: the UTF-8
// form first, then the bytes as given when they differ. A missing password is the empty one.
TKeyPasswords KeyPasswordsFromAnsi(const char* AAnsiPassword);

}  // namespace korvel::signlib
