#pragma once

// Owners of OpenSSL objects, so that every early return and exception frees what was made.

#include <memory>
#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/ts.h>
#include <openssl/x509.h>

namespace korvel::signlib {

template <typename T, void (*Free)(T*)> struct TOpenSslDeleter {
    void operator()(T* AObject) const { Free(AObject); }
};

template <typename T, void (*Free)(T*)> using TOpenSslPtr = std::unique_ptr<T, TOpenSslDeleter<T, Free>>;

using TBioPtr = TOpenSslPtr<BIO, BIO_free_all>;
using TEvpPkeyPtr = TOpenSslPtr<EVP_PKEY, EVP_PKEY_free>;
using TX509Ptr = TOpenSslPtr<X509, X509_free>;
using TCmsPtr = TOpenSslPtr<CMS_ContentInfo, CMS_ContentInfo_free>;
using TPkcs12Ptr = TOpenSslPtr<PKCS12, PKCS12_free>;
using TEvpMdCtxPtr = TOpenSslPtr<EVP_MD_CTX, EVP_MD_CTX_free>;
using TBignumPtr = TOpenSslPtr<BIGNUM, BN_free>;
using TAsn1IntegerPtr = TOpenSslPtr<ASN1_INTEGER, ASN1_INTEGER_free>;
using TAsn1TimePtr = TOpenSslPtr<ASN1_TIME, ASN1_TIME_free>;
using TX509AlgorPtr = TOpenSslPtr<X509_ALGOR, X509_ALGOR_free>;
using TTsMsgImprintPtr = TOpenSslPtr<TS_MSG_IMPRINT, TS_MSG_IMPRINT_free>;
using TTsReqPtr = TOpenSslPtr<TS_REQ, TS_REQ_free>;
using TTsRespPtr = TOpenSslPtr<TS_RESP, TS_RESP_free>;
using TTsVerifyCtxPtr = TOpenSslPtr<TS_VERIFY_CTX, TS_VERIFY_CTX_free>;
using TEssSigningCertV2Ptr = TOpenSslPtr<ESS_SIGNING_CERT_V2, ESS_SIGNING_CERT_V2_free>;

}  // namespace korvel::signlib
