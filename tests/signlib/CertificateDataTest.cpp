// The certificate data a read key reports: names, codes, serial and validity, as Windows-1251 text.

#include "KeyTestSupport.h"

#include <gtest/gtest.h>

namespace korvel::test {
namespace {

class CertificateDataTest : public SignLibraryTest {
protected:
    ReadResult Read(const TestSigner& signer) const
    {
        return ReadBytes(Pkcs12Bytes(signer, "p", Pkcs12Protection::Modern, {Keys().Authority.Certificate()}), "p");
    }
};

void ExpectTime(const EU_TIME& time, unsigned short year, unsigned short month, unsigned short day,
                unsigned short dayOfWeek, unsigned short hour, unsigned short minute, unsigned short second)
{
    EXPECT_EQ(time.wYear, year);
    EXPECT_EQ(time.wMonth, month);
    EXPECT_EQ(time.wDay, day);
    EXPECT_EQ(time.wDayOfWeek, dayOfWeek);
    EXPECT_EQ(time.wHour, hour);
    EXPECT_EQ(time.wMinute, minute);
    EXPECT_EQ(time.wSecond, second);
    EXPECT_EQ(time.wMilliseconds, 0);
}

// The owner information is compared after turning it back from Windows-1251: UTF-8 handed out by
// mistake would not survive that.
TEST_F(CertificateDataTest, OwnerInformationNamesTheUkrainianSubject)
{
    const ReadResult read = Read(Keys().EcSigner);
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    EXPECT_EQ(read.Owner.Serial, EcSignerSerial);
    EXPECT_EQ(read.Owner.SubjCN, "Шевченко Тарас Григорович");
    EXPECT_EQ(read.Owner.SubjFullName, "Шевченко Тарас Григорович");
    EXPECT_EQ(read.Owner.SubjOrg, "ТОВ \"Кобзар\"");
    EXPECT_EQ(read.Owner.SubjDRFOCode, "1234567890");
    EXPECT_EQ(read.Owner.SubjEDRPOUCode, "12345678");
    EXPECT_EQ(read.Owner.IssuerCN, "Тестовий ЦСК");
    EXPECT_NE(read.Owner.Subject.find("Шевченко Тарас Григорович"), std::string::npos) << read.Owner.Subject;
    EXPECT_NE(read.Owner.Issuer.find("Тестовий ЦСК"), std::string::npos) << read.Owner.Issuer;
}

TEST_F(CertificateDataTest, OwnCertificateCarriesTheSameDataAndItsValidity)
{
    const ReadResult read = Read(Keys().EcSigner);
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    const OwnCertificate own = EnumOwnCertificate(read.Key.get(), 0);
    ASSERT_EQ(own.Code, EU_ERROR_NONE);
    EXPECT_EQ(own.Texts.Serial, EcSignerSerial);
    EXPECT_EQ(own.Texts.SubjFullName, "Шевченко Тарас Григорович");
    EXPECT_EQ(own.Texts.SubjOrg, "ТОВ \"Кобзар\"");
    EXPECT_EQ(own.Texts.SubjDRFOCode, "1234567890");
    EXPECT_EQ(own.Texts.SubjEDRPOUCode, "12345678");
    ExpectTime(own.BeginTime, 2024, 3, 1, 5, 8, 0, 0);     // SignerNotBefore, a Friday
    ExpectTime(own.EndTime, 2049, 12, 31, 5, 23, 59, 58);  // SignerNotAfter, a Friday
}

TEST_F(CertificateDataTest, ChainCertificateDescribesTheAuthority)
{
    const ReadResult read = Read(Keys().EcSigner);
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    const OwnCertificate issuer = EnumOwnCertificate(read.Key.get(), 1);
    ASSERT_EQ(issuer.Code, EU_ERROR_NONE);
    EXPECT_EQ(issuer.Texts.SubjCN, "Тестовий ЦСК");
    EXPECT_EQ(issuer.Texts.Serial, "01");
    EXPECT_EQ(issuer.Texts.SubjDRFOCode, "");
    EXPECT_EQ(issuer.Texts.SubjEDRPOUCode, "");
}

TEST_F(CertificateDataTest, SerialIsUpperCaseHexOfItsBytes)
{
    const ReadResult read = Read(Keys().RsaSigner);
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    // DER puts a zero byte before A1 to keep the number positive; it is not part of the serial.
    EXPECT_EQ(read.Owner.Serial, "A1B2C3");
}

TEST_F(CertificateDataTest, DirectoryAttributesComeBeforeSemanticsIdentifiers)
{
    const ReadResult read = Read(Keys().DirectorySigner);
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    EXPECT_EQ(read.Owner.SubjDRFOCode, "9876543210");
    EXPECT_EQ(read.Owner.SubjEDRPOUCode, "87654321");
}

TEST_F(CertificateDataTest, FullNameWithoutCommonNameIsSurnameAndGivenName)
{
    const ReadResult read = Read(Keys().NamelessSigner);
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    EXPECT_EQ(read.Owner.SubjCN, "");
    EXPECT_EQ(read.Owner.SubjFullName, "Шевченко Тарас Григорович");
}

TEST_F(CertificateDataTest, CertificateBytesAloneMayBeAsked)
{
    const ReadResult read = Read(Keys().EcSigner);
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    EU_CERT_INFO_EX* info = nullptr;
    ASSERT_EQ(EUCtxEnumOwnCertificates(read.Key.get(), 0, &info, nullptr, nullptr), EU_ERROR_NONE);
    EXPECT_EQ(info->bFilled, 1);
    EUCtxFreeCertificateInfoEx(read.Key.get(), info);
    unsigned char* der = nullptr;
    EXPECT_EQ(EUCtxEnumOwnCertificates(read.Key.get(), 0, &info, &der, nullptr), EU_ERROR_BAD_PARAMETER)
        << "bytes without their length";
    EXPECT_EQ(EUCtxEnumOwnCertificates(read.Key.get(), 7, &info, nullptr, nullptr), EU_WARNING_END_OF_ENUM);
}

}  // namespace
}  // namespace korvel::test
