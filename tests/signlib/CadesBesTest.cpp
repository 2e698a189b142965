// CAdES-BES signatures of data and of hash values, with P-256 and RSA keys.

#include "SignatureChecks.h"

#include "fixtures/TempDir.h"
#include "signlib/SignLibrary.h"

#include <gtest/gtest.h>

#include <tuple>

namespace korvel::test {
namespace {

enum class Input {
    EmbeddedData,  // EUCtxSignData, content inside
    DetachedData,  // EUCtxSignData, bExternal
    HashValue,     // EUCtxSignHashValue over SHA-256 of the data
};

const char* InputName(Input input)
{
    switch (input) {
    case Input::EmbeddedData:
        return "EmbeddedData";
    case Input::DetachedData:
        return "DetachedData";
    case Input::HashValue:
        return "HashValue";
    }
    return "?";
}

using namespace std::string_literals;
const std::string Data = "Korvel \x00\x01\xff signs bytes, not text\r\n"s;

class CadesBesTest : public testing::TestWithParam<std::tuple<TestKeyType, Input, bool>> {
protected:
    void SetUp() override
    {
        SetSignType(EU_SIGN_TYPE_CADES_BES);
        SetContentTimeStamp(false);
    }

    InitializedLibrary FLibrary;

    static const TestSigningKeys& Keys() { return SharedSigningKeys(); }
    TestKeyType KeyType() const { return std::get<0>(GetParam()); }
    Input InputKind() const { return std::get<1>(GetParam()); }
    bool AppendCertificate() const { return std::get<2>(GetParam()); }

    SignResult Sign(void* keyContext) const
    {
        switch (InputKind()) {
        case Input::EmbeddedData:
            return SignData(keyContext, Data, false, AppendCertificate());
        case Input::DetachedData:
            return SignData(keyContext, Data, true, AppendCertificate());
        case Input::HashValue:
            break;
        }
        return SignHash(keyContext, Sha256Of(Data), AppendCertificate());
    }
    std::optional<std::string> DetachedContent() const
    {
        return InputKind() == Input::EmbeddedData ? std::nullopt : std::optional(Data);
    }
    // What a verifier must be given when the signature does not carry the certificate.
    X509* CertificateForVerifier() const { return AppendCertificate() ? nullptr : Keys().Certificate(KeyType()); }

    TempDir FWork;
};

TEST_P(CadesBesTest, VerifiesWithTheOpenSslTool)
{
    auto key = MakeKeyContext(Keys(), KeyType());
    const SignResult result = Sign(key.get());

    ASSERT_EQ(EU_ERROR_NONE, result.Code);
    EXPECT_TRUE(
        OpenSslToolVerifies(FWork.Path(), result.Der, Keys().CaFile(), DetachedContent(), CertificateForVerifier()));
}

TEST_P(CadesBesTest, VerifiesWithTheApiAndFailsForOtherContent)
{
    auto key = MakeKeyContext(Keys(), KeyType());
    const SignResult result = Sign(key.get());

    ASSERT_EQ(EU_ERROR_NONE, result.Code);
    EXPECT_TRUE(ApiVerifies(result.Der, Keys().CaCertificate(), DetachedContent(), CertificateForVerifier()));
    if (DetachedContent()) {
        EXPECT_FALSE(ApiVerifies(result.Der, Keys().CaCertificate(), Data + "x", CertificateForVerifier()));
    }
}

TEST_P(CadesBesTest, CarriesTheCadesBesAttributesAndNoTimeStamps)
{
    auto key = MakeKeyContext(Keys(), KeyType());
    const SignResult result = Sign(key.get());
    ASSERT_EQ(EU_ERROR_NONE, result.Code);
    CmsPtr cms = ParseSignedData(result.Der);
    ASSERT_NE(nullptr, cms);
    CMS_SignerInfo* signer = OnlySigner(cms.get());
    ASSERT_NE(nullptr, signer);

    EXPECT_EQ(Sha256Of(Data), SignedOctets(signer, NID_pkcs9_messageDigest));
    EXPECT_TRUE(HasSignedAttribute(signer, NID_pkcs9_contentType));
    EXPECT_TRUE(HasValidSigningTime(signer));
    EXPECT_TRUE(NamesSigningCertificate(signer, Keys().Certificate(KeyType())));
    EXPECT_FALSE(HasSignedAttribute(signer, NID_id_smime_aa_ets_contentTimestamp));
    EXPECT_EQ(-1, CMS_unsigned_get_attr_count(signer)) << "no unsigned attributes in CAdES-BES";
}

TEST_P(CadesBesTest, HoldsTheContentAndCertificateOnlyAsAsked)
{
    auto key = MakeKeyContext(Keys(), KeyType());
    const SignResult result = Sign(key.get());
    ASSERT_EQ(EU_ERROR_NONE, result.Code);
    CmsPtr cms = ParseSignedData(result.Der);
    ASSERT_NE(nullptr, cms);

    ASN1_OCTET_STRING** content = CMS_get0_content(cms.get());
    ASSERT_NE(nullptr, content);
    if (DetachedContent()) {
        EXPECT_EQ(nullptr, *content);
    } else {
        ASSERT_NE(nullptr, *content);
        EXPECT_EQ(Data, std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(*content)),
                                    static_cast<std::size_t>(ASN1_STRING_length(*content))));
    }
    CertificatesPtr certificates(CMS_get1_certs(cms.get()));
    const int expected = AppendCertificate() ? 1 : 0;
    EXPECT_EQ(expected, certificates == nullptr ? 0 : sk_X509_num(certificates.get()));
    if (AppendCertificate()) {
        EXPECT_EQ(0, X509_cmp(Keys().Certificate(KeyType()), sk_X509_value(certificates.get(), 0)));
    }
}

INSTANTIATE_TEST_SUITE_P(KeysInputsCertificates, CadesBesTest,
                         testing::Combine(testing::Values(TestKeyType::P256, TestKeyType::Rsa2048),
                                          testing::Values(Input::EmbeddedData, Input::DetachedData, Input::HashValue),
                                          testing::Bool()),
                         [](const auto& info) {
                             return std::string(TestKeyTypeName(std::get<0>(info.param))) + "_" +
                                    InputName(std::get<1>(info.param)) +
                                    (std::get<2>(info.param) ? "_WithCertificate" : "_WithoutCertificate");
                         });

}  // namespace
}  // namespace korvel::test
