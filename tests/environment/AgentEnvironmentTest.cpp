// The agent's environment in this process: config.ini leads the program to each local server, the
// demo keys are what their records say, and a signer over the real signing library, set up as an
// agent sets it up, loads a demo key and signs with a time stamp of the local authority.

#include "fixtures/AgentEnvironment.h"
#include "fixtures/ChildProcess.h"
#include "fixtures/CmsVerification.h"
#include "fixtures/TempDir.h"
#include "foundation/Base64.h"
#include "foundation/HttpClient.h"
#include "foundation/Log.h"
#include "foundation/Param.h"
#include "signing/Sign.h"
#include "signlib/SignLibrary.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <openssl/bn.h>
#include <openssl/pkcs12.h>

#include <set>
#include <sstream>

namespace korvel {
namespace {

using test::AgentEnvironment;
using test::DemoKey;

class AgentEnvironmentTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        TSign::ResetForTests();
        TLog::ResetForTests();
    }

    test::TempDir FDir;
    test::EnvGuard FProgramData{"KORVEL_PROGRAMDATA", FDir.Folder() + "programdata/"};
    test::EnvGuard FLogDir{"KORVEL_LOG_DIR", FDir.Folder()};
    test::EnvGuard FConfigHome{"XDG_CONFIG_HOME", FDir.Folder() + "config"};
};

std::string Fetched(const std::string& AUrl)
{
    std::ostringstream body;
    EXPECT_TRUE(HttpGetToStream(AUrl, body, 10)) << AUrl;
    return body.str();
}

std::string CommonNameOf(X509* ACertificate)
{
    char name[256] = {};
    X509_NAME_get_text_by_NID(X509_get_subject_name(ACertificate), NID_commonName, name, sizeof name);
    return name;
}

TEST_F(AgentEnvironmentTest, ConfigLeadsTheProgramToEachLocalServer)
{
    AgentEnvironment environment(FDir.Path() / "environment", "/opt/korvel/libkorvelsign.so");

    EXPECT_EQ(TParam::FileName(), FDir.Folder() + "programdata/config.ini");
    EXPECT_EQ(TParam::GetRedisHost(), "127.0.0.1");
    EXPECT_EQ(TParam::GetRedisTestHost(), "127.0.0.1");
    EXPECT_EQ(TParam::GetRedisPort(), environment.RedisPort());
    EXPECT_EQ(test::RedisCommand(TParam::GetRedisPort(), {"PING"}), "PONG");
    EXPECT_EQ(TParam::GetSignLibrary(), "/opt/korvel/libkorvelsign.so");

    // Fetched by the program's own HTTPS client, which trusts only TLS_CA_FILE beside the system.
    for (const std::string& web : {TParam::GetWebUrl(), TParam::GetWebTestUrl()}) {
        SCOPED_TRACE(web);
        const auto list = nlohmann::json::parse(Fetched(web + "/certs/cas.json"));
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0]["issuerCNs"], nlohmann::json::array({environment.AuthorityName()}));
        EXPECT_EQ(list[0]["tspAddress"], "127.0.0.1");
        EXPECT_EQ(list[0]["tspAddressPort"], std::to_string(environment.TsaPort()));
        EXPECT_EQ(Fetched(web + "/certs/CACertificates.p7b"), test::Pkcs7Bundle({environment.SigningCaCertificate()}));
    }
    EXPECT_TRUE(HttpGetToFile(TParam::GetApiUrl(), ""));
}

TEST_F(AgentEnvironmentTest, SignLibraryIsLeftAsItIsWhenNoneIsGiven)
{
    std::filesystem::create_directories(FDir.Path() / "programdata");
    TParam::WriteValue("SIGN_LIBRARY", "kept.so");
    AgentEnvironment environment(FDir.Path() / "environment");
    EXPECT_EQ(TParam::GetSignLibrary(), "kept.so");
}

TEST_F(AgentEnvironmentTest, RefusesToStartWithoutAProgramDataFolder)
{
    test::EnvGuard unnamed("KORVEL_PROGRAMDATA", "");
    try {
        AgentEnvironment environment(FDir.Path() / "environment");
        FAIL() << "started without a program-data folder";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("KORVEL_PROGRAMDATA"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(FDir.Path() / "environment"));
}

TEST_F(AgentEnvironmentTest, DemoKeysOpenWithThePasswordAndAreWhatTheirRecordsSay)
{
    AgentEnvironment environment(FDir.Path() / "environment");
    environment.MakeKeys(2);
    const std::vector<DemoKey>& keys = environment.MakeKeys(5);
    ASSERT_EQ(keys.size(), 7u);
    EXPECT_EQ(test::ReadFileBytes(environment.PasswordFile()), environment.Password());
    const auto ca = test::ParseCertificate(test::ReadFileBytes(environment.SigningCaFile()));
    EXPECT_EQ(CommonNameOf(ca.get()), environment.AuthorityName());

    std::set<std::string> serials;
    std::set<std::filesystem::path> files;
    for (const DemoKey& key : keys) {
        SCOPED_TRACE(key.File);
        serials.insert(key.Serial);
        files.insert(key.File);
        EXPECT_EQ(key.File.parent_path(), environment.Folder() / "keys");
        EXPECT_EQ(test::OpenPkcs12(test::ReadFileBytes(key.File), "wrong").Key, nullptr);
        const test::OpenedPkcs12 opened = test::OpenPkcs12(test::ReadFileBytes(key.File), environment.Password());
        ASSERT_NE(opened.Key, nullptr);
        EXPECT_EQ(EVP_PKEY_get_base_id(opened.Key.get()), EVP_PKEY_EC);
        EXPECT_EQ(test::CertificateSerialHex(opened.Certificate.get()), key.Serial);
        EXPECT_EQ(CommonNameOf(opened.Certificate.get()), key.CommonName);
        EXPECT_EQ(X509_verify(opened.Certificate.get(), X509_get0_pubkey(ca.get())), 1);
        EXPECT_EQ(opened.ChainLength, 1);
    }
    EXPECT_EQ(serials.size(), keys.size());
    EXPECT_EQ(files.size(), keys.size());
    EXPECT_EQ(keys[0].CommonName, "Шевченко Тарас Григорович");
}

TEST_F(AgentEnvironmentTest, SignerSetUpAsAnAgentLoadsADemoKeyAndSignsWithATimeStamp)
{
    AgentEnvironment environment(FDir.Path() / "environment", REAL_SIGN_LIBRARY);
    const DemoKey key = environment.MakeKeys(1)[0];

    TSign::InitialLibrary();
    TPrivateKey settings;
    settings.pkIsFile = true;
    settings.pkCreatorName = environment.AuthorityName();
    settings.pkFileName = key.File.string();
    settings.pkPassword = environment.Password();
    TSign sign;
    ASSERT_TRUE(sign.InitialKey(settings));
    EXPECT_EQ(sign.CertInfo().Serial, key.Serial);
    EXPECT_EQ(sign.CertInfo().SubjFullName, key.CommonName);

    const std::string signature = sign.SignData(Base64EncodeLine("Договір № 1"), EU_SIGN_TYPE_CADES_T, 0);
    ASSERT_NE(signature, "");
    EXPECT_EQ(environment.Tsa().QueryCount(), 1u);
    const test::CmsVerification verified =
        test::VerifyCms(Base64Decode(signature), environment.SigningCaFile(), FDir.Path());
    ASSERT_TRUE(verified.Verified) << verified.Error;
    EXPECT_EQ(verified.Content, "Договір № 1");
}

}  // namespace
}  // namespace korvel
