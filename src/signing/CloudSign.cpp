#include "signing/Sign.h"

#include "foundation/DateParse.h"
#include "foundation/HttpClient.h"
#include "signing/JsonText.h"
#include "signing/MakerWebServer.h"

#include <stdexcept>

namespace korvel {

namespace {

// The service type whose keys are named by a key id and a token; every other type takes the
// owner's DRFO code. Compared exactly: another case is another type.
const std::string KeyIdServiceType = "vchasno";

std::vector<std::string> CloudSignFields(const TPrivateKey& APrivateKey, const std::string& ACloudType,
                                         const std::string& AData, bool AIncludeTimeStamp, std::int64_t ASignType)
{
    std::vector<std::string> fields;
    if (ACloudType == KeyIdServiceType) {
        fields.push_back("token=" + APrivateKey.pkToken);
        fields.push_back("key_id=" + APrivateKey.pkLogin);
    } else {
        fields.push_back("drfo=" + APrivateKey.pkLogin);
    }
    fields.push_back("data=" + AData);
    fields.push_back("edrpou=" + APrivateKey.pkEdrpou);
    fields.push_back("serial=" + APrivateKey.pkSN);
    fields.push_back("sign_type_cades=" + std::to_string(ASignType));
    fields.push_back("password=" + APrivateKey.pkPassword);
    fields.push_back("cloud_type=" + ACloudType);
    fields.push_back(std::string("include_content_timestamp=") + (AIncludeTimeStamp ? "1" : "0"));
    return fields;
}

// The answer as an object; anything else (not JSON included) gives null.
TJson ParseAnswer(const std::string& AAnswer)
{
    try {
        TJson answer = ParseJsonText(AAnswer);
        return answer.is_object() ? answer : TJson();
    } catch (const std::exception&) {
        return {};
    }
}

// A member as text; a null counts as absent: it is neither a signature nor certificate data.
std::optional<std::string> AnswerText(const TJson& AObject, const std::string& AName)
{
    if (!AObject.is_object())
        return std::nullopt;
    const auto member = AObject.find(AName);
    if (member == AObject.end() || member->is_null())
        return std::nullopt;
    return JsonValueAsText(*member);
}

void CopyIfPresent(const TJson& ASigner, const std::string& AName, std::string& AField)
{
    if (const auto value = AnswerText(ASigner, AName))
        AField = *value;
}

}  // namespace

std::string TSign::CloudSign(const TPrivateKey& APrivateKey, const std::string& AData, bool AReadSigner,
                             bool AIncludeTimeStamp, std::int64_t ASignType)
{
    const std::string cloudType = GetDataByCreator(APrivateKey.pkCreatorName, "cloud_type");
    const auto fields = CloudSignFields(APrivateKey, cloudType, AData, AIncludeTimeStamp, ASignType);
    std::string answer;
    if (!HttpPostForm(MakerWebUrl("/api/v1/cloud-sign"), fields, answer))
        throw std::runtime_error("Виникла помилка (POST): " + answer);
    if (answer.empty())
        throw std::runtime_error("Не вдалося отримати відповідь від сервера");
    if (AReadSigner)
        ReadCloudSigner(answer);
    return ReadCloudSigned(answer);
}

void TSign::ReadCloudSigner(const std::string& AAnswer)
{
    const TJson answer = ParseAnswer(AAnswer);
    if (!answer.is_object() || !answer.contains("signer"))
        return;
    const TJson& signer = answer["signer"];
    CopyIfPresent(signer, "serial", FCertInfoRec.Serial);
    CopyIfPresent(signer, "subjFullName", FCertInfoRec.SubjFullName);
    CopyIfPresent(signer, "subjOrg", FCertInfoRec.SubjOrg);
    CopyIfPresent(signer, "subjDRFOCode", FCertInfoRec.SubjDRFOCode);
    CopyIfPresent(signer, "subjEDRPOUCode", FCertInfoRec.SubjEDRPOUCode);
    if (const auto endTime = AnswerText(signer, "certEndTime"))
        FCertInfoRec.CertEndTime = ParseDateTimeMDY(*endTime);
}

std::string TSign::ReadCloudSigned(const std::string& AAnswer)
{
    return AnswerText(ParseAnswer(AAnswer), "signed").value_or("");
}

}  // namespace korvel
