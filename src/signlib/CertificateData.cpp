#include "signlib/CertificateData.h"

#include "signlib/CertificateText.h"
#include "signlib/SubjectCodes.h"

#include <openssl/asn1.h>

#include <chrono>
#include <ctime>

namespace korvel::signlib {

namespace {

std::string SerialHex(const X509& ACertificate)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    const ASN1_INTEGER* serial = X509_get0_serialNumber(&ACertificate);
    const unsigned char* bytes = ASN1_STRING_get0_data(serial);
    const int length = ASN1_STRING_length(serial);
    if (length <= 0)
        return "00";
    std::string hex;
    hex.reserve(static_cast<std::size_t>(length) * 2);
    for (int i = 0; i < length; ++i) {
        hex += Digits[bytes[i] >> 4];
        hex += Digits[bytes[i] & 0x0F];
    }
    return hex;
}

// The owner's own name when the certificate has one; a person described only by surname and given
// name gets both, in that order.
std::string FullName(const X509_NAME* ASubject)
{
    std::string commonName = NameEntryText(ASubject, NID_commonName);
    if (!commonName.empty())
        return commonName;
    std::string surname = NameEntryText(ASubject, NID_surname);
    const std::string givenName = NameEntryText(ASubject, NID_givenName);
    if (!surname.empty() && !givenName.empty())
        surname += ' ';
    return surname + givenName;
}

EU_TIME UtcTime(const ASN1_TIME* ATime)
{
    std::tm parts{};
    if (ATime == nullptr || ASN1_TIME_to_tm(ATime, &parts) != 1)
        return EU_TIME{};
    const std::chrono::year_month_day date{std::chrono::year(parts.tm_year + 1900),
                                           std::chrono::month(static_cast<unsigned>(parts.tm_mon + 1)),
                                           std::chrono::day(static_cast<unsigned>(parts.tm_mday))};
    const std::chrono::weekday weekday{std::chrono::sys_days(date)};
    EU_TIME time{};
    time.wYear = static_cast<unsigned short>(parts.tm_year + 1900);
    time.wMonth = static_cast<unsigned short>(parts.tm_mon + 1);
    time.wDayOfWeek = static_cast<unsigned short>(weekday.c_encoding());
    time.wDay = static_cast<unsigned short>(parts.tm_mday);
    time.wHour = static_cast<unsigned short>(parts.tm_hour);
    time.wMinute = static_cast<unsigned short>(parts.tm_min);
    time.wSecond = static_cast<unsigned short>(parts.tm_sec);
    return time;
}

}  // namespace

TCertificateData ReadCertificateData(const X509& ACertificate)
{
    const X509_NAME* issuer = X509_get_issuer_name(&ACertificate);
    const X509_NAME* subject = X509_get_subject_name(&ACertificate);
    TCertificateData data;
    data.Issuer = NameText(issuer);
    data.IssuerCN = NameEntryText(issuer, NID_commonName);
    data.Serial = SerialHex(ACertificate);
    data.Subject = NameText(subject);
    data.SubjCN = NameEntryText(subject, NID_commonName);
    data.SubjOrg = NameEntryText(subject, NID_organizationName);
    data.SubjFullName = FullName(subject);
    data.SubjDRFOCode = SubjectDrfoCode(ACertificate);
    data.SubjEDRPOUCode = SubjectEdrpouCode(ACertificate);
    data.BeginTime = UtcTime(X509_get0_notBefore(&ACertificate));
    data.EndTime = UtcTime(X509_get0_notAfter(&ACertificate));
    return data;
}

}  // namespace korvel::signlib
