#include "signlib/CertificateInfoRecords.h"

#include "foundation/TextCodec.h"
#include "signlib/LibraryMemory.h"

#include <cstring>

namespace korvel::signlib {

namespace {

// Both records share these fields, in the same order and under the same names.
template <typename TRecord> void FillTexts(const TCertificateData& AData, TRecord& ARecord)
{
    const auto text = [](const std::string& AUtf8) { return CopyTextToLibraryMemory(Utf8ToAnsi(AUtf8)); };
    ARecord.pszIssuer = text(AData.Issuer);
    ARecord.pszIssuerCN = text(AData.IssuerCN);
    ARecord.pszSerial = text(AData.Serial);
    ARecord.pszSubject = text(AData.Subject);
    ARecord.pszSubjCN = text(AData.SubjCN);
    ARecord.pszSubjOrg = text(AData.SubjOrg);
    ARecord.pszSubjFullName = text(AData.SubjFullName);
    ARecord.pszSubjDRFOCode = text(AData.SubjDRFOCode);
    ARecord.pszSubjEDRPOUCode = text(AData.SubjEDRPOUCode);
    ARecord.bFilled = 1;
}

template <typename TRecord> void FreeTexts(TRecord& ARecord) noexcept
{
    for (char* text : {ARecord.pszIssuer, ARecord.pszIssuerCN, ARecord.pszSerial, ARecord.pszSubject, ARecord.pszSubjCN,
                       ARecord.pszSubjOrg, ARecord.pszSubjFullName, ARecord.pszSubjDRFOCode, ARecord.pszSubjEDRPOUCode})
        FreeLibraryMemory(text);
    std::memset(&ARecord, 0, sizeof ARecord);
}

}  // namespace

void FillOwnerInfo(const TCertificateData& AData, EU_CERT_OWNER_INFO& AInfo)
{
    std::memset(&AInfo, 0, sizeof AInfo);
    try {
        FillTexts(AData, AInfo);
    } catch (...) {
        FreeTexts(AInfo);
        throw;
    }
}

void ClearOwnerInfo(EU_CERT_OWNER_INFO& AInfo) noexcept
{
    FreeTexts(AInfo);
}

EU_CERT_INFO_EX* NewCertificateInfo(const TCertificateData& AData)
{
    auto* info = static_cast<EU_CERT_INFO_EX*>(AllocateLibraryMemory(sizeof(EU_CERT_INFO_EX)));
    try {
        FillTexts(AData, *info);
    } catch (...) {
        DeleteCertificateInfo(info);
        throw;
    }
    info->stCertBeginTime = AData.BeginTime;
    info->stCertEndTime = AData.EndTime;
    return info;
}

void DeleteCertificateInfo(EU_CERT_INFO_EX* AInfo) noexcept
{
    if (AInfo == nullptr)
        return;
    FreeTexts(*AInfo);
    FreeLibraryMemory(AInfo);
}

}  // namespace korvel::signlib
