#include "foundation/Param.h"

#include "foundation/Constants.h"
#include "foundation/IniFile.h"
#include "foundation/ProgramFolders.h"
#include "foundation/StrictInt.h"
#include "foundation/TextUtils.h"

#include <algorithm>

namespace korvel {
namespace {

const char* const Section = "APP";

bool ReadBool(const std::string& AKey, const char* ADefault)
{
    return AsciiLower(TParam::ReadValue(AKey, ADefault)) == "true";
}

void WriteBool(const std::string& AKey, bool AValue)
{
    TParam::WriteValue(AKey, AValue ? "true" : "false");
}

int ReadInt(const std::string& AKey, const char* ADefault)
{
    return StrToInt(TParam::ReadValue(AKey, ADefault));
}

std::string ReadText(const std::string& AKey, std::string_view ADefault)
{
    return TParam::ReadValue(AKey, std::string(ADefault));
}

}  // namespace

std::string TParam::FileName()
{
    return GetProgramDataFolder() + "config.ini";
}

std::string TParam::ReadValue(const std::string& AKey, const std::string& ADefault)
{
    return TIniFile(FileName()).ReadString(Section, AKey, ADefault);
}

void TParam::WriteValue(const std::string& AKey, const std::string& AValue)
{
    TIniFile(FileName()).Write(Section, AKey, AValue);
}

bool TParam::GetAutoUpdate()
{
    return ReadBool("AUTO_UPDATE", "true");
}
void TParam::SetAutoUpdate(bool AValue)
{
    WriteBool("AUTO_UPDATE", AValue);
}
bool TParam::GetAutoUpdateOnlyWorkDay()
{
    return ReadBool("AUTO_UPDATE_ONLY_WORK_DAY", "true");
}
void TParam::SetAutoUpdateOnlyWorkDay(bool AValue)
{
    WriteBool("AUTO_UPDATE_ONLY_WORK_DAY", AValue);
}
bool TParam::GetAutoHide()
{
    return ReadBool("AUTO_HIDE", "false");
}
bool TParam::GetAutoUpdatePlanner()
{
    return ReadBool("AUTO_UPDATE_PLANNER", "false");
}
void TParam::SetAutoUpdatePlanner(bool AValue)
{
    WriteBool("AUTO_UPDATE_PLANNER", AValue);
}
int TParam::GetAutoUpdateFrom()
{
    return ReadInt("AUTO_UPDATE_FROM", "10");
}
void TParam::SetAutoUpdateFrom(int AValue)
{
    WriteValue("AUTO_UPDATE_FROM", std::to_string(AValue));
}
int TParam::GetAutoUpdateTo()
{
    return ReadInt("AUTO_UPDATE_TO", "11");
}
void TParam::SetAutoUpdateTo(int AValue)
{
    WriteValue("AUTO_UPDATE_TO", std::to_string(AValue));
}
bool TParam::GetDebug()
{
    return ReadBool("DEBUG", "false");
}
void TParam::SetDebug(bool AValue)
{
    WriteBool("DEBUG", AValue);
}
bool TParam::GetDisabledCheckInternet()
{
    return ReadBool("IS_DISABLED_CHECK_INTERNET", "false");
}
void TParam::SetDisabledCheckInternet(bool AValue)
{
    WriteBool("IS_DISABLED_CHECK_INTERNET", AValue);
}
bool TParam::GetSetCertificateFolder()
{
    return ReadBool("IS_SET_CERTIFICATE_FOLDER", "false");
}
void TParam::SetSetCertificateFolder(bool AValue)
{
    WriteBool("IS_SET_CERTIFICATE_FOLDER", AValue);
}
bool TParam::GetOnlyClientForService()
{
    return ReadBool("ONLY_CLIENT_FOR_SERVICE", "false");
}
bool TParam::GetSkipThread()
{
    return ReadBool("SKIP_THREAD", "false");
}
std::string TParam::GetAppId()
{
    return ReadValue("APP_ID", "");
}
void TParam::SetAppId(const std::string& AValue)
{
    WriteValue("APP_ID", AValue);
}
std::string TParam::GetAuth()
{
    return ReadValue("AUTH", "");
}

std::string TParam::GetRedisHost()
{
    return ReadText("REDIS_HOST", constants::RedisHost);
}
std::string TParam::GetRedisTestHost()
{
    return ReadText("REDIS_TEST_HOST", constants::RedisTestHost);
}
int TParam::GetRedisPort()
{
    return StrToInt(ReadText("REDIS_PORT", std::to_string(constants::RedisPort)));
}
std::string TParam::GetRedisPassword()
{
    return ReadText("REDIS_PASSWORD", constants::RedisPassword);
}
std::string TParam::GetRedisTestPassword()
{
    return ReadText("REDIS_TEST_PASSWORD", constants::RedisTestPassword);
}
std::string TParam::GetWebUrl()
{
    return ReadText("WEB_URL", constants::WebUrl);
}
std::string TParam::GetWebTestUrl()
{
    return ReadText("WEB_TEST_URL", constants::WebTestUrl);
}
std::string TParam::GetApiUrl()
{
    return ReadText("API_URL", constants::ApiUrl);
}
std::string TParam::GetDocsUrl()
{
    return ReadText("DOCS_URL", constants::DocsUrl);
}
std::string TParam::GetServiceUrl()
{
    return ReadText("SERVICE_URL", constants::ServiceUrl);
}
std::string TParam::GetTlsCaFile()
{
    return ReadValue("TLS_CA_FILE", "");
}
std::string TParam::GetSignLibrary()
{
    return ReadText("SIGN_LIBRARY", constants::SignLibrary);
}
std::string TParam::GetPkcs11Modules()
{
    return ReadValue("PKCS11_MODULES", "");
}

}  // namespace korvel
