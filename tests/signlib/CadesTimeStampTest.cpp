// Time-stamps in signatures: CAdES-T's signature time-stamp, the content time-stamp, and what
// happens when the time-stamp server cannot give one.

#include "SignatureChecks.h"

#include "fixtures/HttpsServer.h"
#include "fixtures/TempDir.h"
#include "fixtures/TimeStampAuthority.h"
#include "signlib/SignLibrary.h"

#include <gtest/gtest.h>

namespace korvel::test {
namespace {

const std::string Data = "data to be signed and stamped";

class TimeStampTest : public testing::Test {
protected:
    void SetUp() override
    {
        FAuthority.Start();
        SetTimeStampServer(true, "127.0.0.1", std::to_string(FAuthority.Port()));
        SetSignType(EU_SIGN_TYPE_CADES_BES);
        SetContentTimeStamp(false);
    }
    void TearDown() override { SetTimeStampServer(false, "", ""); }

    static const TestSigningKeys& Keys() { return SharedSigningKeys(); }

    // Data embedded, or the hash value of Data (detached).
    static SignResult Sign(void* key, bool hashValue)
    {
        return hashValue ? SignHash(key, Sha256Of(Data), true) : SignData(key, Data, false, true);
    }
    static std::optional<std::string> DetachedContent(bool hashValue)
    {
        return hashValue ? std::optional(Data) : std::nullopt;
    }

    InitializedLibrary FLibrary;
    TempDir FWork;
    TimeStampAuthority FAuthority{FWork.Path()};
};

class CadesTTest : public TimeStampTest, public testing::WithParamInterface<std::tuple<TestKeyType, bool>> {};

TEST_P(CadesTTest, CarriesATokenOverTheSignatureValueThatTheTsaSigned)
{
    const auto [keyType, hashValue] = GetParam();
    auto key = MakeKeyContext(Keys(), keyType);
    SetSignType(EU_SIGN_TYPE_CADES_T);

    const SignResult result = Sign(key.get(), hashValue);

    ASSERT_EQ(EU_ERROR_NONE, result.Code);
    CmsPtr cms = ParseSignedData(result.Der);
    ASSERT_NE(nullptr, cms);
    CMS_SignerInfo* signer = OnlySigner(cms.get());
    ASSERT_NE(nullptr, signer);
    const auto token = UnsignedSequence(signer, NID_id_smime_aa_timeStampToken);
    ASSERT_TRUE(token.has_value());
    EXPECT_EQ(Sha256Of(SignatureValue(signer)), TokenImprint(*token));
    EXPECT_TRUE(TokenVerifies(*token, FAuthority.CaCertificate()));
    EXPECT_TRUE(NamesSigningCertificate(signer, Keys().Certificate(keyType)));
    EXPECT_FALSE(HasSignedAttribute(signer, NID_id_smime_aa_ets_contentTimestamp));
    EXPECT_EQ(1u, FAuthority.QueryCount());
    EXPECT_TRUE(OpenSslToolVerifies(FWork.Path(), result.Der, Keys().CaFile(), DetachedContent(hashValue)));
}

TEST_P(CadesTTest, AsksForSha256WithNonceAndCertificate)
{
    const auto [keyType, hashValue] = GetParam();
    auto key = MakeKeyContext(Keys(), keyType);
    SetSignType(EU_SIGN_TYPE_CADES_T);

    const SignResult result = Sign(key.get(), hashValue);

    ASSERT_EQ(EU_ERROR_NONE, result.Code);
    const TimeStampQuery query = ParseTimeStampQuery(FAuthority.LastQuery());
    ASSERT_TRUE(query.Parsed);
    EXPECT_TRUE(query.Sha256);
    EXPECT_TRUE(query.HasNonce);
    EXPECT_TRUE(query.CertificateRequested);
    CmsPtr cms = ParseSignedData(result.Der);
    ASSERT_NE(nullptr, cms);
    EXPECT_EQ(Sha256Of(SignatureValue(OnlySigner(cms.get()))), query.Imprint);
}

TEST_P(CadesTTest, ContentTimeStampIsASignedTokenOverTheContentDigest)
{
    const auto [keyType, hashValue] = GetParam();
    auto key = MakeKeyContext(Keys(), keyType);
    SetSignType(EU_SIGN_TYPE_CADES_T);
    SetContentTimeStamp(true);

    const SignResult result = Sign(key.get(), hashValue);

    ASSERT_EQ(EU_ERROR_NONE, result.Code);
    CmsPtr cms = ParseSignedData(result.Der);
    ASSERT_NE(nullptr, cms);
    CMS_SignerInfo* signer = OnlySigner(cms.get());
    ASSERT_NE(nullptr, signer);
    const auto contentToken = SignedSequence(signer, NID_id_smime_aa_ets_contentTimestamp);
    ASSERT_TRUE(contentToken.has_value());
    EXPECT_EQ(Sha256Of(Data), TokenImprint(*contentToken));
    EXPECT_TRUE(TokenVerifies(*contentToken, FAuthority.CaCertificate()));
    EXPECT_TRUE(UnsignedSequence(signer, NID_id_smime_aa_timeStampToken).has_value());
    EXPECT_EQ(2u, FAuthority.QueryCount());
    EXPECT_TRUE(OpenSslToolVerifies(FWork.Path(), result.Der, Keys().CaFile(), DetachedContent(hashValue)));
}

INSTANTIATE_TEST_SUITE_P(KeysAndInputs, CadesTTest,
                         testing::Combine(testing::Values(TestKeyType::P256, TestKeyType::Rsa2048), testing::Bool()),
                         [](const auto& info) {
                             return std::string(TestKeyTypeName(std::get<0>(info.param))) +
                                    (std::get<1>(info.param) ? "_HashValue" : "_Data");
                         });

TEST_F(TimeStampTest, ContentTimeStampAloneMakesCadesBesWithIt)
{
    auto key = MakeKeyContext(Keys(), TestKeyType::P256);
    SetContentTimeStamp(true);

    const SignResult result = Sign(key.get(), false);

    ASSERT_EQ(EU_ERROR_NONE, result.Code);
    CmsPtr cms = ParseSignedData(result.Der);
    ASSERT_NE(nullptr, cms);
    CMS_SignerInfo* signer = OnlySigner(cms.get());
    ASSERT_NE(nullptr, signer);
    EXPECT_TRUE(SignedSequence(signer, NID_id_smime_aa_ets_contentTimestamp).has_value());
    EXPECT_FALSE(UnsignedSequence(signer, NID_id_smime_aa_timeStampToken).has_value());
    EXPECT_EQ(1u, FAuthority.QueryCount());
}

struct ServerFault {
    const char* Name;
    TimeStampAuthority::Answer Answer;
    unsigned long Code;
};

void PrintTo(const ServerFault& fault, std::ostream* out)
{
    *out << fault.Name;
}

// Which time-stamp is asked for: the signature's (CAdES-T) or the content's (CAdES-BES).
class TimeStampFaultTest : public TimeStampTest, public testing::WithParamInterface<std::tuple<ServerFault, bool>> {};

TEST_P(TimeStampFaultTest, NoSignatureWithoutTheTimeStamp)
{
    const auto [fault, contentTimeStamp] = GetParam();
    auto key = MakeKeyContext(Keys(), TestKeyType::P256);
    FAuthority.SetAnswer(fault.Answer);
    SetSignType(contentTimeStamp ? EU_SIGN_TYPE_CADES_BES : EU_SIGN_TYPE_CADES_T);
    SetContentTimeStamp(contentTimeStamp);

    for (const bool hashValue : {false, true}) {
        const SignResult result = Sign(key.get(), hashValue);
        EXPECT_EQ(fault.Code, result.Code) << (hashValue ? "hash value" : "data");
        EXPECT_EQ("", result.Der);
    }
    EXPECT_EQ(2u, FAuthority.QueryCount());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, TimeStampFaultTest,
    testing::Combine(
        testing::Values(ServerFault{"Rejection", TimeStampAuthority::Answer::Rejection, EU_ERROR_TSP_RESPONSE},
                        ServerFault{"Garbage", TimeStampAuthority::Answer::Garbage, EU_ERROR_TSP_RESPONSE},
                        ServerFault{"OtherImprint", TimeStampAuthority::Answer::OtherImprint, EU_ERROR_TSP_RESPONSE},
                        ServerFault{"OtherNonce", TimeStampAuthority::Answer::OtherNonce, EU_ERROR_TSP_RESPONSE},
                        ServerFault{"BadSignature", TimeStampAuthority::Answer::BadSignature, EU_ERROR_TSP_RESPONSE},
                        ServerFault{"ServerError", TimeStampAuthority::Answer::ServerError, EU_ERROR_TSP_SERVER}),
        testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).Name) +
               (std::get<1>(info.param) ? "_ContentTimeStamp" : "_SignatureTimeStamp");
    });

TEST_F(TimeStampTest, ServerDownGivesTspServerErrorAndNoSignature)
{
    auto key = MakeKeyContext(Keys(), TestKeyType::P256);
    const ClosedLoopbackPort closed;
    SetTimeStampServer(true, "127.0.0.1", std::to_string(closed.Port()));

    for (const bool contentTimeStamp : {false, true}) {
        SetSignType(contentTimeStamp ? EU_SIGN_TYPE_CADES_BES : EU_SIGN_TYPE_CADES_T);
        SetContentTimeStamp(contentTimeStamp);
        const SignResult result = Sign(key.get(), false);
        EXPECT_EQ(EU_ERROR_TSP_SERVER, result.Code);
        EXPECT_EQ("", result.Der);
    }
}

TEST_F(TimeStampTest, NoServerInUseGivesTspServerErrorWithoutAsking)
{
    auto key = MakeKeyContext(Keys(), TestKeyType::P256);
    const std::string port = std::to_string(FAuthority.Port());
    struct Settings {
        bool Use;
        std::string Address;
    };
    for (const Settings& settings : {Settings{false, "127.0.0.1"}, Settings{true, ""}, Settings{true, "  "}}) {
        SetTimeStampServer(settings.Use, settings.Address, port);
        for (const bool contentTimeStamp : {false, true}) {
            SetSignType(contentTimeStamp ? EU_SIGN_TYPE_CADES_BES : EU_SIGN_TYPE_CADES_T);
            SetContentTimeStamp(contentTimeStamp);
            for (const bool hashValue : {false, true}) {
                const SignResult result = Sign(key.get(), hashValue);
                EXPECT_EQ(EU_ERROR_TSP_SERVER, result.Code) << settings.Use << " '" << settings.Address << "'";
                EXPECT_EQ("", result.Der);
            }
        }
    }
    EXPECT_EQ(0u, FAuthority.QueryCount());
}

TEST_F(TimeStampTest, CadesBesNeedsNoServer)
{
    auto key = MakeKeyContext(Keys(), TestKeyType::P256);
    SetTimeStampServer(false, "", "");

    EXPECT_EQ(EU_ERROR_NONE, Sign(key.get(), false).Code);
    EXPECT_EQ(EU_ERROR_NONE, Sign(key.get(), true).Code);
}

TEST_F(TimeStampTest, ServerAddressAsHostOrUrl)
{
    auto key = MakeKeyContext(Keys(), TestKeyType::P256);
    SetSignType(EU_SIGN_TYPE_CADES_T);
    const std::string port = std::to_string(FAuthority.Port());
    struct Address {
        std::string Address;
        std::string Port;
    };
    const Address addresses[] = {
        {"127.0.0.1", port},                         // host and port
        {" 127.0.0.1 ", " " + port + " "},           // blanks around them
        {"127.0.0.1:" + port, ""},                   // port in the address
        {"127.0.0.1/tsp", port},                     // host with a path
        {FAuthority.Url("/"), ""},                   // full URL
        {FAuthority.Url("/services/tsp?x=1"), "1"},  // full URL with path and query; its port wins
        {"HTTP://127.0.0.1:" + port + "/", ""},      // scheme in capitals
    };

    std::size_t expectedQueries = 0;
    for (const Address& address : addresses) {
        SetTimeStampServer(true, address.Address, address.Port);
        const SignResult result = Sign(key.get(), false);
        EXPECT_EQ(EU_ERROR_NONE, result.Code) << "'" << address.Address << "' '" << address.Port << "'";
        EXPECT_EQ(++expectedQueries, FAuthority.QueryCount()) << address.Address;
    }
}

TEST_F(TimeStampTest, HttpsServerMustBeTrusted)
{
    auto key = MakeKeyContext(Keys(), TestKeyType::P256);
    SetSignType(EU_SIGN_TYPE_CADES_T);
    const TestCertificates certificates(FWork.Path());
    HttpsServer untrusted(certificates.For(ServerIdentity::SelfSigned));
    untrusted.Routes().Post("/", untrusted.Reply(200, "unused", "application/timestamp-reply"));
    untrusted.Start();
    SetTimeStampServer(true, untrusted.Url("/"), "");

    const SignResult result = Sign(key.get(), false);

    EXPECT_EQ(EU_ERROR_TSP_SERVER, result.Code);
    EXPECT_EQ(0u, untrusted.Recorded().Count());
}

}  // namespace
}  // namespace korvel::test
