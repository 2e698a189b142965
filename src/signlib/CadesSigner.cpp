#include "signlib/CadesSigner.h"

#include "signlib/CadesAttributes.h"
#include "signlib/OpenSslPtr.h"
#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"
#include "signlib/TimeStampClient.h"
#include "signlib/TimeStampServer.h"

namespace korvel::signlib {

namespace {

// Attributes are ours to add, the signature is made once they are all in.
constexpr unsigned int SignerFlags = CMS_BINARY | CMS_PARTIAL | CMS_CADES | CMS_NOSMIMECAP;

void RequireSigning(bool ACondition, const char* AWhat)
{
    Require(ACondition, EU_ERROR_SIGN, AWhat);
}

TCmsPtr NewSignedData()
{
    TCmsPtr signedData(CMS_ContentInfo_new());
    RequireSigning(signedData != nullptr && CMS_SignedData_init(signedData.get()) == 1, "SignedData");
    return signedData;
}

void PlaceContent(CMS_ContentInfo* ASignedData, const TCadesContent& AContent)
{
    if (AContent.Embedded == nullptr) {
        RequireSigning(CMS_set_detached(ASignedData, 1) == 1, "detached content");
        return;
    }
    RequireSigning(CMS_set_detached(ASignedData, 0) == 1, "embedded content");
    ASN1_OCTET_STRING** content = CMS_get0_content(ASignedData);
    RequireSigning(content != nullptr, "embedded content");
    // A fresh string: the one CMS_set_detached made is marked as a placeholder for streamed content.
    ASN1_OCTET_STRING* bytes = ASN1_OCTET_STRING_new();
    RequireSigning(bytes != nullptr, "embedded content");
    ASN1_OCTET_STRING_free(*content);
    *content = bytes;
    RequireSigning(ASN1_OCTET_STRING_set(bytes, AContent.Embedded, static_cast<int>(AContent.EmbeddedLength)) == 1,
                   "embedded content");
}

}  // namespace

TCadesSigner::TCadesSigner(const TPrivateKeyContext& AKey, const TRuntimeParameters& AParameters,
                           const TLibrarySettings& ASettings)
    : FKey(AKey), FType(SignTypeOfCode(AParameters.SignType)),
      FContentTimeStamp(AParameters.SignIncludeContentTimeStamp), FTimeStampUrl(TimeStampServerUrl(ASettings.TSP)),
      FProxy(ASettings.Proxy)
{
    // Never a signature without the time-stamp that was asked for.
    const bool needsTimeStamp = FContentTimeStamp || NeedsSignatureTimeStamp(FType);
    Require(!needsTimeStamp || !FTimeStampUrl.empty(), EU_ERROR_TSP_SERVER, "no time-stamp server in use");
}

TBytes TCadesSigner::Sign(const TCadesContent& AContent, bool AAppendCertificate) const
{
    Require(AContent.Sha256.size() == Sha256Size, EU_ERROR_BAD_HASH, "not a SHA-256 value");
    TCmsPtr signedData = NewSignedData();
    CMS_SignerInfo* signer = AddSigner(signedData.get(), AAppendCertificate);
    AddSignedAttributes(signer, AContent.Sha256);
    RequireSigning(CMS_SignerInfo_sign(signer) == 1, "signature");
    if (NeedsSignatureTimeStamp(FType))
        StampSignature(signer);
    PlaceContent(signedData.get(), AContent);
    return EncodeDer(static_cast<const CMS_ContentInfo*>(signedData.get()), i2d_CMS_ContentInfo);
}

CMS_SignerInfo* TCadesSigner::AddSigner(CMS_ContentInfo* ASignedData, bool AAppendCertificate) const
{
    const unsigned int flags = SignerFlags | (AAppendCertificate ? 0 : CMS_NOCERTS);
    CMS_SignerInfo* signer = CMS_add1_signer(ASignedData, FKey.Certificate.get(), FKey.Key.get(), EVP_sha256(), flags);
    RequireSigning(signer != nullptr, "signer");
    return signer;
}

void TCadesSigner::AddSignedAttributes(CMS_SignerInfo* ASigner, const TBytes& ASha256) const
{
    AddContentType(ASigner);
    AddMessageDigest(ASigner, ASha256);
    AddSigningTime(ASigner);
    EnsureSigningCertificateV2(ASigner, FKey.Certificate.get());
    if (FContentTimeStamp)
        AddContentTimeStamp(ASigner, TimeStampToken(ASha256));
}

void TCadesSigner::StampSignature(CMS_SignerInfo* ASigner) const
{
    const ASN1_OCTET_STRING* signature = CMS_SignerInfo_get0_signature(ASigner);
    RequireSigning(signature != nullptr, "signature value");
    const TBytes signatureSha256 = Sha256(ASN1_STRING_get0_data(signature), ASN1_STRING_length(signature));
    AddSignatureTimeStamp(ASigner, TimeStampToken(signatureSha256));
}

TBytes TCadesSigner::TimeStampToken(const TBytes& ASha256) const
{
    return RequestTimeStampToken(FTimeStampUrl, ASha256, FProxy);
}

}  // namespace korvel::signlib
