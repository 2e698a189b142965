#include "KeyFuzzSupport.h"

#include "signlib/SignLibrary.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace korvel::fuzz {

namespace {

void* Context = nullptr;

// Enough to walk any chain a key file carries.
constexpr unsigned long MaxCertificates = 64;

void WalkCertificates(void* AKey)
{
    for (unsigned long index = 0; index < MaxCertificates; ++index) {
        EU_CERT_INFO_EX* info = nullptr;
        unsigned char* der = nullptr;
        unsigned long length = 0;
        if (EUCtxEnumOwnCertificates(AKey, index, &info, &der, &length) != EU_ERROR_NONE)
            return;
        EUCtxFreeCertificateInfoEx(AKey, info);
        EUCtxFreeMemory(Context, der);
    }
}

}  // namespace

void PrepareSigningLibrary()
{
    // The file store is an empty folder: inputs never reach the machine's certificates.
    std::string store = "/tmp/korvel-fuzz-store-XXXXXX";
    if (mkdtemp(store.data()) == nullptr || EUInitialize() != EU_ERROR_NONE ||
        EUSetFileStoreSettings(store.c_str(), 0, 0, 0, 0, 0, 0, 0) != EU_ERROR_NONE ||
        EUCtxCreate(&Context) != EU_ERROR_NONE)
        throw std::runtime_error("the signing library does not start");
}

void OpenKeyBytes(std::string_view ABytes)
{
    void* key = nullptr;
    EU_CERT_OWNER_INFO owner{};
    // A non-null pointer even for no bytes, as a caller with an empty buffer passes one.
    static const unsigned char none = 0;
    const auto* bytes = ABytes.empty() ? &none : reinterpret_cast<const unsigned char*>(ABytes.data());
    if (EUCtxReadPrivateKeyBinary(Context, bytes, static_cast<unsigned long>(ABytes.size()), SeedPassword, &key,
                                  &owner) != EU_ERROR_NONE)
        return;
    EUCtxFreeCertOwnerInfo(Context, &owner);
    WalkCertificates(key);
    EUCtxFreePrivateKey(key);
}

}  // namespace korvel::fuzz
