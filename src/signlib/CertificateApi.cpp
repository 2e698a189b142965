// Entry points that give the certificates of a read key and release certificate records.

#include "signlib/CertificateData.h"
#include "signlib/CertificateInfoRecords.h"
#include "signlib/ContextHandles.h"
#include "signlib/EntryPoint.h"
#include "signlib/LibraryMemory.h"
#include "signlib/SignLibrary.h"

#include <openssl/x509.h>

#include <climits>
#include <string>

using namespace korvel::signlib;

namespace {

// Index 0 is the key's own certificate, then the chain; nullptr past the end.
X509* OwnCertificate(TPrivateKeyContext& AKey, unsigned long AIndex)
{
    if (AIndex == 0)
        return AKey.Certificate.get();
    return AIndex - 1 < AKey.Chain.size() ? AKey.Chain[AIndex - 1].get() : nullptr;
}

std::string DerOf(X509& ACertificate)
{
    unsigned char* der = nullptr;
    const int length = i2d_X509(&ACertificate, &der);
    if (length <= 0)
        Fail(EU_ERROR_UNKNOWN, "certificate does not encode");
    std::string bytes(reinterpret_cast<const char*>(der), static_cast<std::size_t>(length));
    OPENSSL_free(der);
    return bytes;
}

}  // namespace

extern "C" EU_API unsigned long EUCtxEnumOwnCertificates(void* pvPrivateKeyContext, unsigned long dwIndex,
                                                         EU_CERT_INFO_EX** ppInfo, unsigned char** ppbCertificate,
                                                         unsigned long* pdwCertificateLength)
{
    return RunInitializedEntryPoint([&] {
        TPrivateKeyContext& key = PrivateKeyContextOf(pvPrivateKeyContext);
        RequireArgument(ppInfo, "ppInfo");
        if ((ppbCertificate == nullptr) != (pdwCertificateLength == nullptr))
            Fail(EU_ERROR_BAD_PARAMETER, "certificate bytes and length go together");
        X509* certificate = OwnCertificate(key, dwIndex);
        if (certificate == nullptr)
            Fail(EU_WARNING_END_OF_ENUM, "no more certificates");
        EU_CERT_INFO_EX* info = NewCertificateInfo(ReadCertificateData(*certificate));
        if (ppbCertificate != nullptr) {
            try {
                const std::string der = DerOf(*certificate);
                *ppbCertificate = CopyToLibraryMemory(der);
                *pdwCertificateLength = static_cast<unsigned long>(der.size());
            } catch (...) {
                DeleteCertificateInfo(info);
                throw;
            }
        }
        *ppInfo = info;
    });
}

extern "C" EU_API void EUCtxFreeCertificateInfoEx(void* /*pvPrivateKeyContext*/, EU_CERT_INFO_EX* pInfo)
{
    DeleteCertificateInfo(pInfo);
}

extern "C" EU_API void EUCtxFreeCertOwnerInfo(void* /*pvContext*/, EU_CERT_OWNER_INFO* pInfo)
{
    if (pInfo != nullptr)
        ClearOwnerInfo(*pInfo);
}
