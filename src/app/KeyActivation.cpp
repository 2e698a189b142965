#include "app/KeyActivation.h"

#include "channel/RedisChannel.h"
#include "channel/SignEvent.h"
#include "foundation/Log.h"
#include "foundation/TextUtils.h"
#include "signing/Sign.h"

#include <memory>
#include <stdexcept>

namespace korvel {

namespace {

// Data "TEST" read as base64, signature type 4, no content time-stamp.
const std::string TestData = "TEST";
constexpr std::int64_t TestSignType = 4;

}  // namespace

bool ActivateKey(TActiveKeys& AKeys, const TPrivateKey& APrivateKey, bool ACheckOnly, std::string& ASN,
                 TCertInfoRec& ACertInfo)
{
    try {
        auto signer = std::make_shared<TSign>();
        if (!signer->InitialKey(APrivateKey))
            return false;
        const std::string signature = signer->SignData(TestData, TestSignType, 0);
        if (Trim(signature).empty())
            return false;
        const TCertInfoRec& certificate = signer->CertInfo();
        if (!ASN.empty() && ASN != certificate.Serial)
            throw std::runtime_error("SN ключа не відповідає ключу, який був раніше доданий");
        if (Trim(certificate.Serial).empty())
            throw std::runtime_error("SN пустий");
        if (AKeys.Contains(certificate.Serial))
            throw std::runtime_error("Ключ " + certificate.Serial + " вже був активований");
        ASN = certificate.Serial;
        ACertInfo = certificate;
        if (ACheckOnly)
            return true;
        // Checked and added under one lock: two activations of one key cannot both succeed.
        if (!AKeys.Add(ASN, signer))
            throw std::runtime_error("Ключ " + ASN + " вже був активований");
        TRedisChannel::AddSubScribe(ASN, TSignEvent::GetActivateJson(false, signature, false));
        return true;
    } catch (const std::exception& error) {
        TLog::Log("ActivateKey: " + std::string(error.what()));
        return false;
    }
}

void DeactivateKey(TActiveKeys& AKeys, const std::string& ASN)
{
    if (!AKeys.Contains(ASN))
        return;
    TRedisChannel::Deactivate(ASN);
    AKeys.Remove(ASN);
}

void DeactivateAllKeys(TActiveKeys& AKeys)
{
    for (const std::string& serial : AKeys.Serials())
        DeactivateKey(AKeys, serial);
}

}  // namespace korvel
