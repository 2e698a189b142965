#pragma once

// Owners of libp11 objects. A module is loaded into a context and finalised when it is unloaded;
// its slots are listed once and released before that. libp11 ties every key it hands out to the
// slot list it came from, so nothing here may be released while such a key lives.

#include <libp11.h>
#include <memory>
#include <span>
#include <string>

namespace korvel::signlib {

struct TPkcs11ContextDeleter {
    void operator()(PKCS11_CTX* AContext) const { PKCS11_CTX_free(AContext); }
};

using TPkcs11ContextPtr = std::unique_ptr<PKCS11_CTX, TPkcs11ContextDeleter>;

// A PKCS#11 module loaded (and initialised) into a context.
class TLoadedPkcs11Module {
public:
    // Throws EU_ERROR_MEDIA when the module cannot be loaded or initialised.
    TLoadedPkcs11Module(PKCS11_CTX& AContext, const std::string& AModulePath);
    ~TLoadedPkcs11Module();
    TLoadedPkcs11Module(const TLoadedPkcs11Module&) = delete;
    TLoadedPkcs11Module& operator=(const TLoadedPkcs11Module&) = delete;

private:
    PKCS11_CTX& FContext;
};

// The slots of a loaded module. Releasing a slot closes all its sessions, whoever opened them.
class TPkcs11SlotList {
public:
    // Throws EU_ERROR_MEDIA when the module cannot list its slots.
    explicit TPkcs11SlotList(PKCS11_CTX& AContext);
    ~TPkcs11SlotList();
    TPkcs11SlotList(const TPkcs11SlotList&) = delete;
    TPkcs11SlotList& operator=(const TPkcs11SlotList&) = delete;

    std::span<PKCS11_SLOT> Slots() const { return {FSlots, FCount}; }

private:
    PKCS11_CTX& FContext;
    PKCS11_SLOT* FSlots = nullptr;
    unsigned int FCount = 0;
};

}  // namespace korvel::signlib
