#include "signlib/TokenHandles.h"

#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <openssl/err.h>

namespace korvel::signlib {

TLoadedPkcs11Module::TLoadedPkcs11Module(PKCS11_CTX& AContext, const std::string& AModulePath) : FContext(AContext)
{
    if (PKCS11_CTX_load(&FContext, AModulePath.c_str()) != 0) {
        ERR_clear_error();
        Fail(EU_ERROR_MEDIA, "the PKCS#11 module cannot be loaded");
    }
}

TLoadedPkcs11Module::~TLoadedPkcs11Module()
{
    PKCS11_CTX_unload(&FContext);
}

TPkcs11SlotList::TPkcs11SlotList(PKCS11_CTX& AContext) : FContext(AContext)
{
    if (PKCS11_enumerate_slots(&FContext, &FSlots, &FCount) != 0) {
        ERR_clear_error();
        Fail(EU_ERROR_MEDIA, "the PKCS#11 module cannot list its slots");
    }
}

TPkcs11SlotList::~TPkcs11SlotList()
{
    PKCS11_release_all_slots(&FContext, FSlots, FCount);
}

}  // namespace korvel::signlib
