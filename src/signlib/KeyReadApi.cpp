// Entry points that read a private key from a key file or its bytes.

#include "signlib/CertificateData.h"
#include "signlib/CertificateFileStore.h"
#include "signlib/CertificateInfoRecords.h"
#include "signlib/ContextHandles.h"
#include "signlib/EntryPoint.h"
#include "signlib/KeyCertificatePairing.h"
#include "signlib/KeyContainerReader.h"
#include "signlib/KeyFile.h"
#include "signlib/KeyPasswords.h"
#include "signlib/SignLibrary.h"

#include <climits>
#include <string_view>

using namespace korvel::signlib;

namespace {

void OpenPrivateKey(std::string_view AKeyBytes, const char* APassword, void** APrivateKeyContext,
                    EU_CERT_OWNER_INFO* AInfo)
{
    std::unique_ptr<TPrivateKeyContext> context =
        PairKeyWithCertificate(ReadKeyMaterial(AKeyBytes, KeyPasswordsFromAnsi(APassword)), FileStoreFolder());
    if (AInfo != nullptr)
        FillOwnerInfo(ReadCertificateData(*context->Certificate), *AInfo);
    *APrivateKeyContext = context.release();
}

}  // namespace

extern "C" EU_API unsigned long EUCtxReadPrivateKeyFile(void* pvContext, const char* pszFileName,
                                                        const char* pszPassword, void** ppvPrivateKeyContext,
                                                        EU_CERT_OWNER_INFO* pInfo)
{
    return RunInitializedEntryPoint([&] {
        LibraryContextOf(pvContext);
        RequireArgument(pszFileName, "pszFileName");
        RequireArgument(ppvPrivateKeyContext, "ppvPrivateKeyContext");
        OpenPrivateKey(ReadKeyFile(pszFileName), pszPassword, ppvPrivateKeyContext, pInfo);
    });
}

extern "C" EU_API unsigned long EUCtxReadPrivateKeyBinary(void* pvContext, const unsigned char* pbPrivateKey,
                                                          unsigned long dwPrivateKeyLength, const char* pszPassword,
                                                          void** ppvPrivateKeyContext, EU_CERT_OWNER_INFO* pInfo)
{
    return RunInitializedEntryPoint([&] {
        LibraryContextOf(pvContext);
        RequireArgument(pbPrivateKey, "pbPrivateKey");
        RequireArgument(ppvPrivateKeyContext, "ppvPrivateKeyContext");
        const std::string_view bytes(reinterpret_cast<const char*>(pbPrivateKey), dwPrivateKeyLength);
        OpenPrivateKey(bytes, pszPassword, ppvPrivateKeyContext, pInfo);
    });
}
