// Reading a key from a token: log in with the PIN, find the key and its certificate.

#include "TokenMediaSupport.h"

#include "foundation/TextCodec.h"

#include <cstring>
#include <thread>

using namespace korvel::test;

namespace {

const std::string Label = "Токен А";
const std::string Pin = "2222";
const std::string SoPin = "1111";

class TokenKeyReadTest : public TokenMediaTest {
protected:
    TokenKeyReadTest()
    {
        FSoftHsm.InitToken(Label, SoPin, Pin);
        SetModules(SoftHsmToken::ModulePath());
    }

    void AddKey(const TokenTestKey& key, const std::string& id = "01") const
    {
        FSoftHsm.AddKey(Label, Pin, key.Key.get(), key.Certificate.get(), id);
    }
};

class TokenKeyTypeTest : public TokenKeyReadTest, public ::testing::WithParamInterface<TokenKeyType> {};

TEST_P(TokenKeyTypeTest, TheRightPinGivesAKeyThatSignsForTheCertificateWrittenWithIt)
{
    const TokenTestKey& key = SharedTokenKey(GetParam());
    AddKey(key);

    const TokenKeyRead read = ReadKey(0, 0, Pin);

    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    ASSERT_TRUE(read.Context->Key && read.Context->Certificate);
    EXPECT_EQ(X509_cmp(read.Context->Certificate.get(), key.Certificate.get()), 0);
    EXPECT_TRUE(SignsForCertificate(read.Context->Key.get(), read.Context->Certificate.get()));
    EXPECT_TRUE(read.Context->TokenSession) << "the token session lives with the key";
    EXPECT_TRUE(read.OwnerFilled);
    EXPECT_EQ(read.OwnerCommonName, GetParam() == TokenKeyType::P256 ? "Тарас Шевченко" : "Леся Українка");
    EXPECT_EQ(read.OwnerSerial, GetParam() == TokenKeyType::P256 ? "02" : "03");
}

INSTANTIATE_TEST_SUITE_P(KeyTypes, TokenKeyTypeTest, ::testing::Values(TokenKeyType::P256, TokenKeyType::Rsa2048),
                         [](const auto& info) { return info.param == TokenKeyType::P256 ? "P256" : "Rsa2048"; });

struct RefusedRead {
    const char* Description;
    unsigned long TypeIndex;
    unsigned long DeviceIndex;
    const char* Pin;
    unsigned long Code;
};

void PrintTo(const RefusedRead& refused, std::ostream* out)
{
    *out << refused.Description;
}

class TokenKeyRefusedTest : public TokenKeyReadTest, public ::testing::WithParamInterface<RefusedRead> {};

TEST_P(TokenKeyRefusedTest, GivesItsCodeAndNoKey)
{
    AddKey(SharedTokenKey(TokenKeyType::P256));
    SetModules(SoftHsmToken::ModulePath() + ";/nonexistent/libnone.so");
    const RefusedRead& refused = GetParam();

    const TokenKeyRead read = ReadKey(refused.TypeIndex, refused.DeviceIndex, refused.Pin);

    EXPECT_EQ(read.Code, refused.Code);
    EXPECT_FALSE(read.Context);
}

INSTANTIATE_TEST_SUITE_P(Reads, TokenKeyRefusedTest,
                         ::testing::Values(RefusedRead{"WrongPin", 0, 0, "2223", EU_ERROR_MEDIA_LOGIN},
                                           RefusedRead{"EmptyPin", 0, 0, "", EU_ERROR_MEDIA_LOGIN},
                                           RefusedRead{"UnknownDevice", 0, 1, "2222", EU_ERROR_MEDIA},
                                           RefusedRead{"ModuleNotLoadable", 1, 0, "2222", EU_ERROR_MEDIA},
                                           RefusedRead{"UnknownType", 2, 0, "2222", EU_ERROR_MEDIA}),
                         [](const auto& info) { return info.param.Description; });

TEST_F(TokenKeyReadTest, ATokenWithoutAPrivateKeyGivesKeyNotFound)
{
    EXPECT_EQ(ReadKey(0, 0, Pin).Code, EU_ERROR_KEY_NOT_FOUND);
}

TEST_F(TokenKeyReadTest, AKeyWithoutACertificateGivesCertificateNotFound)
{
    FSoftHsm.ImportKey(Label, Pin, SharedTokenKey(TokenKeyType::P256).Key.get(), "01", "lonely");

    EXPECT_EQ(ReadKey(0, 0, Pin).Code, EU_ERROR_CERT_NOT_FOUND);
}

TEST_F(TokenKeyReadTest, ACertificateWithAnotherIdIsFoundByItsPublicKey)
{
    const TokenTestKey& key = SharedTokenKey(TokenKeyType::Rsa2048);
    FSoftHsm.ImportKey(Label, Pin, key.Key.get(), "0a", "key");
    FSoftHsm.WriteCertificate(Label, Pin, key.Certificate.get(), "0b");

    const TokenKeyRead read = ReadKey(0, 0, Pin);

    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    EXPECT_EQ(X509_cmp(read.Context->Certificate.get(), key.Certificate.get()), 0);
}

TEST_F(TokenKeyReadTest, TheKeyWithACertificateIsChosenOverOneWithout)
{
    FSoftHsm.ImportKey(Label, Pin, SecondTokenKey().Key.get(), "01", "without");
    AddKey(SharedTokenKey(TokenKeyType::P256), "02");

    const TokenKeyRead read = ReadKey(0, 0, Pin);

    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    EXPECT_EQ(X509_cmp(read.Context->Certificate.get(), SharedTokenKey(TokenKeyType::P256).Certificate.get()), 0);
    EXPECT_TRUE(SignsForCertificate(read.Context->Key.get(), read.Context->Certificate.get()));
}

using TokenPinTest = TokenMediaTest;

TEST_F(TokenPinTest, APinInTheAnsiCodePageReachesTheTokenAsUtf8)
{
    FSoftHsm.InitToken("Кирилиця", SoPin, "пароль1");
    FSoftHsm.AddKey("Кирилиця", "пароль1", SecondTokenKey().Key.get(), SecondTokenKey().Certificate.get(), "01");
    SetModules(SoftHsmToken::ModulePath());

    EXPECT_EQ(ReadKey(0, 0, "пароль1").Code, EU_ERROR_NONE);
}

TEST_F(TokenKeyReadTest, APasswordFieldWithoutItsZeroIsRefused)
{
    AddKey(SharedTokenKey(TokenKeyType::P256));
    EU_KEY_MEDIA media{};
    std::memset(media.szPassword, '2', sizeof media.szPassword);
    void* context = nullptr;

    EXPECT_EQ(EUCtxReadPrivateKey(FLibraryContext, &media, &context, nullptr), EU_ERROR_BAD_PARAMETER);
    EXPECT_EQ(context, nullptr);
}

TEST_F(TokenKeyReadTest, AMissingArgumentIsABadParameter)
{
    AddKey(SharedTokenKey(TokenKeyType::P256));
    EU_KEY_MEDIA media{};
    std::memcpy(media.szPassword, Pin.c_str(), Pin.size());
    void* context = nullptr;
    int notALibraryContext = 0;

    EXPECT_EQ(EUCtxReadPrivateKey(nullptr, &media, &context, nullptr), EU_ERROR_BAD_PARAMETER);
    EXPECT_EQ(EUCtxReadPrivateKey(&notALibraryContext, &media, &context, nullptr), EU_ERROR_BAD_PARAMETER);
    EXPECT_EQ(EUCtxReadPrivateKey(FLibraryContext, nullptr, &context, nullptr), EU_ERROR_BAD_PARAMETER);
    EXPECT_EQ(EUCtxReadPrivateKey(FLibraryContext, &media, nullptr, nullptr), EU_ERROR_BAD_PARAMETER);
    EXPECT_EQ(context, nullptr);
}

TEST_F(TokenKeyReadTest, ASecondReadOfALoggedInTokenStillChecksThePin)
{
    AddKey(SharedTokenKey(TokenKeyType::P256));
    const TokenKeyRead first = ReadKey(0, 0, Pin);
    ASSERT_EQ(first.Code, EU_ERROR_NONE);

    EXPECT_EQ(ReadKey(0, 0, "9999").Code, EU_ERROR_MEDIA_LOGIN);
    const TokenKeyRead second = ReadKey(0, 0, Pin);

    ASSERT_EQ(second.Code, EU_ERROR_NONE);
    EXPECT_TRUE(SignsForCertificate(first.Context->Key.get(), first.Context->Certificate.get()));
    EXPECT_TRUE(SignsForCertificate(second.Context->Key.get(), second.Context->Certificate.get()));
}

TEST_F(TokenKeyReadTest, TheRightPinAfterAWrongOneReadsTheKey)
{
    AddKey(SharedTokenKey(TokenKeyType::P256));

    ASSERT_EQ(ReadKey(0, 0, "0000").Code, EU_ERROR_MEDIA_LOGIN);
    EXPECT_EQ(ReadKey(0, 0, Pin).Code, EU_ERROR_NONE);
}

TEST_F(TokenKeyReadTest, ListingDevicesWhileAKeyLivesLeavesTheKeyWorking)
{
    AddKey(SharedTokenKey(TokenKeyType::P256));
    const TokenKeyRead read = ReadKey(0, 0, Pin);
    ASSERT_EQ(read.Code, EU_ERROR_NONE);

    EXPECT_EQ(DeviceNames(0), std::vector<std::string>{Label});

    EXPECT_TRUE(SignsForCertificate(read.Context->Key.get(), read.Context->Certificate.get()));
}

TEST_F(TokenKeyReadTest, TwoKeysFromOneTokenSignOnTwoThreads)
{
    AddKey(SharedTokenKey(TokenKeyType::Rsa2048));
    const TokenKeyRead first = ReadKey(0, 0, Pin);
    const TokenKeyRead second = ReadKey(0, 0, Pin);
    ASSERT_EQ(first.Code, EU_ERROR_NONE);
    ASSERT_EQ(second.Code, EU_ERROR_NONE);
    int failures[2] = {0, 0};
    auto signMany = [](const TokenKeyRead& read, int& failureCount) {
        for (int i = 0; i < 25; ++i)
            if (!SignsForCertificate(read.Context->Key.get(), read.Context->Certificate.get()))
                ++failureCount;
    };

    std::thread one(signMany, std::cref(first), std::ref(failures[0]));
    std::thread two(signMany, std::cref(second), std::ref(failures[1]));
    one.join();
    two.join();

    EXPECT_EQ(failures[0], 0);
    EXPECT_EQ(failures[1], 0);
}

TEST_F(TokenKeyReadTest, KeysReadOnTwoThreadsAtOnceBothWork)
{
    AddKey(SharedTokenKey(TokenKeyType::P256));
    TokenKeyRead reads[2];

    std::thread one([&] { reads[0] = ReadKey(0, 0, Pin); });
    std::thread two([&] { reads[1] = ReadKey(0, 0, Pin); });
    one.join();
    two.join();

    for (const TokenKeyRead& read : reads) {
        ASSERT_EQ(read.Code, EU_ERROR_NONE);
        EXPECT_TRUE(SignsForCertificate(read.Context->Key.get(), read.Context->Certificate.get()));
    }
}

}  // namespace
