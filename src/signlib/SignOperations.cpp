// The signing entry points: arguments checked, the signature made for the calling thread's
// runtime parameters and the settings in force, and handed out in memory the caller frees.

#include "signlib/CadesSigner.h"
#include "signlib/EntryPoint.h"
#include "signlib/LibraryState.h"
#include "signlib/PrivateKeyContext.h"
#include "signlib/SignLibrary.h"

#include <cstdlib>
#include <cstring>

namespace {

using namespace korvel::signlib;

const TPrivateKeyContext& KeyOf(void* AKeyContext)
{
    Require(AKeyContext != nullptr, EU_ERROR_BAD_PARAMETER, "no key context");
    const auto& key = *static_cast<const TPrivateKeyContext*>(AKeyContext);
    Require(key.Key != nullptr, EU_ERROR_BAD_PARAMETER, "no private key");
    Require(key.Certificate != nullptr, EU_ERROR_CERT_NOT_FOUND, "no certificate");
    return key;
}

void RequireOutputs(unsigned char** ASign, unsigned long* ASignLength)
{
    Require(ASign != nullptr && ASignLength != nullptr, EU_ERROR_BAD_PARAMETER, "no place for the signature");
    *ASign = nullptr;
    *ASignLength = 0;
}

// malloc, because the free operations of the interface release it with free.
void HandOut(const TBytes& ASignature, unsigned char** ASign, unsigned long* ASignLength)
{
    auto* memory = static_cast<unsigned char*>(std::malloc(ASignature.size()));
    Require(memory != nullptr, EU_ERROR_NOT_ENOUGH_MEMORY, "signature memory");
    std::memcpy(memory, ASignature.data(), ASignature.size());
    *ASign = memory;
    *ASignLength = static_cast<unsigned long>(ASignature.size());
}

TBytes SignWithThreadParameters(const TPrivateKeyContext& AKey, const TCadesContent& AContent, bool AAppendCertificate)
{
    const TCadesSigner signer(AKey, ThreadRuntimeParameters(), CurrentSettings());
    return signer.Sign(AContent, AAppendCertificate);
}

}  // namespace

extern "C" EU_API unsigned long EUCtxSignData(void* pvPrivateKeyContext, unsigned long dwSignAlgo,
                                              const unsigned char* pbData, unsigned long dwDataLength, int bExternal,
                                              int bAppendCert, unsigned char** ppbSign, unsigned long* pdwSignLength)
{
    return RunInitializedEntryPoint([&] {
        RequireOutputs(ppbSign, pdwSignLength);
        const TPrivateKeyContext& key = KeyOf(pvPrivateKeyContext);
        Require(dwSignAlgo == EU_SIGN_ALGO_DEFAULT, EU_ERROR_BAD_PARAMETER, "unknown signature algorithm");
        Require(pbData != nullptr || dwDataLength == 0, EU_ERROR_BAD_PARAMETER, "no data");

        TCadesContent content;
        content.Sha256 = Sha256(pbData, dwDataLength);
        if (bExternal == 0) {
            // An empty content still goes inside, as an empty string.
            static const unsigned char NoData = 0;
            content.Embedded = pbData != nullptr ? pbData : &NoData;
            content.EmbeddedLength = dwDataLength;
        }
        HandOut(SignWithThreadParameters(key, content, bAppendCert != 0), ppbSign, pdwSignLength);
    });
}

extern "C" EU_API unsigned long EUCtxSignHashValue(void* pvPrivateKeyContext, unsigned long dwSignAlgo,
                                                   const unsigned char* pbHash, unsigned long dwHashLength,
                                                   int bAppendCert, unsigned char** ppbSign,
                                                   unsigned long* pdwSignLength)
{
    return RunInitializedEntryPoint([&] {
        RequireOutputs(ppbSign, pdwSignLength);
        const TPrivateKeyContext& key = KeyOf(pvPrivateKeyContext);
        Require(dwSignAlgo == EU_SIGN_ALGO_DEFAULT, EU_ERROR_BAD_PARAMETER, "unknown signature algorithm");
        Require(pbHash != nullptr, EU_ERROR_BAD_PARAMETER, "no hash value");
        Require(dwHashLength == Sha256Size, EU_ERROR_BAD_HASH, "not a SHA-256 value");

        TCadesContent content;
        content.Sha256.assign(pbHash, pbHash + dwHashLength);
        HandOut(SignWithThreadParameters(key, content, bAppendCert != 0), ppbSign, pdwSignLength);
    });
}
