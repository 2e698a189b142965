#include "SignatureChecks.h"

#include "fixtures/CmsVerification.h"
#include "fixtures/TempDir.h"
#include "signlib/SignLibrary.h"

#include <gtest/gtest.h>
#include <openssl/ess.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ts.h>
#include <openssl/x509.h>

#include <cstdlib>
#include <sys/wait.h>

namespace korvel::test {

namespace {

template <typename T, void (*Free)(T*)> struct Freer {
    void operator()(T* object) const { Free(object); }
};
template <typename T, void (*Free)(T*)> using Owned = std::unique_ptr<T, Freer<T, Free>>;

using BioPtr = Owned<BIO, BIO_free_all>;
// A stack of certificates owned elsewhere.
struct BorrowedCertificatesFree {
    void operator()(STACK_OF(X509) * certificates) const { sk_X509_free(certificates); }
};
using BorrowedCertificatesPtr = std::unique_ptr<STACK_OF(X509), BorrowedCertificatesFree>;
using StorePtr = Owned<X509_STORE, X509_STORE_free>;

// The library hands out memory that plain free releases.
SignResult TakeSignature(unsigned long code, unsigned char* sign, unsigned long length)
{
    SignResult result{code, ""};
    if (sign != nullptr) {
        result.Der.assign(reinterpret_cast<const char*>(sign), length);
        std::free(sign);
    }
    return result;
}

const unsigned char* Bytes(const std::string& text)
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

std::string AsString(const ASN1_STRING* value)
{
    return std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(value)),
                       static_cast<std::size_t>(ASN1_STRING_length(value)));
}

StorePtr StoreOf(X509* ca)
{
    StorePtr store(X509_STORE_new());
    if (store == nullptr || X509_STORE_add_cert(store.get(), ca) != 1)
        return nullptr;
    return store;
}

}  // namespace

InitializedLibrary::InitializedLibrary()
{
    EXPECT_EQ(EU_ERROR_NONE, EUInitialize());
}

InitializedLibrary::~InitializedLibrary()
{
    EUFinalize();
}

const TestSigningKeys& SharedSigningKeys()
{
    static const TempDir folder;
    static const TestSigningKeys keys(folder.Path());
    return keys;
}

std::unique_ptr<signlib::TPrivateKeyContext> MakeKeyContext(const TestSigningKeys& keys, TestKeyType type)
{
    auto context = std::make_unique<signlib::TPrivateKeyContext>();
    EVP_PKEY* key = keys.Key(type);
    X509* certificate = keys.Certificate(type);
    EVP_PKEY_up_ref(key);
    X509_up_ref(certificate);
    context->Key.reset(key);
    context->Certificate.reset(certificate);
    return context;
}

SignResult SignData(void* keyContext, const std::string& data, bool external, bool appendCertificate)
{
    unsigned char* sign = nullptr;
    unsigned long length = 0;
    const unsigned long code = EUCtxSignData(keyContext, EU_SIGN_ALGO_DEFAULT, Bytes(data), data.size(), external,
                                             appendCertificate, &sign, &length);
    return TakeSignature(code, sign, length);
}

SignResult SignHash(void* keyContext, const std::string& hash, bool appendCertificate)
{
    unsigned char* sign = nullptr;
    unsigned long length = 0;
    const unsigned long code = EUCtxSignHashValue(keyContext, EU_SIGN_ALGO_DEFAULT, Bytes(hash), hash.size(),
                                                  appendCertificate, &sign, &length);
    return TakeSignature(code, sign, length);
}

void SetSignType(std::uint32_t type)
{
    ASSERT_EQ(EU_ERROR_NONE, EUSetRuntimeParameter("SignType", &type, sizeof type));
}

void SetContentTimeStamp(bool include)
{
    const std::int32_t value = include ? 1 : 0;
    ASSERT_EQ(EU_ERROR_NONE, EUSetRuntimeParameter("SignIncludeContentTimeStamp", &value, sizeof value));
}

void SetTimeStampServer(bool use, const std::string& address, const std::string& port)
{
    ASSERT_EQ(EU_ERROR_NONE, EUSetTSPSettings(use, address.c_str(), port.c_str()));
}

TimeStampQuery ParseTimeStampQuery(const std::string& der)
{
    const unsigned char* in = Bytes(der);
    Owned<TS_REQ, TS_REQ_free> query(d2i_TS_REQ(nullptr, &in, static_cast<long>(der.size())));
    if (query == nullptr)
        return {};
    TS_MSG_IMPRINT* imprint = TS_REQ_get_msg_imprint(query.get());
    const X509_ALGOR* algorithm = TS_MSG_IMPRINT_get_algo(imprint);
    const ASN1_OBJECT* algorithmId = nullptr;
    X509_ALGOR_get0(&algorithmId, nullptr, nullptr, algorithm);
    return {true, OBJ_obj2nid(algorithmId) == NID_sha256, AsString(TS_MSG_IMPRINT_get_msg(imprint)),
            TS_REQ_get_nonce(query.get()) != nullptr, TS_REQ_get_cert_req(query.get()) == 1};
}

std::string Sha256Of(const std::string& data)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EXPECT_EQ(1, EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha256(), nullptr));
    return std::string(reinterpret_cast<const char*>(digest), length);
}

CmsPtr ParseSignedData(const std::string& der)
{
    const unsigned char* in = Bytes(der);
    CmsPtr cms(d2i_CMS_ContentInfo(nullptr, &in, static_cast<long>(der.size())));
    EXPECT_NE(nullptr, cms) << "not a CMS ContentInfo";
    if (cms == nullptr)
        return cms;
    EXPECT_EQ(NID_pkcs7_signed, OBJ_obj2nid(CMS_get0_type(cms.get())));
    EXPECT_EQ(Bytes(der) + der.size(), in) << "bytes after the ContentInfo";
    return cms;
}

CMS_SignerInfo* OnlySigner(CMS_ContentInfo* cms)
{
    STACK_OF(CMS_SignerInfo)* signers = CMS_get0_SignerInfos(cms);
    EXPECT_EQ(1, sk_CMS_SignerInfo_num(signers));
    return sk_CMS_SignerInfo_num(signers) == 1 ? sk_CMS_SignerInfo_value(signers, 0) : nullptr;
}

bool HasSignedAttribute(CMS_SignerInfo* signer, int nid)
{
    return CMS_signed_get_attr_by_NID(signer, nid, -1) >= 0;
}

std::optional<std::string> SignedSequence(CMS_SignerInfo* signer, int nid)
{
    const auto* value =
        static_cast<ASN1_STRING*>(CMS_signed_get0_data_by_OBJ(signer, OBJ_nid2obj(nid), -3, V_ASN1_SEQUENCE));
    return value == nullptr ? std::nullopt : std::optional(AsString(value));
}

std::optional<std::string> SignedOctets(CMS_SignerInfo* signer, int nid)
{
    const auto* value =
        static_cast<ASN1_STRING*>(CMS_signed_get0_data_by_OBJ(signer, OBJ_nid2obj(nid), -3, V_ASN1_OCTET_STRING));
    return value == nullptr ? std::nullopt : std::optional(AsString(value));
}

std::optional<std::string> UnsignedSequence(CMS_SignerInfo* signer, int nid)
{
    const auto* value =
        static_cast<ASN1_STRING*>(CMS_unsigned_get0_data_by_OBJ(signer, OBJ_nid2obj(nid), -3, V_ASN1_SEQUENCE));
    return value == nullptr ? std::nullopt : std::optional(AsString(value));
}

std::string SignatureValue(CMS_SignerInfo* signer)
{
    return AsString(CMS_SignerInfo_get0_signature(signer));
}

bool NamesSigningCertificate(CMS_SignerInfo* signer, X509* certificate)
{
    const auto value = SignedSequence(signer, NID_id_smime_aa_signingCertificateV2);
    if (!value)
        return false;
    const unsigned char* in = Bytes(*value);
    Owned<ESS_SIGNING_CERT_V2, ESS_SIGNING_CERT_V2_free> reference(
        d2i_ESS_SIGNING_CERT_V2(nullptr, &in, static_cast<long>(value->size())));
    BorrowedCertificatesPtr chain(sk_X509_new_null());
    if (reference == nullptr || chain == nullptr || sk_X509_push(chain.get(), certificate) <= 0)
        return false;
    return OSSL_ESS_check_signing_certs(nullptr, reference.get(), chain.get(), 1) == 1;
}

bool HasValidSigningTime(CMS_SignerInfo* signer)
{
    const int index = CMS_signed_get_attr_by_NID(signer, NID_pkcs9_signingTime, -1);
    if (index < 0)
        return false;
    const ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(CMS_signed_get_attr(signer, index), 0);
    if (value == nullptr || (value->type != V_ASN1_UTCTIME && value->type != V_ASN1_GENERALIZEDTIME))
        return false;
    return ASN1_TIME_check(value->value.utctime) == 1;
}

std::string TokenImprint(const std::string& token)
{
    const unsigned char* in = Bytes(token);
    Owned<PKCS7, PKCS7_free> parsed(d2i_PKCS7(nullptr, &in, static_cast<long>(token.size())));
    if (parsed == nullptr)
        return "";
    Owned<TS_TST_INFO, TS_TST_INFO_free> info(PKCS7_to_TS_TST_INFO(parsed.get()));
    if (info == nullptr)
        return "";
    return AsString(TS_MSG_IMPRINT_get_msg(TS_TST_INFO_get_msg_imprint(info.get())));
}

bool TokenVerifies(const std::string& token, X509* tsaCa)
{
    const unsigned char* in = Bytes(token);
    Owned<PKCS7, PKCS7_free> parsed(d2i_PKCS7(nullptr, &in, static_cast<long>(token.size())));
    Owned<TS_VERIFY_CTX, TS_VERIFY_CTX_free> check(TS_VERIFY_CTX_new());
    StorePtr store = StoreOf(tsaCa);
    if (parsed == nullptr || check == nullptr || store == nullptr)
        return false;
    TS_VERIFY_CTX_set_flags(check.get(), TS_VFY_SIGNATURE | TS_VFY_VERSION);
    TS_VERIFY_CTX_set_store(check.get(), store.release());  // the context owns it now
    return TS_RESP_verify_token(check.get(), parsed.get()) == 1;
}

bool ApiVerifies(const std::string& der, X509* ca, const std::optional<std::string>& detachedContent,
                 X509* signerCertificate)
{
    CmsPtr cms = ParseSignedData(der);
    StorePtr store = StoreOf(ca);
    BorrowedCertificatesPtr certificates(sk_X509_new_null());
    if (cms == nullptr || store == nullptr || certificates == nullptr)
        return false;
    if (signerCertificate != nullptr)
        sk_X509_push(certificates.get(), signerCertificate);
    BioPtr content;
    if (detachedContent)
        content.reset(BIO_new_mem_buf(detachedContent->data(), static_cast<int>(detachedContent->size())));
    return CMS_verify(cms.get(), certificates.get(), store.get(), content.get(), nullptr, CMS_BINARY) == 1;
}

bool OpenSslToolVerifies(const std::filesystem::path& folder, const std::string& der,
                         const std::filesystem::path& caFile, const std::optional<std::string>& detachedContent,
                         X509* signerCertificate)
{
    return VerifyCms(der, caFile, folder, {detachedContent, signerCertificate}).Verified;
}

}  // namespace korvel::test
