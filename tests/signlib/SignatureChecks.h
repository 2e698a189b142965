#pragma once

// Helpers of the signing library's tests: calling the entry points, taking signatures apart and
// checking them with OpenSSL, both through its API and its command-line tool.

#include "fixtures/TestKeys.h"
#include "signlib/PrivateKeyContext.h"

#include <openssl/cms.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace korvel::test {

// The library started for as long as the object lives, as the program starts it before signing.
class InitializedLibrary {
public:
    InitializedLibrary();
    ~InitializedLibrary();
    InitializedLibrary(const InitializedLibrary&) = delete;
    InitializedLibrary& operator=(const InitializedLibrary&) = delete;
};

// The signing keys of every test in the program: RSA keys are slow to make.
const TestSigningKeys& SharedSigningKeys();

// A library key context over a test key, as reading a key file would make it.
std::unique_ptr<signlib::TPrivateKeyContext> MakeKeyContext(const TestSigningKeys& keys, TestKeyType type);

struct SignResult {
    unsigned long Code = 0;
    std::string Der;  // the signature, "" on failure
};

SignResult SignData(void* keyContext, const std::string& data, bool external, bool appendCertificate);
SignResult SignHash(void* keyContext, const std::string& hash, bool appendCertificate);

// The calling thread's runtime parameters; both must be accepted.
void SetSignType(std::uint32_t type);
void SetContentTimeStamp(bool include);

// The time-stamp server in force for the whole library until EUFinalize; use false: none.
void SetTimeStampServer(bool use, const std::string& address, const std::string& port);

std::string Sha256Of(const std::string& data);

// What a time-stamp query asked for; Parsed false when the bytes are no query.
struct TimeStampQuery {
    bool Parsed = false;
    bool Sha256 = false;  // the imprint's algorithm
    std::string Imprint;
    bool HasNonce = false;
    bool CertificateRequested = false;
};
TimeStampQuery ParseTimeStampQuery(const std::string& der);

struct CmsFree {
    void operator()(CMS_ContentInfo* cms) const { CMS_ContentInfo_free(cms); }
};
using CmsPtr = std::unique_ptr<CMS_ContentInfo, CmsFree>;
// Owns the certificates too, as CMS_get1_certs hands them out.
struct CertificatesFree {
    void operator()(STACK_OF(X509) * certificates) const { sk_X509_pop_free(certificates, X509_free); }
};
using CertificatesPtr = std::unique_ptr<STACK_OF(X509), CertificatesFree>;

// The SignedData; fails the test when the bytes are not one with exactly one signer.
CmsPtr ParseSignedData(const std::string& der);
CMS_SignerInfo* OnlySigner(CMS_ContentInfo* cms);

bool HasSignedAttribute(CMS_SignerInfo* signer, int nid);
// The single value of an attribute as its DER octets (SEQUENCE) or content octets (OCTET STRING);
// nullopt when the attribute is absent.
std::optional<std::string> SignedSequence(CMS_SignerInfo* signer, int nid);
std::optional<std::string> SignedOctets(CMS_SignerInfo* signer, int nid);
std::optional<std::string> UnsignedSequence(CMS_SignerInfo* signer, int nid);
// The signature value's octets.
std::string SignatureValue(CMS_SignerInfo* signer);
// Whether the signing-certificate-v2 attribute names certificate.
bool NamesSigningCertificate(CMS_SignerInfo* signer, X509* certificate);
// Whether the signing-time attribute holds a valid time.
bool HasValidSigningTime(CMS_SignerInfo* signer);

// The hash value a time-stamp token vouches for.
std::string TokenImprint(const std::string& token);
// Whether the token's signature verifies with a TSA certificate issued by tsaCa (and the certificate
// is one for time-stamping).
bool TokenVerifies(const std::string& token, X509* tsaCa);

// CMS_verify against the CA: detached content when given, the signer's certificate when the
// signature does not carry it.
bool ApiVerifies(const std::string& der, X509* ca, const std::optional<std::string>& detachedContent,
                 X509* signerCertificate = nullptr);

// `openssl cms -verify` run as a process on files in folder.
bool OpenSslToolVerifies(const std::filesystem::path& folder, const std::string& der,
                         const std::filesystem::path& caFile, const std::optional<std::string>& detachedContent,
                         X509* signerCertificate = nullptr);

}  // namespace korvel::test
