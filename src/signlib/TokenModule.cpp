#include "signlib/TokenModule.h"

#include "foundation/TextUtils.h"
#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <new>
#include <openssl/err.h>

namespace korvel::signlib {

namespace {

TPkcs11ContextPtr NewContext()
{
    TPkcs11ContextPtr context(PKCS11_CTX_new());
    if (!context)
        throw std::bad_alloc();
    return context;
}

std::vector<PKCS11_SLOT*> InitialisedTokens(std::span<PKCS11_SLOT> ASlots)
{
    std::vector<PKCS11_SLOT*> tokens;
    for (PKCS11_SLOT& slot : ASlots)
        if (slot.token != nullptr && slot.token->initialized)
            tokens.push_back(&slot);
    return tokens;
}

}  // namespace

TTokenModule::TTokenModule(const std::string& AModulePath)
    : FContext(NewContext()), FLoaded(*FContext, AModulePath), FSlots(*FContext),
      FTokens(InitialisedTokens(FSlots.Slots()))
{
}

std::vector<std::string> TTokenModule::TokenLabels() const
{
    std::lock_guard lock(FMutex);
    std::vector<std::string> labels;
    for (const PKCS11_SLOT* slot : FTokens)
        labels.push_back(Trim(slot->token->label != nullptr ? slot->token->label : ""));
    return labels;
}

TTokenKey TTokenModule::ReadKey(unsigned long ADeviceIndex, const TSecretText& APin)
{
    std::lock_guard lock(FMutex);
    PKCS11_SLOT& slot = TokenSlot(ADeviceIndex);
    LogIn(slot, APin);
    return FindTokenKey(*slot.token);
}

PKCS11_SLOT& TTokenModule::TokenSlot(unsigned long ADeviceIndex) const
{
    if (ADeviceIndex >= FTokens.size())
        Fail(EU_ERROR_MEDIA, "no token at that device index");
    return *FTokens[ADeviceIndex];
}

void TTokenModule::LogIn(PKCS11_SLOT& ASlot, const TSecretText& APin)
{
    if (!ASlot.token->loginRequired)
        return;
    int loggedIn = 0;
    if (PKCS11_is_logged_in(&ASlot, 0, &loggedIn) == 0 && loggedIn) {
        if (!FAcceptedPins[&ASlot].Matches(APin))
            Fail(EU_ERROR_MEDIA_LOGIN, "the token refuses the PIN");
        return;
    }
    if (PKCS11_login(&ASlot, 0, APin.CStr()) != 0) {
        ERR_clear_error();
        Fail(EU_ERROR_MEDIA_LOGIN, "the token refuses the PIN");
    }
    FAcceptedPins[&ASlot].Remember(APin);
}

}  // namespace korvel::signlib
