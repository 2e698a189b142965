#include "SignTestFixture.h"

#include "foundation/Param.h"
#include "foundation/TextCodec.h"
#include "signing/LibraryBinding.h"
#include "signing/SignState.h"

#include <functional>

namespace korvel {
namespace {

using test::HttpsServer;
using test::ServerIdentity;
using test::SignTest;

const std::string Initialised = "Ініціалізація бібліотеки підпису - виконано";
const std::string NotInitialised = "Бібліотека підпису не ініціалізована";

class SignLibraryLifecycleTest : public SignTest {
protected:
    std::filesystem::path CertificatesFile() const { return ProgramData() / "Certificates" / "CACertificates.p7b"; }

    static bool StartsWith(const std::string& AText, const std::string& APrefix) { return AText.starts_with(APrefix); }
};

struct TLoadFailureCase {
    const char* Name;
    std::function<void(SignTest&, test::TFakeSignLibraryScript&)> Arrange;
    const char* Message;
    std::vector<std::string> Calls;  // what the library saw
};

TEST_F(SignLibraryLifecycleTest, FailedStartRaisesItsMessageAndLeavesNothingLoaded)
{
    const TLoadFailureCase cases[] = {
        {"library missing",
         [](SignTest&, test::TFakeSignLibraryScript&) { TParam::WriteValue("SIGN_LIBRARY", "/nonexistent/lib.so"); },
         "EULoadDLL: Помилка при загрузці криптографічної бібліотеки",
         {}},
        {"entry point missing",
         [](SignTest&, test::TFakeSignLibraryScript&) {
             TParam::WriteValue("SIGN_LIBRARY", FAKE_SIGN_LIBRARY_INCOMPLETE);
         },
         "EULoadDLL: Помилка при загрузці криптографічної бібліотеки",
         {}},
        {"initialisation refused",
         [](SignTest&, test::TFakeSignLibraryScript& AFake) { AFake.InitializeResult = EU_ERROR_UNKNOWN; },
         "CPInterface.Initialize: Помилка при загрузці криптографічної бібліотеки",
         {"EUInitialize"}},
        {"mode settings unreadable",
         [](SignTest&, test::TFakeSignLibraryScript& AFake) { AFake.GetModeSettingsResult = EU_ERROR_UNKNOWN; },
         "GetModeSettings: Помилка при загрузці криптографічної бібліотеки",
         {"EUInitialize", "EUGetModeSettings", "EUFinalize"}},
    };
    for (const auto& c : cases) {
        Fake().Reset();
        TParam::WriteValue("SIGN_LIBRARY", FAKE_SIGN_LIBRARY);
        c.Arrange(*this, Fake());
        try {
            TSign::InitialLibrary();
            ADD_FAILURE() << c.Name << ": nothing raised";
        } catch (const std::exception& error) {
            EXPECT_EQ(error.what(), std::string(c.Message)) << c.Name;
        }
        EXPECT_EQ(Fake().CallNames(), c.Calls) << c.Name;
        EXPECT_EQ(LibraryInterface(), nullptr) << c.Name;
        EXPECT_EQ(SignState().CPInterface, nullptr) << c.Name;
        EXPECT_TRUE(LogLines().empty()) << c.Name;

        std::vector<std::string> types{"left over"};
        TSign::UpdateDeviceTypeList(types);
        EXPECT_TRUE(types.empty()) << c.Name;
        EXPECT_EQ(LogLines(), std::vector<std::string>{NotInitialised}) << c.Name;

        // A failed start may be tried again.
        Fake().Reset();
        TParam::WriteValue("SIGN_LIBRARY", FAKE_SIGN_LIBRARY);
        TSign::InitialLibrary();
        EXPECT_NE(SignState().CPInterface, nullptr) << c.Name;
        TSign::ResetForTests();
        LogLines();
    }
}

TEST_F(SignLibraryLifecycleTest, StartSwitchesOffTheLibraryWindowsAndClearsTheOfflineFlagOnlyWhenSet)
{
    for (const int offline : {0, 1}) {
        TSign::ResetForTests();
        Fake().Reset();
        Fake().OfflineMode = offline;
        TSign::InitialLibrary();

        std::vector<std::string> expected{"EUInitialize", "EUGetModeSettings", "EUSetUIMode"};
        if (offline)
            expected.push_back("EUSetModeSettings");
        EXPECT_EQ(Fake().CallNames(), expected) << offline;
        EXPECT_EQ(Fake().CallsNamed("EUSetUIMode")[0].Args, std::vector<std::string>{"0"});
        if (offline) {
            EXPECT_EQ(Fake().CallsNamed("EUSetModeSettings")[0].Args, std::vector<std::string>{"0"});
        }
        EXPECT_EQ(SignState().CPInterface, LibraryInterface());
        const auto lines = LogLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), Initialised);
    }
}

TEST_F(SignLibraryLifecycleTest, StartFetchesTheListAndTheCertificatesOnceWhileInitialised)
{
    const std::string list = R"([{"issuerCNs":["АЦСК Тест"]}])";
    const std::string certificates("\x30\x82\x00\x01\xff", 5);
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Get("/certs/cas.json", server.Reply(200, list));
    server.Routes().Get("/certs/CACertificates.p7b", server.Reply(200, certificates, "application/octet-stream"));
    server.Start();
    ServeWeb(server);

    TSign::InitialLibrary();
    EXPECT_EQ(SignState().CreatorsJson(), list);
    EXPECT_EQ(test::ReadFileBytes(CertificatesFile()), certificates);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Отримання списку АЦСК  - виконано", Initialised}));
    EXPECT_EQ(server.Recorded().Count(), 2u);

    Fake().ClearCalls();
    TSign::InitialLibrary();
    EXPECT_TRUE(Fake().Calls.empty());
    EXPECT_TRUE(LogLines().empty());
    EXPECT_EQ(server.Recorded().Count(), 2u);
}

TEST_F(SignLibraryLifecycleTest, CertificatesComeFromTheTestServerInTestMode)
{
    HttpsServer production(FCertificates.For(ServerIdentity::Trusted));
    production.Routes().Get("/certs/CACertificates.p7b", production.Reply(200, "production"));
    production.Start();
    HttpsServer testing(FCertificates.For(ServerIdentity::Trusted));
    testing.Routes().Get("/certs/CACertificates.p7b", testing.Reply(200, "test"));
    testing.Start();
    ServeWeb(production);
    ServeTestWeb(testing);
    TParam::SetDebug(true);

    TSign::GetContainerCertificatesFile();

    EXPECT_EQ(test::ReadFileBytes(CertificatesFile()), "test");
    EXPECT_EQ(production.Recorded().Count(), 0u);
}

TEST_F(SignLibraryLifecycleTest, CertificatesFileIsReplacedOnlyBySuccess)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Get("/certs/CACertificates.p7b", server.Reply(404, "missing"));
    server.Start();
    std::filesystem::create_directories(CertificatesFile().parent_path());
    test::WriteFileBytes(CertificatesFile(), "old");

    ServeWeb(server);
    TSign::GetContainerCertificatesFile();
    EXPECT_EQ(test::ReadFileBytes(CertificatesFile()), "old");

    TParam::WriteValue("WEB_URL", FNoServer.Url(""));
    TSign::GetContainerCertificatesFile();
    EXPECT_EQ(test::ReadFileBytes(CertificatesFile()), "old");
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(StartsWith(lines[0], "Помилка отримання файлу з усіма сертифікатами: ")) << lines[0];
    EXPECT_GT(lines[0].size(), std::string("Помилка отримання файлу з усіма сертифікатами: ").size());
}

TEST_F(SignLibraryLifecycleTest, EndFinalisesOnceAndKeepsTheList)
{
    LoadList(R"([{"issuerCNs":["АЦСК Тест"],"cloud_type":"vchasno"}])");
    InitialiseLibrary();

    TSign::DeInitialLibrary();
    TSign::DeInitialLibrary();

    EXPECT_EQ(Fake().CallNames(), std::vector<std::string>{"EUFinalize"});
    EXPECT_EQ(LogLines(), std::vector<std::string>{"Вигрузка бібліотеки підпису - виконано"});
    EXPECT_EQ(LibraryInterface(), nullptr);
    EXPECT_TRUE(TSign::IsCloudKey("АЦСК Тест"));
}

TEST_F(SignLibraryLifecycleTest, MediaListsKeepTheNamesReadBeforeAnError)
{
    InitialiseLibrary();
    Fake().MediaTypes = {"PKCS11 A", Utf8ToAnsi("ІІТ Гряда-301")};
    Fake().EnumFailure = EU_ERROR_MEDIA;
    Fake().ErrorDescription = Utf8ToAnsi("Помилка носія");

    std::vector<std::string> types{"left over"};
    TSign::UpdateDeviceTypeList(types);

    EXPECT_EQ(types, (std::vector<std::string>{"PKCS11 A", "ІІТ Гряда-301"}));
    EXPECT_EQ(LogLines(), std::vector<std::string>{"UpdateDeviceTypeList: Помилка носія (20)"});
    EXPECT_EQ(Fake().CallsNamed("EUEnumKeyMediaTypes").size(), 3u);
    EXPECT_EQ(Fake().CallsNamed("EUGetErrorLangDesc")[0].Args, (std::vector<std::string>{"20", "1"}));

    Fake().ClearCalls();
    Fake().MediaDevices = {Utf8ToAnsi("Токен №1")};
    std::vector<std::string> devices;
    TSign::UpdateDeviceList(3, devices);
    EXPECT_EQ(devices, std::vector<std::string>{"Токен №1"});
    EXPECT_EQ(LogLines(), std::vector<std::string>{"UpdateDeviceList: Помилка носія (20)"});
    EXPECT_EQ(Fake().CallsNamed("EUEnumKeyMediaDevices")[1].Args, (std::vector<std::string>{"3", "1"}));

    Fake().EnumFailure = 0;
    TSign::UpdateDeviceList(3, devices);
    EXPECT_EQ(devices, std::vector<std::string>{"Токен №1"});
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(SignLibraryLifecycleTest, MediaListsWithoutLibraryStayEmpty)
{
    std::vector<std::string> devices{"left over"};
    TSign::UpdateDeviceList(0, devices);
    EXPECT_TRUE(devices.empty());
    EXPECT_EQ(LogLines(), std::vector<std::string>{NotInitialised});
}

TEST_F(SignLibraryLifecycleTest, DestroyReleasesTheKeyThenTheContextOnlyWhileTheLibraryIsUp)
{
    InitialiseLibrary();
    int context = 0, key = 0;
    {
        TSign unused;
    }
    EXPECT_TRUE(Fake().Calls.empty());

    {
        TSign sign;
        TSignTestAccess::SetHandles(sign, &context, &key);
    }
    EXPECT_EQ(Fake().CallNames(), (std::vector<std::string>{"EUCtxFreePrivateKey", "EUCtxFree"}));

    auto sign = std::make_unique<TSign>();
    TSignTestAccess::SetHandles(*sign, &context, &key);
    TSign::DeInitialLibrary();
    Fake().ClearCalls();
    sign.reset();
    EXPECT_TRUE(Fake().Calls.empty());
}

}  // namespace
}  // namespace korvel
