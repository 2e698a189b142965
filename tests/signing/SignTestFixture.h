#pragma once

// Shared ground of the signer's tests: temporary program-data and log folders, the fake signing
// library named in config.ini and scripted through its control table, the log captured line by
// line, and a web server address that refuses connections unless a test serves one.

#include "signing/Sign.h"
#include "signing/fake/FakeSignLibraryScript.h"

#include "fixtures/HttpsServer.h"
#include "fixtures/TempDir.h"
#include "fixtures/TestCertificates.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvel {

class TLogWindowLines;

// The signer's private operations, for its tests only.
class TSignTestAccess {
public:
    static bool SetCreatorSettings(TSign& ASign, const std::string& ACreatorName)
    {
        return ASign.SetCreatorSettings(ACreatorName);
    }
    static std::string CloudSign(TSign& ASign, const TPrivateKey& AKey, const std::string& AData, bool AReadSigner,
                                 bool AIncludeTimeStamp, std::int64_t ASignType)
    {
        return ASign.CloudSign(AKey, AData, AReadSigner, AIncludeTimeStamp, ASignType);
    }
    static void SetHandles(TSign& ASign, void* AContext, void* AKey)
    {
        ASign.Context = AContext;
        ASign.Key = AKey;
    }
    static TCertInfoRec& CertInfo(TSign& ASign) { return ASign.FCertInfoRec; }
    static bool HoldsHandles(const TSign& ASign) { return ASign.Context || ASign.Key; }
};

namespace test {

// An authority list of one file-key authority ("АЦСК Тест", servers named but never reached) and one cloud service
// ("Хмарний").
inline const std::string FileAndCloudAuthorities = R"([
  {"issuerCNs": ["АЦСК Тест"], "cmpAddress": "cmp.test.ua", "tspAddress": "tsp.test.ua",
   "tspAddressPort": "80", "ocspAccessPointAddress": "ocsp.test.ua", "ocspAccessPointPort": "8080"},
  {"issuerCNs": ["Хмарний"], "cloud_type": "other-cloud"}
])";

class SignTest : public ::testing::Test {
protected:
    SignTest();
    ~SignTest() override;
    void SetUp() override;
    void TearDown() override;

    // The fake library's control table.
    TFakeSignLibraryScript& Fake() { return *FScript; }
    // Lines logged since the last call, without their time stamps.
    std::vector<std::string> LogLines();

    // Points WEB_URL (and WEB_TEST_URL) at a server of the test.
    void ServeWeb(const HttpsServer& AServer);
    void ServeTestWeb(const HttpsServer& AServer);
    // Puts the list into the signer's process-wide state, as a download would have.
    void LoadList(const std::string& AJson);
    // Starts the library without a web server: nothing is fetched, the list stays as it is.
    void InitialiseLibrary();
    // The text of what AAction raised, "nothing raised" when it returned.
    static std::string RaisedBy(const std::function<void()>& AAction);

    std::filesystem::path ProgramData() const { return FFolder.Path() / "Korvel"; }

    TempDir FFolder;
    EnvGuard FProgramData{"KORVEL_PROGRAMDATA", FFolder.Folder() + "Korvel/"};
    EnvGuard FLogDir{"KORVEL_LOG_DIR", FFolder.Folder() + "log"};
    EnvGuard FConfigHome{"XDG_CONFIG_HOME", FFolder.Folder() + "config"};
    TestCertificates FCertificates{FFolder.Path()};
    ClosedLoopbackPort FNoServer;

private:
    void* FFakeHandle = nullptr;
    TFakeSignLibraryScript* FScript = nullptr;
    std::shared_ptr<TLogWindowLines> FLog;
};

}  // namespace test
}  // namespace korvel
