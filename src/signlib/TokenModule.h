#pragma once

// A loaded PKCS#11 module and its tokens. The slots are listed once, when the module is loaded:
// libp11 keeps every key it hands out tied to that list, and listing again would close the
// sessions such keys sign in. Calls into libp11 for the list, logins and key lookups are made
// under the module's lock; signing with a key read here goes through libp11's own session pool.

#include "signlib/SecretText.h"
#include "signlib/TokenHandles.h"
#include "signlib/TokenKeyFinder.h"
#include "signlib/TokenPinCheck.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace korvel::signlib {

class TTokenModule {
public:
    // Throws EU_ERROR_MEDIA when the module cannot be loaded or cannot list its slots.
    explicit TTokenModule(const std::string& AModulePath);

    // The labels of the initialised tokens, blanks trimmed, in slot order: a device index is a
    // position in this list.
    std::vector<std::string> TokenLabels() const;

    // Logs in to the token at ADeviceIndex with APin as the user's PIN and finds its key.
    // Throws EU_ERROR_MEDIA for an index past the end, EU_ERROR_MEDIA_LOGIN for a PIN the token
    // refuses, and the codes of FindTokenKey.
    TTokenKey ReadKey(unsigned long ADeviceIndex, const TSecretText& APin);

private:
    PKCS11_SLOT& TokenSlot(unsigned long ADeviceIndex) const;
    void LogIn(PKCS11_SLOT& ASlot, const TSecretText& APin);

    // Declared in the order they are made; destroyed in reverse, so the slots go before the module.
    TPkcs11ContextPtr FContext;
    TLoadedPkcs11Module FLoaded;
    TPkcs11SlotList FSlots;
    std::vector<PKCS11_SLOT*> FTokens;
    std::map<const PKCS11_SLOT*, TTokenPinCheck> FAcceptedPins;
    mutable std::mutex FMutex;
};

}  // namespace korvel::signlib
