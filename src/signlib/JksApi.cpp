// Entry points over JKS key stores: the private-key aliases, and an entry's key bytes.

#include "foundation/TextCodec.h"
#include "signlib/EntryPoint.h"
#include "signlib/JksKeyStore.h"
#include "signlib/KeyFile.h"
#include "signlib/LibraryMemory.h"
#include "signlib/SignLibrary.h"

#include <cstring>
#include <string>

using namespace korvel::signlib;

namespace {

struct TCertificateOutputs {
    unsigned long* Count;
    unsigned char*** Certificates;
    unsigned long** Lengths;

    bool Wanted() const { return Count != nullptr; }
};

TCertificateOutputs CheckedCertificateOutputs(unsigned long* ACount, unsigned char*** ACertificates,
                                              unsigned long** ALengths)
{
    const bool any = ACount != nullptr || ACertificates != nullptr || ALengths != nullptr;
    const bool all = ACount != nullptr && ACertificates != nullptr && ALengths != nullptr;
    if (any && !all)
        Fail(EU_ERROR_BAD_PARAMETER, "the certificate outputs go together");
    return {ACount, ACertificates, ALengths};
}

// The chain as one block of library memory, the pointer array followed by the certificates'
// bytes, so that one EUFreeMemory releases it all; the lengths are a second block.
void GiveCertificates(const TJksPrivateKeyEntry& AEntry, const TCertificateOutputs& AOutputs)
{
    const std::size_t count = AEntry.Chain.size();
    std::size_t bytes = 0;
    for (const std::string_view certificate : AEntry.Chain)
        bytes += certificate.size();
    auto* block = static_cast<unsigned char*>(AllocateLibraryMemory(count * sizeof(unsigned char*) + bytes));
    unsigned long* lengths = nullptr;
    try {
        lengths = static_cast<unsigned long*>(AllocateLibraryMemory(count * sizeof(unsigned long)));
    } catch (...) {
        FreeLibraryMemory(block);
        throw;
    }
    auto** pointers = reinterpret_cast<unsigned char**>(block);
    unsigned char* next = block + count * sizeof(unsigned char*);
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(next, AEntry.Chain[i].data(), AEntry.Chain[i].size());
        pointers[i] = next;
        lengths[i] = static_cast<unsigned long>(AEntry.Chain[i].size());
        next += AEntry.Chain[i].size();
    }
    *AOutputs.Count = static_cast<unsigned long>(count);
    *AOutputs.Certificates = pointers;
    *AOutputs.Lengths = lengths;
}

}  // namespace

extern "C" EU_API unsigned long EUEnumJKSPrivateKeysFile(const char* pszFileName, unsigned long dwKeyIndex,
                                                         char** ppszKeyAlias)
{
    return RunInitializedEntryPoint([&] {
        RequireArgument(pszFileName, "pszFileName");
        RequireArgument(ppszKeyAlias, "ppszKeyAlias");
        const std::string bytes = ReadKeyFile(pszFileName);
        const TJksKeyStore store = ParseJksKeyStore(bytes);
        if (dwKeyIndex >= store.PrivateKeys.size())
            Fail(EU_WARNING_END_OF_ENUM, "no more private keys");
        *ppszKeyAlias = CopyTextToLibraryMemory(korvel::Utf8ToAnsi(store.PrivateKeys[dwKeyIndex].Alias));
    });
}

extern "C" EU_API unsigned long
EUGetJKSPrivateKeyFile(const char* pszFileName, const char* pszKeyAlias, unsigned char** ppbPrivateKey,
                       unsigned long* pdwPrivateKeyLength, unsigned long* pdwCertificatesCount,
                       unsigned char*** pppbCertificates, unsigned long** ppdwCertificateLengths)
{
    return RunInitializedEntryPoint([&] {
        RequireArgument(pszFileName, "pszFileName");
        RequireArgument(pszKeyAlias, "pszKeyAlias");
        RequireArgument(ppbPrivateKey, "ppbPrivateKey");
        RequireArgument(pdwPrivateKeyLength, "pdwPrivateKeyLength");
        const TCertificateOutputs certificates =
            CheckedCertificateOutputs(pdwCertificatesCount, pppbCertificates, ppdwCertificateLengths);
        const std::string bytes = ReadKeyFile(pszFileName);
        const TJksKeyStore store = ParseJksKeyStore(bytes);
        const TJksPrivateKeyEntry* entry = FindJksPrivateKey(store, korvel::AnsiToUtf8(pszKeyAlias));
        if (entry == nullptr)
            Fail(EU_ERROR_JKS_ALIAS_NOT_FOUND, "no private key under that alias");
        const std::string keyBytes = JksKeyBytes(*entry);
        unsigned char* key = CopyToLibraryMemory(keyBytes);
        if (certificates.Wanted()) {
            try {
                GiveCertificates(*entry, certificates);
            } catch (...) {
                FreeLibraryMemory(key);
                throw;
            }
        }
        *ppbPrivateKey = key;
        *pdwPrivateKeyLength = static_cast<unsigned long>(keyBytes.size());
    });
}
