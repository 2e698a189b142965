// The key media lists: PKCS#11 modules as media types, their tokens as devices.

#include "TokenMediaSupport.h"
#include "signlib/MediaRegistry.h"

#include <algorithm>
#include <cstring>

using namespace korvel::test;

namespace {

const std::string Pin = "2222";
const std::string SoPin = "1111";

using MediaListTest = TokenMediaTest;

TEST_F(MediaListTest, TypesAreTheConfiguredModulesByFileName)
{
    SetModules(" " + SoftHsmToken::ModulePath() + " ;; /nonexistent/libnone.so.2 ;");

    unsigned long endCode = 0;
    EXPECT_EQ(MediaTypeNames(&endCode), (std::vector<std::string>{"libsofthsm2", "libnone"}));
    EXPECT_EQ(endCode, EU_WARNING_END_OF_ENUM);
}

TEST_F(MediaListTest, WithoutConfiguredModulesTypesAreTheModulesP11KitOffers)
{
    std::vector<std::string> registered;
    for (const auto& type : korvel::signlib::RegisteredMediaTypes(korvel::signlib::DefaultMediaRegistryFolders()))
        registered.push_back(type.Name);

    const std::vector<std::string> names = MediaTypeNames();

    EXPECT_EQ(names, registered);
    EXPECT_EQ(std::count(names.begin(), names.end(), "p11-kit-trust"), 0) << "a trust module holds no keys";
}

TEST_F(MediaListTest, DevicesAreTheInitialisedTokensByLabel)
{
    FSoftHsm.InitToken("Токен бухгалтера", SoPin, Pin);
    SetModules(SoftHsmToken::ModulePath());

    unsigned long endCode = 0;
    EXPECT_EQ(DeviceNames(0, &endCode), std::vector<std::string>{"Токен бухгалтера"});
    EXPECT_EQ(endCode, EU_WARNING_END_OF_ENUM);
}

TEST_F(MediaListTest, TwoTokensOfOneModuleAreListedInTheOrderTheirIndexesReadThem)
{
    FSoftHsm.InitToken("Перший", SoPin, Pin);
    FSoftHsm.InitToken("Другий", SoPin, Pin);
    FSoftHsm.AddKey("Перший", Pin, SharedTokenKey(TokenKeyType::P256).Key.get(),
                    SharedTokenKey(TokenKeyType::P256).Certificate.get(), "01");
    FSoftHsm.AddKey("Другий", Pin, SecondTokenKey().Key.get(), SecondTokenKey().Certificate.get(), "01");
    SetModules(SoftHsmToken::ModulePath());

    const std::vector<std::string> labels = DeviceNames(0);

    ASSERT_EQ(labels.size(), 2u);
    EXPECT_NE(std::find(labels.begin(), labels.end(), "Перший"), labels.end());
    EXPECT_NE(std::find(labels.begin(), labels.end(), "Другий"), labels.end());
    for (unsigned long index = 0; index < labels.size(); ++index) {
        const TokenKeyRead read = ReadKey(0, index, Pin);
        ASSERT_EQ(read.Code, EU_ERROR_NONE) << labels[index];
        const TokenTestKey& expected =
            labels[index] == "Перший" ? SharedTokenKey(TokenKeyType::P256) : SecondTokenKey();
        EXPECT_EQ(X509_cmp(read.Context->Certificate.get(), expected.Certificate.get()), 0) << labels[index];
    }
}

TEST_F(MediaListTest, ATokenAddedLaterIsListedOnceTheModuleIsNoLongerInUse)
{
    FSoftHsm.InitToken("Перший", SoPin, Pin);
    FSoftHsm.AddKey("Перший", Pin, SecondTokenKey().Key.get(), SecondTokenKey().Certificate.get(), "01");
    SetModules(SoftHsmToken::ModulePath());
    TokenKeyRead read = ReadKey(0, 0, Pin);
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    FSoftHsm.InitToken("Другий", SoPin, Pin);

    read.Context.reset();

    EXPECT_EQ(DeviceNames(0).size(), 2u);
}

TEST_F(MediaListTest, AModuleWithoutTokensListsNoDevice)
{
    SetModules(SoftHsmToken::ModulePath());

    unsigned long endCode = 0;
    EXPECT_TRUE(DeviceNames(0, &endCode).empty());
    EXPECT_EQ(endCode, EU_WARNING_END_OF_ENUM);
}

TEST_F(MediaListTest, AModuleThatCannotBeLoadedIsAMediaErrorAndFillsNothing)
{
    SetModules(SoftHsmToken::ModulePath() + ";" + (FProgramData.Path() / "libnone.so").string());
    char buffer[EU_MEDIA_NAME_SIZE];
    std::memset(buffer, 'x', sizeof buffer);

    EXPECT_EQ(EUEnumKeyMediaDevices(1, 0, buffer), EU_ERROR_MEDIA);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(EUEnumKeyMediaDevices(2, 0, buffer), EU_ERROR_MEDIA) << "no such type";
}

TEST_F(MediaListTest, NothingIsListedOrReadBeforeTheLibraryIsInitialised)
{
    FSoftHsm.InitToken("Перший", SoPin, Pin);
    SetModules(SoftHsmToken::ModulePath());
    EUFinalize();
    char buffer[EU_MEDIA_NAME_SIZE];

    EXPECT_EQ(EUEnumKeyMediaTypes(0, buffer), EU_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(EUEnumKeyMediaDevices(0, 0, buffer), EU_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(ReadKey(0, 0, Pin).Code, EU_ERROR_NOT_INITIALIZED);
}

TEST_F(MediaListTest, AMissingBufferIsABadParameter)
{
    SetModules(SoftHsmToken::ModulePath());

    EXPECT_EQ(EUEnumKeyMediaTypes(0, nullptr), EU_ERROR_BAD_PARAMETER);
    EXPECT_EQ(EUEnumKeyMediaDevices(0, 0, nullptr), EU_ERROR_BAD_PARAMETER);
}

TEST_F(MediaListTest, ALongTypeNameIsCutToTheBuffer)
{
    const std::string longName(400, 'm');
    SetModules("/opt/" + longName + ".so");
    char buffer[EU_MEDIA_NAME_SIZE + 8];
    std::memset(buffer, 'x', sizeof buffer);

    ASSERT_EQ(EUEnumKeyMediaTypes(0, buffer), EU_ERROR_NONE);
    EXPECT_EQ(std::string(buffer), longName.substr(0, EU_MEDIA_NAME_SIZE - 1));
    EXPECT_EQ(buffer[EU_MEDIA_NAME_SIZE], 'x') << "nothing written past the buffer";
}

}  // namespace
