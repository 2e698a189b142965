// The signer over the real signing library: keys of every file kind load with their certificate
// data, and what they sign verifies with OpenSSL's own tool against the issuing CA.

#include "SignTestFixture.h"

#include "fixtures/ChildProcess.h"
#include "fixtures/CmsVerification.h"
#include "fixtures/SoftHsmToken.h"
#include "fixtures/TestKeys.h"
#include "fixtures/TimeStampAuthority.h"
#include "foundation/Base64.h"
#include "foundation/DateTime.h"
#include "foundation/Param.h"
#include "signlib/SignLibrary.h"

#include <openssl/bn.h>
#include <openssl/cms.h>
#include <openssl/sha.h>

#include <chrono>
#include <optional>

namespace korvel {
namespace {

using namespace std::chrono_literals;
using test::SignTest;
using test::TimeStampAuthority;

const std::filesystem::path JksFolder = KORVEL_SIGNLIB_TEST_DATA;
const std::string SignerSerial = "5E984D526F82F38F0400000012345678ABCDEF01";
// "TEST" read as base64.
const std::string TestBytes = "\x4c\x44\x93";

// One authority and signer for every test: key generation is the slow part.
struct TSharedKeys {
    test::TestAuthority Authority;
    test::TestSigner Signer = Authority.Issue(test::TestKeyType::P256, test::UkrainianSubject(), SignerSerial);
};
const TSharedKeys& Keys()
{
    static const TSharedKeys keys;
    return keys;
}

// The end of the signers' validity, 31.12.2049 23:59:58 UTC, in the program's local time.
TDateTime SignerEnd()
{
    return DateTimeFromTimePoint(std::chrono::sys_days{std::chrono::year{2049} / 12 / 31} + 23h + 59min + 58s);
}

std::string Sha256(const std::string& AData)
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(AData.data()), AData.size(), digest);
    return {reinterpret_cast<const char*>(digest), sizeof digest};
}

struct CmsFree {
    void operator()(CMS_ContentInfo* cms) const { CMS_ContentInfo_free(cms); }
};

// Whether the only signer of the signature carries a signature time-stamp token.
bool HasSignatureTimeStamp(const std::string& ADer)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(ADer.data());
    std::unique_ptr<CMS_ContentInfo, CmsFree> cms(d2i_CMS_ContentInfo(nullptr, &bytes, static_cast<long>(ADer.size())));
    if (!cms)
        return false;
    STACK_OF(CMS_SignerInfo)* signers = CMS_get0_SignerInfos(cms.get());
    if (sk_CMS_SignerInfo_num(signers) != 1)
        return false;
    return CMS_unsigned_get_attr_by_NID(sk_CMS_SignerInfo_value(signers, 0), NID_id_smime_aa_timeStampToken, -1) >= 0;
}

class SignWithLibraryTest : public SignTest {
protected:
    void SetUp() override
    {
        SignTest::SetUp();
        FTsa.Start();
        TParam::WriteValue("SIGN_LIBRARY", REAL_SIGN_LIBRARY);
        LoadList(R"([{"issuerCNs": ["Тестовий ЦСК"], "cmpAddress": "127.0.0.1", "tspAddress": "127.0.0.1",
            "tspAddressPort": ")" +
                 std::to_string(FTsa.Port()) + R"(", "ocspAccessPointAddress": "127.0.0.1",
            "ocspAccessPointPort": "1"}])");
        InitialiseLibrary();
        test::WriteFileBytes(CaFile(), test::CertificatePem(Keys().Authority.Certificate()));
    }

    std::filesystem::path CaFile() const { return FFolder.Path() / "ca.crt"; }

    TPrivateKey FileKey(const std::filesystem::path& AFile, const std::string& APassword) const
    {
        TPrivateKey key;
        key.pkIsFile = true;
        key.pkCreatorName = "Тестовий ЦСК";
        key.pkFileName = AFile.string();
        key.pkPassword = APassword;
        return key;
    }
    TPrivateKey Pkcs12Key() const
    {
        const auto file = FFolder.Path() / "ключ.p12";
        test::WriteFileBytes(file, test::Pkcs12Bytes(Keys().Signer, "пароль", test::Pkcs12Protection::Modern,
                                                     {Keys().Authority.Certificate()}));
        return FileKey(file, "пароль");
    }

    // The signed content when `openssl cms -verify` accepts the signature against ACaFile;
    // ADetached: the content of a signature that does not carry it.
    std::optional<std::string> Verified(const std::string& ABase64, const std::filesystem::path& ACaFile,
                                        const std::optional<std::string>& ADetached = std::nullopt) const
    {
        const test::CmsVerification result =
            test::VerifyCms(Base64Decode(ABase64), ACaFile, FFolder.Path(), {ADetached});
        if (!result.Verified) {
            ADD_FAILURE() << result.Error;
            return std::nullopt;
        }
        return result.Content;
    }

    TimeStampAuthority FTsa{FFolder.Path()};
};

TEST_F(SignWithLibraryTest, Pkcs12KeyLoadsWithTheCertificateDataOfItsOwner)
{
    TSign sign;
    ASSERT_TRUE(sign.InitialKey(Pkcs12Key()));

    const TCertInfoRec& info = sign.CertInfo();
    EXPECT_EQ(info.Serial, SignerSerial);
    EXPECT_EQ(info.SubjFullName, "Шевченко Тарас Григорович");
    EXPECT_EQ(info.SubjOrg, "ТОВ \"Кобзар\"");
    EXPECT_EQ(info.SubjDRFOCode, "1234567890");
    EXPECT_EQ(info.SubjEDRPOUCode, "12345678");
    EXPECT_EQ(info.CertEndTime, SignerEnd());
    EXPECT_EQ(LogLines().back(), "Ключ загружений успішно (" + SignerSerial + ")");
}

TEST_F(SignWithLibraryTest, EveryKeyFileKindSignsDataThatVerifiesAgainstItsIssuer)
{
    struct TCase {
        std::string Name;
        TPrivateKey Key;
        std::string Serial;
        std::string FullName;
        std::filesystem::path Issuer;
    };
    // A PKCS#8 key carries no certificate: the library finds it in the certificates folder.
    const auto pkcs8 = FFolder.Path() / "key.pk8";
    test::WriteFileBytes(pkcs8, test::Pkcs8Der(Keys().Signer.Key.get(), "pk8-пароль"));
    std::filesystem::create_directories(ProgramData() / "Certificates");
    test::WriteFileBytes(ProgramData() / "Certificates" / "signer.cer",
                         test::CertificateDer(Keys().Signer.Certificate.get()));
    // The container's first key is a self-signed RSA key.
    const auto jksCertificate = test::ParseCertificate(test::ReadFileBytes(JksFolder / "second.crt"));
    const TCase cases[] = {
        {"pkcs12", Pkcs12Key(), SignerSerial, "Шевченко Тарас Григорович", CaFile()},
        {"pkcs8", FileKey(pkcs8, "pk8-пароль"), SignerSerial, "Шевченко Тарас Григорович", CaFile()},
        {"jks", FileKey(JksFolder / "korvel-test.jks", "другий-пароль"),
         test::CertificateSerialHex(jksCertificate.get()), "Франко Іван Якович", JksFolder / "second.crt"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Name);
        TSign sign;
        ASSERT_TRUE(sign.InitialKey(test.Key));
        EXPECT_EQ(sign.CertInfo().Serial, test.Serial);
        EXPECT_EQ(sign.CertInfo().SubjFullName, test.FullName);

        const std::string signature = sign.SignData("TEST", EU_SIGN_TYPE_CADES_BES, 0);
        ASSERT_NE(signature, "");
        EXPECT_EQ(Verified(signature, test.Issuer), TestBytes);
    }
}

TEST_F(SignWithLibraryTest, SignedHashVerifiesAgainstTheHashedData)
{
    TSign sign;
    ASSERT_TRUE(sign.InitialKey(Pkcs12Key()));
    const std::string data = "Договір № 17 від 01.03.2025";

    const std::string signature = sign.SignHash(Base64EncodeLine(Sha256(data)), EU_SIGN_TYPE_CADES_BES, 0);

    ASSERT_NE(signature, "");
    EXPECT_EQ(Verified(signature, CaFile(), data), data);
    EXPECT_EQ(LogLines().back(),
              "Підпис хешу (" + SignerSerial + ") - виконано. Розмір: " + std::to_string(signature.size()));
}

TEST_F(SignWithLibraryTest, CadesTAsksTheAuthorityTimeStampServer)
{
    struct TCase {
        std::int64_t SignType;
        std::size_t Queries;
    };
    const TCase cases[] = {{EU_SIGN_TYPE_CADES_BES, 0}, {EU_SIGN_TYPE_CADES_T, 1}};
    TSign sign;
    ASSERT_TRUE(sign.InitialKey(Pkcs12Key()));
    for (const auto& test : cases) {
        SCOPED_TRACE(test.SignType);
        const std::size_t before = FTsa.QueryCount();

        const std::string signature = sign.SignData("TEST", test.SignType, 0);

        ASSERT_NE(signature, "");
        EXPECT_EQ(FTsa.QueryCount() - before, test.Queries);
        EXPECT_EQ(HasSignatureTimeStamp(Base64Decode(signature)), test.Queries > 0);
        EXPECT_EQ(Verified(signature, CaFile()), TestBytes);
    }
}

TEST_F(SignWithLibraryTest, WrongPasswordIsTheLibraryRefusal)
{
    TPrivateKey key = Pkcs12Key();
    key.pkPassword = "не той";

    TSign sign;
    const std::string message = RaisedBy([&] { sign.InitialKey(key); });
    EXPECT_TRUE(message.starts_with("ReadKeyFromFile: ")) << message;
    EXPECT_TRUE(message.ends_with(" (" + std::to_string(EU_ERROR_BAD_PASSWORD) + ")")) << message;
    EXPECT_FALSE(TSignTestAccess::HoldsHandles(sign));
}

TEST_F(SignWithLibraryTest, TokenKeyLoadsWithItsPinAndSigns)
{
    test::SoftHsmToken softHsm;
    softHsm.InitToken("korvel", "1111", "2222");
    softHsm.AddKey("korvel", "2222", Keys().Signer.Key.get(), Keys().Signer.Certificate.get(), "01");
    TParam::WriteValue("PKCS11_MODULES", test::SoftHsmToken::ModulePath());
    std::vector<std::string> types;
    std::vector<std::string> devices;
    TSign::UpdateDeviceTypeList(types);
    ASSERT_EQ(types.size(), 1u);
    TSign::UpdateDeviceList(0, devices);
    ASSERT_FALSE(devices.empty());
    TPrivateKey key;
    key.pkCreatorName = "Тестовий ЦСК";
    key.pkDeviceName = "[" + devices[0] + "] " + types[0];
    key.pkTypeIndex = 0;
    key.pkDeviceIndex = 0;

    struct TCase {
        std::string Pin;
        bool Loads;
    };
    for (const TCase& test : {TCase{"1234", false}, TCase{"2222", true}}) {
        SCOPED_TRACE(test.Pin);
        key.pkPassword = test.Pin;
        TSign sign;
        if (!test.Loads) {
            const std::string message = RaisedBy([&] { sign.InitialKey(key); });
            EXPECT_TRUE(message.starts_with("ReadKeyFromDevice:")) << message;
            EXPECT_FALSE(TSignTestAccess::HoldsHandles(sign));
            continue;
        }
        ASSERT_TRUE(sign.InitialKey(key));
        EXPECT_EQ(sign.CertInfo().Serial, SignerSerial);
        EXPECT_EQ(sign.CertInfo().SubjEDRPOUCode, "12345678");
        const std::string signature = sign.SignData("TEST", EU_SIGN_TYPE_CADES_T, 0);
        ASSERT_NE(signature, "");
        EXPECT_EQ(Verified(signature, CaFile()), TestBytes);
    }
}

}  // namespace
}  // namespace korvel
