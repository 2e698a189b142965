#include "SignTestFixture.h"

#include "foundation/Param.h"
#include "foundation/TextCodec.h"
#include "signlib/SignLibrary.h"

#include <thread>

namespace korvel {
namespace {

using test::SignTest;
using test::TFakeCall;
using TArgs = std::vector<std::string>;
using TLines = std::vector<std::string>;

const std::string List = R"([
  {"issuerCNs": ["АЦСК Тест", "Test CA old name"], "cmpAddress": "cmp.test.ua", "tspAddress": "tsp.test.ua",
   "tspAddressPort": 80, "ocspAccessPointAddress": "ocsp.test.ua", "ocspAccessPointPort": "8080"},
  {"issuerCNs": ["Other CA"], "cmpAddress": "cmp.other.ua", "tspAddress": "tsp.other.ua",
   "tspAddressPort": "3180", "ocspAccessPointAddress": "ocsp.other.ua", "ocspAccessPointPort": "3181"},
  {"issuerCNs": ["Half CA"], "cmpAddress": "cmp.half.ua", "tspAddress": "tsp.half.ua"}
])";

const TLines AppliedTest = {
    "Встановлення налаштувань АЦСК (АЦСК Тест) - виконано",
    "  Сервер CMP/TSP/OSCP: cmp.test.ua  tsp.test.ua  ocsp.test.ua",
    "  Порт CMP/TSP/OSCP: 80/80/8080",
};
const std::string NotApplied = "Встановлення налаштувань АЦСК  - не вдалось виконати";
const TLines ServerCalls = {"EUSetCMPSettings", "EUSetTSPSettings", "EUSetOCSPSettings", "EUSetProxySettings",
                            "EUSetLDAPSettings"};

class CreatorSettingsTest : public SignTest {
protected:
    void SetUp() override
    {
        SignTest::SetUp();
        LoadList(List);
        InitialiseLibrary();
    }

    bool Apply(const std::string& ACreatorName) { return TSignTestAccess::SetCreatorSettings(FSign, ACreatorName); }
    static TLines WithFileStore(TLines ACalls)
    {
        ACalls.insert(ACalls.begin(), "EUSetFileStoreSettings");
        return ACalls;
    }
    TArgs ArgsOf(const std::string& AName) { return Fake().CallsNamed(AName).at(0).Args; }

    TSign FSign;
};

TEST_F(CreatorSettingsTest, AuthorityServersGoIntoTheLibraryWithTheFileStoreFirst)
{
    ASSERT_FALSE(TParam::GetSetCertificateFolder());

    EXPECT_TRUE(Apply("АЦСК Тест"));

    EXPECT_EQ(Fake().CallNames(), WithFileStore(ServerCalls));
    const std::string folder = (ProgramData() / "Certificates").string();
    EXPECT_EQ(ArgsOf("EUSetFileStoreSettings"), (TArgs{folder, "0", "1", "0", "0", "0", "1", "3600"}));
    EXPECT_EQ(ArgsOf("EUSetCMPSettings"), (TArgs{"1", "cmp.test.ua", "80", Utf8ToAnsi("АЦСК Тест")}));
    EXPECT_EQ(ArgsOf("EUSetTSPSettings"), (TArgs{"1", "tsp.test.ua", "80"}));
    EXPECT_EQ(ArgsOf("EUSetOCSPSettings"), (TArgs{"1", "1", "ocsp.test.ua", "8080"}));
    EXPECT_EQ(ArgsOf("EUSetProxySettings"), (TArgs{"0", "0", "", "", "", "", "0"}));
    EXPECT_EQ(ArgsOf("EUSetLDAPSettings"), (TArgs{"0", "", "", "0", "", ""}));
    EXPECT_TRUE(TParam::GetSetCertificateFolder());
    EXPECT_EQ(LogLines(), AppliedTest);
}

TEST_F(CreatorSettingsTest, SettingsInForceAreNotAppliedAgainUnderAnyOfTheAuthorityNames)
{
    ASSERT_TRUE(Apply("АЦСК Тест"));
    LogLines();
    Fake().ClearCalls();

    TSign second;
    EXPECT_FALSE(TSignTestAccess::SetCreatorSettings(second, "Test CA old name"));
    EXPECT_FALSE(Apply("АЦСК Тест"));
    EXPECT_TRUE(Fake().Calls.empty());
    EXPECT_TRUE(LogLines().empty());

    // Another authority takes over for every signer; the file store stays as it was.
    EXPECT_TRUE(TSignTestAccess::SetCreatorSettings(second, "Other CA"));
    EXPECT_EQ(Fake().CallNames(), ServerCalls);
    EXPECT_EQ(ArgsOf("EUSetCMPSettings"), (TArgs{"1", "cmp.other.ua", "3180", "Other CA"}));
    EXPECT_EQ(LogLines().size(), 3u);
}

TEST_F(CreatorSettingsTest, FileStoreAlreadySetLeavesTheResultToTheOtherCalls)
{
    TParam::SetSetCertificateFolder(true);
    Fake().Results["EUSetOCSPSettings"] = EU_ERROR_UNKNOWN;

    EXPECT_FALSE(Apply("АЦСК Тест"));
    EXPECT_EQ(Fake().CallNames(), ServerCalls);
    EXPECT_EQ(LogLines(), TLines{NotApplied});

    Fake().Results.clear();
    Fake().ClearCalls();
    EXPECT_TRUE(Apply("АЦСК Тест"));
    EXPECT_EQ(Fake().CallNames(), ServerCalls);
    EXPECT_EQ(LogLines(), AppliedTest);
}

TEST_F(CreatorSettingsTest, AnyRefusedCallLeavesNoAuthorityInForceButEveryCallIsMade)
{
    for (const auto& refused : WithFileStore(ServerCalls)) {
        TParam::SetSetCertificateFolder(false);
        Fake().Results = {{refused, EU_ERROR_BAD_PARAMETER}};
        Fake().ClearCalls();

        EXPECT_FALSE(Apply("АЦСК Тест")) << refused;
        EXPECT_EQ(Fake().CallNames(), WithFileStore(ServerCalls)) << refused;
        EXPECT_EQ(LogLines(), TLines{NotApplied}) << refused;
        // The file store counts as given, whatever the library answered.
        EXPECT_TRUE(TParam::GetSetCertificateFolder()) << refused;
    }
}

TEST_F(CreatorSettingsTest, UnknownOrIncompleteAuthorityChangesNothing)
{
    EXPECT_FALSE(Apply("Unknown CA"));
    EXPECT_FALSE(Apply(""));
    EXPECT_TRUE(LogLines().empty());

    EXPECT_FALSE(Apply("Half CA"));
    EXPECT_EQ(LogLines(), TLines{NotApplied});

    EXPECT_TRUE(Fake().Calls.empty());
    EXPECT_FALSE(TParam::GetSetCertificateFolder());
}

TEST_F(CreatorSettingsTest, ListThatIsNoJsonRaises)
{
    LoadList("not json");
    EXPECT_THROW(Apply("АЦСК Тест"), std::exception);
    EXPECT_TRUE(Fake().Calls.empty());
}

TEST_F(CreatorSettingsTest, KeysLoadedAtOnceApplyTheirAuthoritiesOneAfterTheOther)
{
    TParam::SetSetCertificateFolder(true);
    constexpr int Rounds = 20;
    auto applyAlternately = [](const std::string& AFirst, const std::string& ASecond) {
        TSign sign;
        for (int round = 0; round < Rounds; ++round)
            TSignTestAccess::SetCreatorSettings(sign, round % 2 ? ASecond : AFirst);
    };
    std::thread one(applyAlternately, "АЦСК Тест", "Other CA");
    std::thread two(applyAlternately, "Other CA", "АЦСК Тест");
    one.join();
    two.join();

    const auto names = Fake().CallNames();
    ASSERT_FALSE(names.empty());
    ASSERT_EQ(names.size() % ServerCalls.size(), 0u);
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(names[i], ServerCalls[i % ServerCalls.size()]) << i;
}

}  // namespace
}  // namespace korvel
