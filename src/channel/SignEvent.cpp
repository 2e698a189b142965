#include "channel/SignEvent.h"

#include "channel/RedisChannel.h"
#include "foundation/AppConfig.h"
#include "foundation/Base64.h"
#include "foundation/Log.h"
#include "foundation/OsDescription.h"
#include "foundation/Param.h"
#include "foundation/ProcessInfo.h"
#include "foundation/TextUtils.h"
#include "foundation/WorkerPool.h"

#include <nlohmann/json.hpp>

#include <exception>
#include <mutex>

namespace korvel {

std::atomic<int> TSignEvent::FKeyCount{0};

struct TSignEvent::TRequest {
    std::string Channel;
    std::string SN;
    std::string TypeMsg;
    std::string Key;
    std::string Data;
    bool IncludeTimeStamp = false;
    std::int64_t SignType = 0;
};

namespace {

std::mutex SignersLock;
std::shared_ptr<TActiveKeys> SignersTable;

// The client identifier: the channel name without the first occurrence of its prefix, in any case.
std::string ClientOf(const std::string& AChannel)
{
    const std::string prefix = TRedisChannel::ChannelPrefix;
    const std::size_t at = AsciiLower(AChannel).find(prefix);
    if (at == std::string::npos)
        return AChannel;
    return AChannel.substr(0, at) + AChannel.substr(at + prefix.size());
}

std::string LogReport()
{
    const std::string& session = AppConfig().acSessionId;
    return std::string(IsServiceRole() ? "Service ID: " : "App ID: ") + session + "\r\nSession ID: " + session +
           "\r\n" + TLog::GetLog();
}

}  // namespace

void TSignEvent::SetSigners(std::shared_ptr<TActiveKeys> ASigners)
{
    std::lock_guard lock(SignersLock);
    SignersTable = std::move(ASigners);
}

std::shared_ptr<TActiveKeys> TSignEvent::Signers()
{
    std::lock_guard lock(SignersLock);
    return SignersTable;
}

void TSignEvent::OnMessageFromServer(const std::string& AChannel, const std::string& ASN, const std::string& ATypeMsg,
                                     const std::string& AKey, const std::string& AData, bool AIncludeTimeStamp,
                                     std::int64_t ASignType)
{
    try {
        TRequest request{AChannel, ASN, ATypeMsg, AKey, AData, AIncludeTimeStamp, ASignType};
        if (FKeyCount > ThreadThreshold && !TParam::GetSkipThread())
            TWorkerPool::Shared().Run([request = std::move(request)] { RunRequest(request); });
        else
            RunRequest(request);
    } catch (const std::exception& error) {
        TLog::Log("OnMessage: " + std::string(error.what()));
    }
}

void TSignEvent::RunRequest(const TRequest& ARequest)
{
    try {
        const std::string type = AsciiUpper(ARequest.TypeMsg);
        if (type == "SIGN" || type == "SIGN_HASH") {
            RunSignRequest(ARequest, type == "SIGN_HASH");
            return;
        }
        const auto signers = Signers();
        if (!signers || !signers->Contains(ARequest.SN))
            return;
        if (type == "VERSION")
            SendReply(ARequest, GetActivateJson(true, "", true));
        else if (type == "LOG")
            SendReply(ARequest, Base64EncodeClosedLines(LogReport()));
    } catch (const std::exception& error) {
        TLog::Log("OnMessage: " + std::string(error.what()));
    }
}

void TSignEvent::RunSignRequest(const TRequest& ARequest, bool AHash)
{
    TLog::Log("Запит " + std::string(AHash ? "підпис хешу" : "підпису") + " [" + ARequest.SN + ":" + ARequest.Key +
              ": " + ClientOf(ARequest.Channel) + "] ");
    try {
        std::string result;
        // The copy keeps the signer alive while it signs, even if its key is deactivated meanwhile.
        if (const auto signers = Signers()) {
            if (const TActiveKeys::TSigner signer = signers->Find(ARequest.SN)) {
                result = AHash ? signer->SignHash(ARequest.Data, ARequest.SignType, ARequest.IncludeTimeStamp)
                               : signer->SignData(ARequest.Data, ARequest.SignType, ARequest.IncludeTimeStamp);
            }
        }
        if (ARequest.Data.empty()) {
            TLog::Log(ARequest.SN + " OnMessage (SIGN): <відсутні дані>");
            return;
        }
        TRedisChannel::SendData(TRedisChannel::ChannelPrefix + ARequest.Key, ARequest.SN, ARequest.TypeMsg,
                                ARequest.Key, result, false);
    } catch (const std::exception& error) {
        TLog::Log(ARequest.SN + " OnMessage (SIGN): " + error.what());
    }
}

void TSignEvent::SendReply(const TRequest& ARequest, const std::string& AData)
{
    TRedisChannel::SendData(TRedisChannel::ChannelPrefix + ARequest.Key, "", ARequest.TypeMsg, ARequest.Key, AData,
                            false);
}

void TSignEvent::OnIdentify(const std::string& ASN, const std::string& AGuid)
{
    const auto signers = Signers();
    const TActiveKeys::TSigner signer = signers ? signers->Find(ASN) : nullptr;
    if (!signer)
        return;
    const std::string signature = signer->SignData("TEST", 4, false);
    if (signature.empty())
        return;
    TRedisChannel::SendData(TRedisChannel::IdentifyChannel, ASN, "IDENTIFY", AGuid,
                            GetActivateJson(false, signature, false), true);
}

std::string TSignEvent::GetActivateJson(bool AIsObject, const std::string& ASignData, bool AAddCountThread)
{
    const bool service = IsServiceRole();
    const std::string& session = AppConfig().acSessionId;
    const auto signers = Signers();

    nlohmann::ordered_json info;
    info["APP"] = AppConfig().acAppVersion;
    info["signed"] = ASignData;
    info["os"] = GetOsDescription();
    info["COMP"] = GetLocalComputerName();
    info["channel"] = service ? TParam::GetAppId() : session;
    info["version"] = AppConfig().acAppVersion;
    info[service ? "service_id" : "app_id"] = session;
    info["key_count"] = FKeyCount.load();
    info["key_count_active"] = signers ? signers->Count() : 0;
    info["auto_update"] = TParam::GetAutoUpdate();
    info["auto_update_planner"] = TParam::GetAutoUpdatePlanner();
    info["auto_update_from"] = std::to_string(TParam::GetAutoUpdateFrom());
    info["auto_update_to"] = std::to_string(TParam::GetAutoUpdateTo());
    info["auto_update_only_work_day"] = TParam::GetAutoUpdateOnlyWorkDay();
    if (AAddCountThread)
        info["thread_count"] = GetProcessThreadCount();

    const std::string text = info.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    return AIsObject ? text : "[" + text + "]";
}

void TSignEvent::ResetForTests()
{
    SetSigners(nullptr);
    FKeyCount = 0;
}

}  // namespace korvel
