#include "TokenMediaSupport.h"

#include "foundation/Param.h"
#include "foundation/TextCodec.h"

#include <cstring>
#include <openssl/evp.h>
#include <openssl/objects.h>

namespace korvel::test {

namespace {

struct TokenTestPki {
    TempDir Folder;
    std::filesystem::path CaFile = Folder.Path() / "token-ca.crt";
    KeyPtr CaKey = MakeEcKey();
    CertificatePtr Ca =
        MakeCertificate({1,
                         "Тестовий ЦСК",
                         CaKey.get(),
                         {{NID_basic_constraints, "critical,CA:TRUE"}, {NID_key_usage, "critical,keyCertSign"}}},
                        nullptr, CaKey.get());
    TokenTestKey P256 = Signer(2, "Тарас Шевченко", MakeEcKey());
    TokenTestKey Rsa2048 = Signer(3, "Леся Українка", MakeRsaKey(2048));
    TokenTestKey Second = Signer(4, "Іван Франко", MakeEcKey());

    TokenTestPki() { WritePemFile(CaFile, Ca.get()); }

    TokenTestKey Signer(long serial, const char* commonName, KeyPtr key) const
    {
        CertificatePtr certificate = MakeCertificate(
            {serial, commonName, key.get(), {{NID_key_usage, "critical,digitalSignature,nonRepudiation"}}}, Ca.get(),
            CaKey.get());
        return {std::move(key), std::move(certificate)};
    }
};

const TokenTestPki& SharedPki()
{
    static const TokenTestPki pki;
    return pki;
}

}  // namespace

const TokenTestKey& SharedTokenKey(TokenKeyType type)
{
    return type == TokenKeyType::P256 ? SharedPki().P256 : SharedPki().Rsa2048;
}

const TokenTestKey& SecondTokenKey()
{
    return SharedPki().Second;
}

X509* TokenTestCa()
{
    return SharedPki().Ca.get();
}

const std::filesystem::path& TokenTestCaFile()
{
    return SharedPki().CaFile;
}

TokenMediaTest::TokenMediaTest() : FProgramDataGuard("KORVEL_PROGRAMDATA", FProgramData.Folder())
{
    EXPECT_EQ(EUInitialize(), EU_ERROR_NONE);
    EXPECT_EQ(EUCtxCreate(&FLibraryContext), EU_ERROR_NONE);
}

TokenMediaTest::~TokenMediaTest()
{
    EUCtxFree(FLibraryContext);
    EUFinalize();
}

void TokenMediaTest::SetModules(const std::string& modules)
{
    TParam::WriteValue("PKCS11_MODULES", modules);
}

std::vector<std::string> TokenMediaTest::MediaTypeNames(unsigned long* endCode)
{
    std::vector<std::string> names;
    char buffer[EU_MEDIA_NAME_SIZE];
    unsigned long code = 0;
    while ((code = EUEnumKeyMediaTypes(names.size(), buffer)) == EU_ERROR_NONE)
        names.push_back(AnsiToUtf8(buffer));
    if (endCode != nullptr)
        *endCode = code;
    return names;
}

std::vector<std::string> TokenMediaTest::DeviceNames(unsigned long typeIndex, unsigned long* endCode)
{
    std::vector<std::string> names;
    char buffer[EU_MEDIA_NAME_SIZE];
    unsigned long code = 0;
    while ((code = EUEnumKeyMediaDevices(typeIndex, names.size(), buffer)) == EU_ERROR_NONE)
        names.push_back(AnsiToUtf8(buffer));
    if (endCode != nullptr)
        *endCode = code;
    return names;
}

TokenKeyRead TokenMediaTest::ReadKey(unsigned long typeIndex, unsigned long deviceIndex,
                                     const std::string& utf8Pin) const
{
    EU_KEY_MEDIA media{};
    media.dwTypeIndex = typeIndex;
    media.dwDevIndex = deviceIndex;
    const std::string pin = Utf8ToAnsi(utf8Pin);
    std::memcpy(media.szPassword, pin.data(), std::min(pin.size(), sizeof media.szPassword - 1));
    TokenKeyRead read;
    void* context = nullptr;
    EU_CERT_OWNER_INFO info{};
    read.Code = EUCtxReadPrivateKey(FLibraryContext, &media, &context, &info);
    read.Context.reset(static_cast<signlib::TPrivateKeyContext*>(context));
    read.OwnerFilled = info.bFilled != 0;
    read.OwnerCommonName = info.pszSubjCN != nullptr ? AnsiToUtf8(info.pszSubjCN) : "";
    read.OwnerSerial = info.pszSerial != nullptr ? info.pszSerial : "";
    EUCtxFreeCertOwnerInfo(FLibraryContext, &info);
    return read;
}

::testing::AssertionResult SignsForCertificate(EVP_PKEY* key, X509* certificate)
{
    static const unsigned char data[] = "дані для підпису";
    std::vector<unsigned char> signature(EVP_PKEY_get_size(key));
    std::size_t length = signature.size();
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> signing(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (EVP_DigestSignInit(signing.get(), nullptr, EVP_sha256(), nullptr, key) != 1 ||
        EVP_DigestSign(signing.get(), signature.data(), &length, data, sizeof data) != 1)
        return ::testing::AssertionFailure() << "the key does not sign";
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> verifying(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (EVP_DigestVerifyInit(verifying.get(), nullptr, EVP_sha256(), nullptr, X509_get0_pubkey(certificate)) != 1 ||
        EVP_DigestVerify(verifying.get(), signature.data(), length, data, sizeof data) != 1)
        return ::testing::AssertionFailure() << "the signature does not verify with the certificate";
    return ::testing::AssertionSuccess();
}

}  // namespace korvel::test
