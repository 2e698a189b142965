// What the signing entry points refuse: runtime parameters they do not know, signature types they
// do not make, hash values that are no SHA-256 value, arguments that are missing.

#include "SignatureChecks.h"

#include "fixtures/TempDir.h"
#include "signlib/SignLibrary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace korvel::test {
namespace {

const std::string Data = "TEST";

class SignArgumentsTest : public testing::Test {
protected:
    void SetUp() override
    {
        FKey = MakeKeyContext(Keys(), TestKeyType::P256);
        SetSignType(EU_SIGN_TYPE_CADES_BES);
        SetContentTimeStamp(false);
    }

    static const TestSigningKeys& Keys() { return SharedSigningKeys(); }

    InitializedLibrary FLibrary;
    std::unique_ptr<signlib::TPrivateKeyContext> FKey;
};

struct ParameterCase {
    const char* Name;  // nullptr: no name
    unsigned long Size;
    unsigned long Code;
};

TEST(RuntimeParameterTest, AcceptsTheTwoNamesWithFourBytesOnly)
{
    const InitializedLibrary library;
    const ParameterCase cases[] = {
        {"SignIncludeContentTimeStamp", 4, EU_ERROR_NONE},
        {"SignType", 4, EU_ERROR_NONE},
        {"SignType", 8, EU_ERROR_BAD_RUNTIME_PARAMETER},
        {"SignType", 2, EU_ERROR_BAD_RUNTIME_PARAMETER},
        {"SignIncludeContentTimeStamp", 1, EU_ERROR_BAD_RUNTIME_PARAMETER},
        {"SignIncludeContentTimeStamp", 0, EU_ERROR_BAD_RUNTIME_PARAMETER},
        {"signtype", 4, EU_ERROR_BAD_RUNTIME_PARAMETER},
        {"SignType ", 4, EU_ERROR_BAD_RUNTIME_PARAMETER},
        {"", 4, EU_ERROR_BAD_RUNTIME_PARAMETER},
        {"SignHashAlgo", 4, EU_ERROR_BAD_RUNTIME_PARAMETER},
        {nullptr, 4, EU_ERROR_BAD_RUNTIME_PARAMETER},
    };
    const std::uint64_t value = 1;
    for (const ParameterCase& c : cases)
        EXPECT_EQ(c.Code, EUSetRuntimeParameter(c.Name, &value, c.Size))
            << (c.Name ? c.Name : "(null)") << " " << c.Size;
    EXPECT_EQ(EU_ERROR_BAD_PARAMETER, EUSetRuntimeParameter("SignType", nullptr, 4));
}

TEST_F(SignArgumentsTest, RefusedParameterLeavesTheLastSignType)
{
    SetSignType(EU_SIGN_TYPE_CADES_C);
    const std::uint16_t shortValue = EU_SIGN_TYPE_CADES_BES;
    ASSERT_EQ(EU_ERROR_BAD_RUNTIME_PARAMETER, EUSetRuntimeParameter("SignType", &shortValue, sizeof shortValue));

    EXPECT_EQ(EU_ERROR_SIGN_TYPE_NOT_SUPPORTED, SignData(FKey.get(), Data, false, true).Code);
}

TEST_F(SignArgumentsTest, ContentTimeStampFlagIsAnyNonZeroValue)
{
    // Without a time-stamp server, asking for a content time-stamp is an error: it shows the flag.
    SetTimeStampServer(false, "", "");
    for (const std::int32_t value : {1, -1, 2, 0x7fffffff}) {
        ASSERT_EQ(EU_ERROR_NONE, EUSetRuntimeParameter("SignIncludeContentTimeStamp", &value, sizeof value));
        EXPECT_EQ(EU_ERROR_TSP_SERVER, SignData(FKey.get(), Data, false, true).Code) << value;
    }
    const std::int32_t off = 0;
    ASSERT_EQ(EU_ERROR_NONE, EUSetRuntimeParameter("SignIncludeContentTimeStamp", &off, sizeof off));
    EXPECT_EQ(EU_ERROR_NONE, SignData(FKey.get(), Data, false, true).Code);
}

TEST_F(SignArgumentsTest, SignTypesOtherThanBesAndTAreRefused)
{
    const struct {
        std::uint32_t Type;
        unsigned long Code;
    } cases[] = {
        {EU_SIGN_TYPE_CADES_C, EU_ERROR_SIGN_TYPE_NOT_SUPPORTED},
        {EU_SIGN_TYPE_CADES_X_LONG, EU_ERROR_SIGN_TYPE_NOT_SUPPORTED},
        {0, EU_ERROR_BAD_SIGN_TYPE},
        {2, EU_ERROR_BAD_SIGN_TYPE},
        {3, EU_ERROR_BAD_SIGN_TYPE},
        {5, EU_ERROR_BAD_SIGN_TYPE},
        {12, EU_ERROR_BAD_SIGN_TYPE},
        {32, EU_ERROR_BAD_SIGN_TYPE},
        {0xffffffffu, EU_ERROR_BAD_SIGN_TYPE},
    };
    for (const auto& c : cases) {
        SetSignType(c.Type);
        const SignResult data = SignData(FKey.get(), Data, false, true);
        const SignResult hash = SignHash(FKey.get(), Sha256Of(Data), true);
        EXPECT_EQ(c.Code, data.Code) << c.Type;
        EXPECT_EQ(c.Code, hash.Code) << c.Type;
        EXPECT_EQ("", data.Der);
        EXPECT_EQ("", hash.Der);
    }
}

TEST_F(SignArgumentsTest, HashValueMustBeSha256Sized)
{
    const std::string longHash(64, 'h');
    for (const std::size_t length : {1u, 20u, 31u, 33u, 48u, 64u}) {
        const SignResult result = SignHash(FKey.get(), longHash.substr(0, length), true);
        EXPECT_EQ(EU_ERROR_BAD_HASH, result.Code) << length;
        EXPECT_EQ("", result.Der);
    }
    unsigned char* sign = nullptr;
    unsigned long length = 0;
    EXPECT_EQ(EU_ERROR_BAD_HASH,
              EUCtxSignHashValue(FKey.get(), EU_SIGN_ALGO_DEFAULT,
                                 reinterpret_cast<const unsigned char*>(longHash.data()), 0, true, &sign, &length));
    EXPECT_EQ(nullptr, sign);
}

TEST_F(SignArgumentsTest, MissingArgumentsAreBadParameters)
{
    const auto* data = reinterpret_cast<const unsigned char*>(Data.data());
    const std::string hash = Sha256Of(Data);
    const auto* hashBytes = reinterpret_cast<const unsigned char*>(hash.data());
    unsigned char* sign = nullptr;
    unsigned long length = 0;
    signlib::TPrivateKeyContext empty;

    EXPECT_EQ(EU_ERROR_BAD_PARAMETER, EUCtxSignData(nullptr, 1, data, 4, false, true, &sign, &length));
    EXPECT_EQ(EU_ERROR_BAD_PARAMETER, EUCtxSignData(&empty, 1, data, 4, false, true, &sign, &length));
    EXPECT_EQ(EU_ERROR_BAD_PARAMETER, EUCtxSignData(FKey.get(), 2, data, 4, false, true, &sign, &length));
    EXPECT_EQ(EU_ERROR_BAD_PARAMETER, EUCtxSignData(FKey.get(), 1, nullptr, 4, false, true, &sign, &length));
    EXPECT_EQ(EU_ERROR_BAD_PARAMETER, EUCtxSignData(FKey.get(), 1, data, 4, false, true, nullptr, &length));
    EXPECT_EQ(EU_ERROR_BAD_PARAMETER, EUCtxSignData(FKey.get(), 1, data, 4, false, true, &sign, nullptr));
    EXPECT_EQ(EU_ERROR_BAD_PARAMETER, EUCtxSignHashValue(nullptr, 1, hashBytes, 32, true, &sign, &length));
    EXPECT_EQ(EU_ERROR_BAD_PARAMETER, EUCtxSignHashValue(FKey.get(), 0, hashBytes, 32, true, &sign, &length));
    EXPECT_EQ(EU_ERROR_BAD_PARAMETER, EUCtxSignHashValue(FKey.get(), 1, nullptr, 32, true, &sign, &length));
    EXPECT_EQ(EU_ERROR_BAD_PARAMETER, EUCtxSignHashValue(FKey.get(), 1, hashBytes, 32, true, nullptr, &length));
    EXPECT_EQ(nullptr, sign);
}

TEST_F(SignArgumentsTest, KeyWithoutCertificateIsRefused)
{
    FKey->Certificate.reset();
    EXPECT_EQ(EU_ERROR_CERT_NOT_FOUND, SignData(FKey.get(), Data, false, true).Code);
}

TEST_F(SignArgumentsTest, EmptyDataIsSigned)
{
    for (const bool external : {false, true}) {
        const SignResult result = SignData(FKey.get(), "", external, true);
        ASSERT_EQ(EU_ERROR_NONE, result.Code);
        EXPECT_TRUE(
            ApiVerifies(result.Der, Keys().CaCertificate(), external ? std::optional<std::string>("") : std::nullopt));
    }
}

}  // namespace
}  // namespace korvel::test
