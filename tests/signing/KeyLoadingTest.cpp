// Key loading against the scripted library: what each kind of key hands the library, every
// failure's message, and that a failed read leaves no handle behind.

#include "SignTestFixture.h"

#include "foundation/DateTime.h"
#include "foundation/Param.h"
#include "foundation/TextCodec.h"
#include "signlib/SignLibrary.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>

namespace korvel {
namespace {

using test::HttpsServer;
using test::ServerIdentity;
using test::SignTest;
using test::TFakeCall;
using test::TFakeCertificate;
using test::TFakeSignLibraryScript;
using TArgs = std::vector<std::string>;
using TLines = std::vector<std::string>;

const std::string& List = test::FileAndCloudAuthorities;
const std::string Error = test::FakeError;

class KeyLoadingTest : public SignTest {
protected:
    void SetUp() override
    {
        SignTest::SetUp();
        LoadList(List);
        InitialiseLibrary();
        TParam::SetSetCertificateFolder(true);
        FKey.pkIsFile = true;
        FKey.pkCreatorName = "АЦСК Тест";
        FKey.pkPassword = "пароль";
        FKey.pkFileName = KeyFile("key.pfx");
    }

    // An existing key file; the scripted library never reads it.
    std::string KeyFile(const std::string& AName) const
    {
        const auto file = FFolder.Path() / AName;
        std::filesystem::create_directories(file.parent_path());
        test::WriteFileBytes(file, "key");
        return file.string();
    }

    TPrivateKey DeviceKey(const std::string& ADeviceName) const
    {
        TPrivateKey key = FKey;
        key.pkIsFile = false;
        key.pkFileName.clear();
        key.pkDeviceName = ADeviceName;
        key.pkTypeIndex = 2;
        key.pkDeviceIndex = 1;
        return key;
    }

    // Loads FKey into a new signer; the signer is dropped, so its handles are released.
    bool Load() { return Load(FKey); }
    bool Load(const TPrivateKey& AKey)
    {
        TSign sign;
        return sign.InitialKey(AKey);
    }
    // What loading FKey raised.
    std::string LoadFailure()
    {
        return RaisedBy([this] { Load(); });
    }
    // The calls after the authority was put into the library.
    std::vector<std::string> KeyCalls()
    {
        std::vector<std::string> names;
        for (const auto& name : Fake().CallNames())
            if (!name.starts_with("EUSet") && name != "EUGetErrorLangDesc")
                names.push_back(name);
        return names;
    }
    TArgs ArgsOf(const std::string& AName) { return Fake().CallsNamed(AName).at(0).Args; }
    // Log lines without those of the authority's settings.
    TLines KeyLogLines()
    {
        TLines lines;
        for (const auto& line : LogLines())
            if (!line.starts_with("Встановлення налаштувань АЦСК") && !line.starts_with("  "))
                lines.push_back(line);
        return lines;
    }

    TPrivateKey FKey;
};

const std::vector<std::string> CertificateCalls = {"EUCtxFreeCertOwnerInfo", "EUCtxEnumOwnCertificates",
                                                   "EUCtxFreeCertificateInfoEx", "EUCtxFreeMemory"};

std::vector<std::string> Joined(std::vector<std::string> AFirst, const std::vector<std::string>& ASecond)
{
    AFirst.insert(AFirst.end(), ASecond.begin(), ASecond.end());
    return AFirst;
}

TEST_F(KeyLoadingTest, WithoutTheLibraryNothingLoads)
{
    TSign::DeInitialLibrary();
    Fake().ClearCalls();

    EXPECT_EQ(LoadFailure(), "Не ініціалізована бібліотека підпису");
    EXPECT_TRUE(Fake().Calls.empty());
}

TEST_F(KeyLoadingTest, FileKeyIsReadWithItsPasswordAndTheCertificateDataAreTaken)
{
    TFakeCertificate certificate;
    certificate.Serial = "5E984D526F82F38F";
    certificate.SubjFullName = Utf8ToAnsi("Шевченко Тарас Григорович");
    certificate.SubjOrg = Utf8ToAnsi("ТОВ \"Кобзар\"");
    Fake().OwnCertificate = certificate;
    FKey.pkFileName = KeyFile("ключі/key.pfx");

    TSign sign;
    ASSERT_TRUE(sign.InitialKey(FKey));

    EXPECT_EQ(KeyCalls(), Joined({"EUCtxCreate", "EUCtxReadPrivateKeyFile"}, CertificateCalls));
    EXPECT_EQ(ArgsOf("EUCtxReadPrivateKeyFile"), (TArgs{Utf8ToAnsi(FKey.pkFileName), Utf8ToAnsi("пароль")}));
    EXPECT_EQ(ArgsOf("EUCtxEnumOwnCertificates"), TArgs{"0"});
    EXPECT_EQ(LogLines(), (TLines{"Встановлення налаштувань АЦСК (АЦСК Тест) - виконано",
                                  "  Сервер CMP/TSP/OSCP: cmp.test.ua  tsp.test.ua  ocsp.test.ua",
                                  "  Порт CMP/TSP/OSCP: 80/80/8080", "Загрузка ключа із файлу " + FKey.pkFileName,
                                  "Ключ загружений успішно (5E984D526F82F38F)"}));
    const TCertInfoRec& info = sign.CertInfo();
    EXPECT_EQ(info.Serial, "5E984D526F82F38F");
    EXPECT_EQ(info.SubjFullName, "Шевченко Тарас Григорович");
    EXPECT_EQ(info.SubjOrg, "ТОВ \"Кобзар\"");
    EXPECT_EQ(info.SubjDRFOCode, "1234567890");
    EXPECT_EQ(info.SubjEDRPOUCode, "12345678");
    EXPECT_EQ(sign.PrivatKey().pkFileName, FKey.pkFileName);
    EXPECT_EQ(sign.PrivatKey().pkPassword, FKey.pkPassword);
    EXPECT_EQ(Fake().Outstanding, 0);
}

// The process's time zone for the life of the guard.
class TimeZoneGuard {
public:
    explicit TimeZoneGuard(const std::string& AZone) : FZone(std::in_place, "TZ", AZone) { ::tzset(); }
    ~TimeZoneGuard()
    {
        FZone.reset();
        ::tzset();
    }

private:
    std::optional<test::EnvGuard> FZone;
};

TEST_F(KeyLoadingTest, EndOfValidityInUtcBecomesLocalDateTime)
{
    struct TCase {
        std::string Zone;
        TDateTimeParts Local;
    };
    // The certificate ends 31.12.2049 23:59:58.250 UTC.
    const TCase cases[] = {
        {"UTC0", {2049, 12, 31, 23, 59, 58, 250}},
        {"XYZ-3", {2050, 1, 1, 2, 59, 58, 250}},
        {"XYZ5", {2049, 12, 31, 18, 59, 58, 250}},
    };
    TFakeCertificate certificate;
    certificate.EndTime.wMilliseconds = 250;
    Fake().OwnCertificate = certificate;
    for (const auto& test : cases) {
        const TimeZoneGuard zone(test.Zone);
        TSign sign;
        ASSERT_TRUE(sign.InitialKey(FKey)) << test.Zone;
        EXPECT_EQ(DecodeDateTime(sign.CertInfo().CertEndTime), test.Local) << test.Zone;
    }
}

TEST_F(KeyLoadingTest, EveryFailureIsRaisedWithItsMessageAndLeavesNoHandle)
{
    using TArrange = std::function<void(TFakeSignLibraryScript&, TPrivateKey&)>;
    struct TCase {
        std::string Name;
        TArrange Arrange;
        std::string Message;
        std::vector<std::string> Calls;  // from the context's creation on
    };
    const std::string absent = (FFolder.Path() / "absent.pfx").string();
    const std::string folder = FFolder.Path().string();
    const std::string store = KeyFile("store.jks");
    const TPrivateKey device = DeviceKey("[token] PKCS#11");
    const TCase cases[] = {
        {"context",
         [](auto& f, auto&) { f.Results["EUCtxCreate"] = EU_ERROR_NOT_ENOUGH_MEMORY; },
         "CtxCreate: " + Error + " (4)",
         {"EUCtxCreate"}},
        {"absent file",
         [&](auto&, auto& k) { k.pkFileName = absent; },
         "Відсутній файл " + absent,
         {"EUCtxCreate", "EUCtxFree"}},
        {"folder for a file",
         [&](auto&, auto& k) { k.pkFileName = folder; },
         "Відсутній файл " + folder,
         {"EUCtxCreate", "EUCtxFree"}},
        {"key file",
         [](auto& f, auto&) { f.Results["EUCtxReadPrivateKeyFile"] = EU_ERROR_BAD_PASSWORD; },
         "ReadKeyFromFile: " + Error + " (8)",
         {"EUCtxCreate", "EUCtxReadPrivateKeyFile", "EUCtxFree"}},
        {"jks key",
         [&](auto& f, auto& k) {
             k.pkFileName = store;
             f.JksAliases = {"signer"};
             f.Results["EUCtxReadPrivateKeyBinary"] = EU_ERROR_BAD_PASSWORD;
         },
         "ReadKeyFromFile: " + Error + " (8)",
         {"EUCtxCreate", "EUEnumJKSPrivateKeysFile", "EUFreeMemory", "EUEnumJKSPrivateKeysFile",
          "EUGetJKSPrivateKeyFile", "EUCtxReadPrivateKeyBinary", "EUFreeMemory", "EUCtxFree"}},
        {"device key",
         [&](auto& f, auto& k) {
             k = device;
             f.Results["EUCtxReadPrivateKey"] = EU_ERROR_MEDIA_LOGIN;
         },
         "ReadKeyFromDevice:" + Error + " (21)",
         {"EUCtxCreate", "EUCtxReadPrivateKey", "EUCtxFree"}},
        {"certificate refused",
         [](auto& f, auto&) { f.Results["EUCtxEnumOwnCertificates"] = EU_ERROR_CERT_NOT_FOUND; },
         "CtxEnumOwnCertificates: " + Error + " (11)",
         {"EUCtxCreate", "EUCtxReadPrivateKeyFile", "EUCtxFreeCertOwnerInfo", "EUCtxEnumOwnCertificates",
          "EUCtxFreePrivateKey", "EUCtxFree"}},
        {"no certificate",
         [](auto& f, auto&) { f.OwnCertificate.reset(); },
         "CtxEnumOwnCertificates: " + Error + " (7)",
         {"EUCtxCreate", "EUCtxReadPrivateKeyFile", "EUCtxFreeCertOwnerInfo", "EUCtxEnumOwnCertificates",
          "EUCtxFreePrivateKey", "EUCtxFree"}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Name);
        TPrivateKey key = FKey;
        Fake().Reset();
        LogLines();
        test.Arrange(Fake(), key);

        TSign sign;
        EXPECT_EQ(RaisedBy([&] { sign.InitialKey(key); }), test.Message);
        EXPECT_FALSE(TSignTestAccess::HoldsHandles(sign));
        EXPECT_EQ(KeyCalls(), test.Calls);
        EXPECT_EQ(sign.PrivatKey().pkCreatorName, "");
        EXPECT_EQ(Fake().Outstanding, 0);
        for (const auto& line : LogLines())
            EXPECT_FALSE(line.starts_with("Ключ загружений")) << line;
    }
}

TEST_F(KeyLoadingTest, MissingSettingIsLoggedThenRaisedAndTheContextIsReleasedByTheSigner)
{
    struct TCase {
        std::function<void(TPrivateKey&)> Arrange;
        std::string Logged;
    };
    const TCase cases[] = {
        {[](auto& k) { k.pkCreatorName.clear(); }, "АЦСК не вказаний"},
        {[](auto& k) { k.pkPassword.clear(); }, "Для приватного ключа не вказаний пароль"},
        {[](auto& k) { k.pkFileName.clear(); }, "Файл з приватним ключом не обрано"},
        {[](auto& k) { k.pkIsFile = false; }, "Приватний ключ не обрано"},
        {[](auto& k) {
             k.pkIsFile = false;
             k.pkCreatorName = "Хмарний";
         },
         "Для приватного ключа не вказаний користувач (логін)"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Logged);
        TPrivateKey key = FKey;
        test.Arrange(key);
        Fake().ClearCalls();
        LogLines();
        {
            TSign sign;
            EXPECT_EQ(RaisedBy([&] { sign.InitialKey(key); }), "ERROR. Не всі поля заповнені.");
            EXPECT_TRUE(TSignTestAccess::HoldsHandles(sign)) << "the context stays until the signer goes";
        }
        EXPECT_EQ(KeyCalls(), (std::vector<std::string>{"EUCtxCreate", "EUCtxFree"}));
        const TLines lines = KeyLogLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), test.Logged);
    }
}

TEST_F(KeyLoadingTest, OnlyTheLowerCaseJksExtensionOpensAContainer)
{
    struct TCase {
        std::string Name;
        bool Container;
    };
    const TCase cases[] = {
        {"store.jks", true},      {"store.JKS", false},          {"store.Jks", false},
        {"store.jks.bak", false}, {"folder.jks/key.pfx", false}, {"store", false},
    };
    Fake().JksAliases = {"signer"};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Name);
        FKey.pkFileName = KeyFile(test.Name);
        Fake().ClearCalls();

        EXPECT_TRUE(Load());
        EXPECT_EQ(Fake().CallsNamed("EUEnumJKSPrivateKeysFile").empty(), !test.Container);
        EXPECT_EQ(Fake().CallsNamed("EUCtxReadPrivateKeyBinary").size(), test.Container ? 1u : 0u);
        EXPECT_EQ(Fake().CallsNamed("EUCtxReadPrivateKeyFile").size(), test.Container ? 0u : 1u);
    }
}

TEST_F(KeyLoadingTest, ContainerKeyIsTheFirstAliasOpenedWithTheKeyPassword)
{
    FKey.pkFileName = KeyFile("сховище.jks");
    Fake().JksAliases = {Utf8ToAnsi("перший"), "second"};
    Fake().JksKey = "protected key";
    const std::string file = Utf8ToAnsi(FKey.pkFileName);

    TSign sign;
    ASSERT_TRUE(sign.InitialKey(FKey));

    const auto listed = Fake().CallsNamed("EUEnumJKSPrivateKeysFile");
    ASSERT_EQ(listed.size(), 3u);
    for (std::size_t index = 0; index < listed.size(); ++index)
        EXPECT_EQ(listed[index].Args, (TArgs{file, std::to_string(index)}));
    EXPECT_EQ(ArgsOf("EUGetJKSPrivateKeyFile"), (TArgs{file, Utf8ToAnsi("перший")}));
    EXPECT_EQ(ArgsOf("EUCtxReadPrivateKeyBinary"), (TArgs{"protected key", Utf8ToAnsi("пароль")}));
    EXPECT_EQ(Fake().Outstanding, 0);
    EXPECT_EQ(KeyLogLines(),
              (TLines{"Загрузка ключа із файлу " + FKey.pkFileName, "Ключ загружений успішно (1A2B3C)"}));
}

TEST_F(KeyLoadingTest, ContainerWithoutAUsableKeyGivesNoKey)
{
    struct TCase {
        std::string Name;
        std::function<void(TFakeSignLibraryScript&)> Arrange;
        TLines Logged;  // after the loading line
    };
    const TCase cases[] = {
        {"no key listed", [](auto&) {}, {}},
        {"third alias fails",
         [](auto& f) {
             f.JksAliases = {"first", "second"};
             f.JksEnumFailure = EU_ERROR_JKS_FORMAT;
         },
         {"Помилка при отриманні списку ключів. Опис помилки: " + Error + " (22)"}},
        {"key bytes refused",
         [](auto& f) {
             f.JksAliases = {"first"};
             f.Results["EUGetJKSPrivateKeyFile"] = EU_ERROR_JKS_ALIAS_NOT_FOUND;
         },
         {"*Помилка при отриманні основних даних. Опис помилки: " + Error + " (23)"}},
    };
    FKey.pkFileName = KeyFile("store.jks");
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Name);
        Fake().Reset();
        LogLines();
        test.Arrange(Fake());

        TSign sign;
        EXPECT_FALSE(sign.InitialKey(FKey));
        EXPECT_TRUE(Fake().CallsNamed("EUCtxReadPrivateKeyBinary").empty());
        EXPECT_EQ(sign.PrivatKey().pkFileName, "");
        EXPECT_EQ(KeyLogLines(), Joined({"Загрузка ключа із файлу " + FKey.pkFileName}, test.Logged));
        EXPECT_EQ(Fake().Outstanding, 0);
    }
    EXPECT_EQ(Fake().CallsNamed("EUGetJKSPrivateKeyFile").size(), 1u);
}

TEST_F(KeyLoadingTest, ContainerAliasesAreListedUpToFiftyTwo)
{
    FKey.pkFileName = KeyFile("store.jks");
    for (int alias = 0; alias < 60; ++alias)
        Fake().JksAliases.push_back("alias" + std::to_string(alias));

    EXPECT_TRUE(Load());
    EXPECT_EQ(Fake().CallsNamed("EUEnumJKSPrivateKeysFile").size(), 52u);
    EXPECT_EQ(ArgsOf("EUGetJKSPrivateKeyFile").at(1), "alias0");
    EXPECT_EQ(Fake().Outstanding, 0);
}

TEST_F(KeyLoadingTest, DeviceGetsItsIndexesAndThePasswordItsModelExpects)
{
    struct TCase {
        std::string DeviceName;
        std::string Password;  // as the library receives it, UTF-8 here
    };
    const TCase cases[] = {
        {"[Гряда] ІІТ Гряда-301", "##оператор##пароль"},
        {"[token] PKCS#11 SoftHSM", "пароль"},
        {"ІІТ Гряда-301 (мережевий)", "пароль"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.DeviceName);
        TPrivateKey key = DeviceKey(test.DeviceName);
        key.pkLogin = "оператор";
        Fake().ClearCalls();
        LogLines();

        EXPECT_TRUE(Load(key));
        EXPECT_EQ(ArgsOf("EUCtxReadPrivateKey"), (TArgs{"2", "1", Utf8ToAnsi(test.Password)}));
        EXPECT_EQ(KeyLogLines(),
                  (TLines{"Загрузка ключа із device " + test.DeviceName, "Ключ загружений успішно (1A2B3C)"}));
    }
}

TEST_F(KeyLoadingTest, DevicePasswordLongerThanTheFieldIsRefusedNotCut)
{
    struct TCase {
        std::string Name;
        std::string Login;
        std::string Password;
        bool Fits;
    };
    const TCase cases[] = {
        {"64 bytes", "", std::string(64, 'p'), true},
        {"65 bytes", "", std::string(65, 'p'), false},
        // Counted in the 8-bit code page: 64 Cyrillic letters are 64 bytes there.
        {"64 Cyrillic letters", "",
         [] {
             std::string text;
             for (int i = 0; i < 64; ++i)
                 text += "ж";
             return text;
         }(),
         true},
        // The network model's password carries the login.
        {"login combined", "user", std::string(57, 'p'), false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Name);
        TPrivateKey key = DeviceKey(test.Login.empty() ? "[token] PKCS#11" : "[Гряда] ІІТ Гряда-301");
        key.pkLogin = test.Login;
        key.pkPassword = test.Password;
        Fake().ClearCalls();

        TSign sign;
        if (test.Fits) {
            EXPECT_TRUE(sign.InitialKey(key));
            EXPECT_EQ(ArgsOf("EUCtxReadPrivateKey").at(2), Utf8ToAnsi(test.Password));
            continue;
        }
        EXPECT_EQ(RaisedBy([&] { sign.InitialKey(key); }),
                  "ReadKeyFromDevice:Пароль до носія ключа довший за 64 байти");
        EXPECT_TRUE(Fake().CallsNamed("EUCtxReadPrivateKey").empty());
        EXPECT_FALSE(TSignTestAccess::HoldsHandles(sign));
    }
}

TEST_F(KeyLoadingTest, CloudKeyProvesItselfWithATestSignatureAndTakesTheCertificateData)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Post("/api/v1/cloud-sign",
                         server.Reply(200, R"({"signed": "MIIB", "signer": {"serial": "C10D", "subjFullName":
                         "Петренко Петро", "subjEDRPOUCode": "12345678"}})"));
    server.Start();
    ServeWeb(server);
    TPrivateKey key = DeviceKey("");
    key.pkCreatorName = "Хмарний";
    key.pkLogin = "3012345678";

    TSign sign;
    ASSERT_TRUE(sign.InitialKey(key));

    EXPECT_EQ(KeyCalls(), TLines{"EUCtxCreate"});
    const std::string body = server.Recorded().Requests().at(0).Body;
    EXPECT_NE(body.find("data=Test&"), std::string::npos) << body;
    EXPECT_NE(body.find("sign_type_cades=4&"), std::string::npos) << body;
    EXPECT_NE(body.find("include_content_timestamp=0"), std::string::npos) << body;
    EXPECT_EQ(sign.CertInfo().Serial, "C10D");
    EXPECT_EQ(sign.CertInfo().SubjFullName, "Петренко Петро");
    EXPECT_EQ(LogLines().back(), "Ключ загружений успішно (C10D)");
    EXPECT_EQ(sign.PrivatKey().pkLogin, "3012345678");
}

TEST_F(KeyLoadingTest, CloudAnswerWithoutASignatureLoadsNothing)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Post("/api/v1/cloud-sign", server.Reply(200, R"({"signer": {"serial": "C10D"}})"));
    server.Start();
    ServeWeb(server);
    TPrivateKey key = DeviceKey("");
    key.pkCreatorName = "Хмарний";
    key.pkLogin = "3012345678";

    TSign sign;
    EXPECT_FALSE(sign.InitialKey(key));
    EXPECT_EQ(sign.CertInfo().Serial, "C10D") << "the answer's certificate data are kept";
    EXPECT_EQ(sign.PrivatKey().pkCreatorName, "");
}

TEST_F(KeyLoadingTest, KeyFileOfACloudAuthorityIsReadFromItsFileWithoutALogin)
{
    FKey.pkCreatorName = "Хмарний";
    FKey.pkLogin.clear();

    EXPECT_TRUE(Load());
    EXPECT_EQ(Fake().CallsNamed("EUCtxReadPrivateKeyFile").size(), 1u);
}

}  // namespace
}  // namespace korvel
