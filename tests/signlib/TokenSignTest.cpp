// A key read from a token makes CAdES-BES signatures that OpenSSL's own tool verifies.

#include "SignatureChecks.h"
#include "TokenMediaSupport.h"

namespace korvel::test {
namespace {

const std::string Label = "Підписувач";
const std::string Pin = "2222";

class TokenSignTest : public TokenMediaTest, public ::testing::WithParamInterface<TokenKeyType> {
protected:
    void SetUp() override
    {
        SetSignType(EU_SIGN_TYPE_CADES_BES);
        SetContentTimeStamp(false);
        SetTimeStampServer(false, "", "");
    }
};

TEST_P(TokenSignTest, ATokenKeySignsDataThatOpenSslVerifies)
{
    const TokenTestKey& key = SharedTokenKey(GetParam());
    FSoftHsm.InitToken(Label, "1111", Pin);
    FSoftHsm.AddKey(Label, Pin, key.Key.get(), key.Certificate.get(), "01");
    SetModules(SoftHsmToken::ModulePath());
    const TokenKeyRead read = ReadKey(0, 0, Pin);
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    const std::string data = "дані, підписані ключем на токені";

    const SignResult signature = SignData(read.Context.get(), data, false, true);

    ASSERT_EQ(signature.Code, EU_ERROR_NONE);
    EXPECT_TRUE(OpenSslToolVerifies(FProgramData.Path(), signature.Der, TokenTestCaFile(), std::nullopt));
    const SignResult hashSignature = SignHash(read.Context.get(), Sha256Of(data), true);
    ASSERT_EQ(hashSignature.Code, EU_ERROR_NONE);
    EXPECT_TRUE(ApiVerifies(hashSignature.Der, TokenTestCa(), data));
}

INSTANTIATE_TEST_SUITE_P(KeyTypes, TokenSignTest, ::testing::Values(TokenKeyType::P256, TokenKeyType::Rsa2048),
                         [](const auto& info) { return info.param == TokenKeyType::P256 ? "P256" : "Rsa2048"; });

}  // namespace
}  // namespace korvel::test
