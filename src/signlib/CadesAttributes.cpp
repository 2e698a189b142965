#include "signlib/CadesAttributes.h"

#include "signlib/OpenSslPtr.h"
#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

namespace korvel::signlib {

namespace {

void RequireAttribute(bool ACondition)
{
    Require(ACondition, EU_ERROR_SIGN, "signature attribute could not be added");
}

// A DER-encoded structure as the single value of a signed attribute.
void AddSignedSequence(CMS_SignerInfo* ASigner, int ANid, const TBytes& ADer)
{
    RequireAttribute(
        CMS_signed_add1_attr_by_NID(ASigner, ANid, V_ASN1_SEQUENCE, ADer.data(), static_cast<int>(ADer.size())) == 1);
}

}  // namespace

void AddContentType(CMS_SignerInfo* ASigner)
{
    RequireAttribute(CMS_signed_add1_attr_by_NID(ASigner, NID_pkcs9_contentType, V_ASN1_OBJECT,
                                                 OBJ_nid2obj(NID_pkcs7_data), -1) == 1);
}

void AddMessageDigest(CMS_SignerInfo* ASigner, const TBytes& ASha256)
{
    RequireAttribute(CMS_signed_add1_attr_by_NID(ASigner, NID_pkcs9_messageDigest, V_ASN1_OCTET_STRING, ASha256.data(),
                                                 static_cast<int>(ASha256.size())) == 1);
}

void AddSigningTime(CMS_SignerInfo* ASigner)
{
    // UTCTime until 2050, GeneralizedTime after, as X.509 and CMS want it.
    TAsn1TimePtr now(X509_gmtime_adj(nullptr, 0));
    RequireAttribute(now != nullptr);
    RequireAttribute(CMS_signed_add1_attr_by_NID(ASigner, NID_pkcs9_signingTime, now->type, now.get(), -1) == 1);
}

void EnsureSigningCertificateV2(CMS_SignerInfo* ASigner, X509* ACertificate)
{
    if (CMS_signed_get_attr_by_NID(ASigner, NID_id_smime_aa_signingCertificateV2, -1) >= 0)
        return;
    TEssSigningCertV2Ptr reference(OSSL_ESS_signing_cert_v2_new_init(EVP_sha256(), ACertificate, nullptr, 1));
    RequireAttribute(reference != nullptr);
    AddSignedSequence(ASigner, NID_id_smime_aa_signingCertificateV2,
                      EncodeDer(reference.get(), i2d_ESS_SIGNING_CERT_V2));
}

void AddContentTimeStamp(CMS_SignerInfo* ASigner, const TBytes& AToken)
{
    AddSignedSequence(ASigner, NID_id_smime_aa_ets_contentTimestamp, AToken);
}

void AddSignatureTimeStamp(CMS_SignerInfo* ASigner, const TBytes& AToken)
{
    RequireAttribute(CMS_unsigned_add1_attr_by_NID(ASigner, NID_id_smime_aa_timeStampToken, V_ASN1_SEQUENCE,
                                                   AToken.data(), static_cast<int>(AToken.size())) == 1);
}

}  // namespace korvel::signlib
