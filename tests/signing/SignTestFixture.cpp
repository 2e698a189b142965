#include "SignTestFixture.h"

#include "foundation/Log.h"
#include "foundation/LogWindowLines.h"
#include "foundation/Param.h"
#include "signing/SignState.h"

#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>

namespace korvel::test {

SignTest::SignTest()
{
    std::filesystem::create_directories(ProgramData());
    // Held for the whole test, so the fake's script outlives every load and unload by the signer.
    FFakeHandle = ::dlopen(FAKE_SIGN_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!FFakeHandle)
        throw std::runtime_error(std::string("cannot load the fake signing library: ") + ::dlerror());
    using TScriptEntry = TFakeSignLibraryScript* (*)();
    FScript = reinterpret_cast<TScriptEntry>(::dlsym(FFakeHandle, "FakeSignLibraryScript"))();
}

SignTest::~SignTest()
{
    ::dlclose(FFakeHandle);
}

void SignTest::SetUp()
{
    TSign::ResetForTests();
    TLog::ResetForTests();
    FLog = std::make_shared<TLogWindowLines>();
    TLog::AttachWindowLines(FLog);
    Fake().Reset();
    TParam::WriteValue("SIGN_LIBRARY", FAKE_SIGN_LIBRARY);
    TParam::WriteValue("TLS_CA_FILE", FCertificates.CaFile().string());
    TParam::WriteValue("WEB_URL", FNoServer.Url(""));
    TParam::WriteValue("WEB_TEST_URL", FNoServer.Url(""));
}

void SignTest::TearDown()
{
    TSign::ResetForTests();
    TLog::ResetForTests();
}

std::vector<std::string> SignTest::LogLines()
{
    std::vector<std::string> lines;
    for (const auto& line : FLog->TakePending())
        lines.push_back(line.substr(line.find(": ") + 2));
    return lines;
}

void SignTest::ServeWeb(const HttpsServer& AServer)
{
    TParam::WriteValue("WEB_URL", AServer.Url(""));
}

void SignTest::ServeTestWeb(const HttpsServer& AServer)
{
    TParam::WriteValue("WEB_TEST_URL", AServer.Url(""));
}

void SignTest::LoadList(const std::string& AJson)
{
    SignState().SetCreatorsJson(AJson);
}

void SignTest::InitialiseLibrary()
{
    const std::string list = SignState().CreatorsJson();
    TSign::InitialLibrary();
    SignState().SetCreatorsJson(list);
    LogLines();
    Fake().ClearCalls();
}

std::string SignTest::RaisedBy(const std::function<void()>& AAction)
{
    try {
        AAction();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "nothing raised";
}

}  // namespace korvel::test
