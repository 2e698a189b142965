// A parsed key resolved against the real signing library's media and authority list, and loaded as the program
// loads it.

#include "SignEnvironment.h"

#include "cli/KeyOptions.h"

#include "fixtures/SoftHsmToken.h"
#include "fixtures/TestJks.h"
#include "signing/Sign.h"

#include <algorithm>

namespace korvel::cli {
namespace {

using test::CloudCreator;
using test::TestCreator;

std::string RaisedBy(const std::function<void()>& AAction)
{
    try {
        AAction();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "nothing raised";
}

std::string IndexText(std::size_t AIndex)
{
    return std::to_string(AIndex);
}

class KeyResolutionTest : public test::SignEnvironment {
protected:
    void SetUp() override
    {
        for (const char* label : {"korvel", "другий", "twin", "twin"})
            FSoftHsm.InitToken(label, "1111", "2222");
        TSign::InitialLibrary();
        TSign::UpdateDeviceTypeList(FTypes);
        ASSERT_EQ(FTypes.size(), 1u);
        TSign::UpdateDeviceList(0, FDevices);
        ASSERT_EQ(FDevices.size(), 4u);
    }

    std::size_t DeviceIndex(const std::string& ALabel) const
    {
        return static_cast<std::size_t>(std::find(FDevices.begin(), FDevices.end(), ALabel) - FDevices.begin());
    }

    static TPrivateKey Parsed(const std::string& ACreator, std::vector<std::string> AOptions)
    {
        AOptions.insert(AOptions.begin(), {"--creator", ACreator});
        AOptions.insert(AOptions.end(), {"--password-env", "KORVEL_TEST_PASSWORD"});
        return ParseKeyOptions(AOptions);
    }

    test::EnvGuard FPassword{"KORVEL_TEST_PASSWORD", test::KeyPassword};
    test::EnvGuard FToken{"KORVEL_TEST_TOKEN", "токен"};
    test::SoftHsmToken FSoftHsm;
    std::vector<std::string> FTypes;
    std::vector<std::string> FDevices;
};

TEST_F(KeyResolutionTest, DeviceTypeAndDeviceAreFoundByNameOrIndex)
{
    const std::string type = FTypes[0];
    const std::size_t device = DeviceIndex("другий");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {type, "другий"}, {"0", IndexText(device)}, {"0", "другий"}, {type, IndexText(device)}};
    for (const auto& [typeOption, deviceOption] : cases) {
        SCOPED_TRACE(typeOption + " / " + deviceOption);
        TPrivateKey key = Parsed(TestCreator, {"--device-type", typeOption, "--device", deviceOption});

        ResolveKeyMedia(key);

        EXPECT_EQ(key.pkTypeIndex, 0);
        EXPECT_EQ(key.pkDeviceIndex, static_cast<std::int32_t>(device));
        EXPECT_EQ(key.pkDeviceName, "[другий] " + type);
        // A resolved key resolves to itself.
        const TPrivateKey resolved = key;
        ResolveKeyMedia(key);
        EXPECT_EQ(key.pkDeviceName, resolved.pkDeviceName);
        EXPECT_EQ(key.pkDeviceIndex, resolved.pkDeviceIndex);
    }
}

TEST_F(KeyResolutionTest, NoMediumOrSeveralAreRefused)
{
    const std::string type = FTypes[0];
    struct TCase {
        std::string Type;
        std::string Device;
        std::string Message;
    };
    const std::string hint = " (korvelctl sign --list-media lists them)";
    const TCase cases[] = {
        {type, "немає", "no key medium matches \"[немає] " + type + "\" ([DEVICE] TYPE as given)" + hint},
        {"інший тип", "korvel", "no key medium matches \"[korvel] інший тип\" ([DEVICE] TYPE as given)" + hint},
        {"0", "4", "no key medium matches type 0, device 4" + hint},
        {"1", "0", "no key medium matches type 1, device 0" + hint},
        {type, "twin",
         "more than one key medium matches \"[twin] " + type + "\" ([DEVICE] TYPE as given): give their indices"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Type + " / " + test.Device);
        TPrivateKey key = Parsed(TestCreator, {"--device-type", test.Type, "--device", test.Device});
        EXPECT_EQ(RaisedBy([&] { ResolveKeyMedia(key); }), test.Message);
    }
}

TEST_F(KeyResolutionTest, TheAuthorityListDecidesWhatACloudKeyIs)
{
    const std::vector<std::string> device = {"--device-type", "0", "--device", "0"};
    const std::vector<std::string> cloud = {"--login", "1234567890", "--token-env", "KORVEL_TEST_TOKEN"};
    const std::vector<std::string> file = {"--file", "/keys/k.p12"};
    struct TCase {
        std::string Creator;
        std::vector<std::string> Options;
        std::string Message;
    };
    const TCase cases[] = {
        {CloudCreator, device,
         "\"" + CloudCreator + "\" is a cloud-signing authority: its keys take --login and --token-env, not a device"},
        {TestCreator, cloud,
         "\"" + TestCreator +
             "\" is no cloud-signing authority of the authority list: its keys need --file or --device-type with "
             "--device"},
        {CloudCreator, cloud, "nothing raised"},
        // The signer reads a key file whatever its authority.
        {CloudCreator, file, "nothing raised"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Creator + " " + test.Options[0]);
        TPrivateKey key = Parsed(test.Creator, test.Options);
        const TPrivateKey parsed = key;
        EXPECT_EQ(RaisedBy([&] { ResolveKeyMedia(key); }), test.Message);
        EXPECT_EQ(key.pkDeviceName, parsed.pkDeviceName);
        EXPECT_EQ(key.pkFileName, parsed.pkFileName);
    }
}

TEST_F(KeyResolutionTest, LoadKeyGivesTheLoadedSignerOrTheReason)
{
    const std::string pkcs12 = WritePkcs12Key().string();
    // A container with a certificate and no key: the signer only answers false.
    const std::string noKey =
        WriteFile("empty.jks",
                  test::JksBuilder()
                      .TrustedCertificate("ca", test::CertificateDer(test::SigningAuthority().Certificate()))
                      .Bytes())
            .string();

    const auto sign = LoadKey(Parsed(TestCreator, {"--file", pkcs12}));
    EXPECT_EQ(sign->CertInfo().Serial, test::SignerSerial);

    TPrivateKey wrongPassword = Parsed(TestCreator, {"--file", pkcs12});
    wrongPassword.pkPassword = "не той";
    EXPECT_EQ(RaisedBy([&] { LoadKey(wrongPassword); }), "ReadKeyFromFile: Невірний пароль до особистого ключа (8)");
    const TPrivateKey noKeyKey = Parsed(TestCreator, {"--file", noKey});
    EXPECT_EQ(RaisedBy([&] { LoadKey(noKeyKey); }), "the key was not loaded: the file holds no key that can be read");
    // A container cut short after its head: the signer logs why its keys cannot be listed.
    const TPrivateKey cutKey = Parsed(
        TestCreator, {"--file", WriteFile("cut.jks", test::JksBuilder().Bytes().substr(0, 8) + test::U32(3)).string()});
    EXPECT_EQ(
        RaisedBy([&] { LoadKey(cutKey); }),
        "the key was not loaded: Помилка при отриманні списку ключів. Опис помилки: Невірний формат файлу JKS (22)");
}

}  // namespace
}  // namespace korvel::cli
