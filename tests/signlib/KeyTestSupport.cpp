#include "KeyTestSupport.h"

#include "foundation/TextCodec.h"
#include "signlib/PrivateKeyContext.h"

#include <openssl/evp.h>

#include <vector>

namespace korvel::test {

namespace {

std::string Utf8(const char* ansi)
{
    return ansi == nullptr ? std::string() : AnsiToUtf8(ansi);
}

template <typename TRecord> OwnerTexts TextsOf(const TRecord& record)
{
    return {Utf8(record.pszIssuer),       Utf8(record.pszIssuerCN),     Utf8(record.pszSerial),
            Utf8(record.pszSubject),      Utf8(record.pszSubjCN),       Utf8(record.pszSubjOrg),
            Utf8(record.pszSubjFullName), Utf8(record.pszSubjDRFOCode), Utf8(record.pszSubjEDRPOUCode)};
}

ReadResult Collect(unsigned long code, void* key, EU_CERT_OWNER_INFO& info, void* context)
{
    ReadResult result;
    result.Code = code;
    result.Key.reset(key);
    if (code == EU_ERROR_NONE) {
        EXPECT_EQ(info.bFilled, 1);
        result.Owner = TextsOf(info);
        EUCtxFreeCertOwnerInfo(context, &info);
    } else {
        EXPECT_EQ(key, nullptr);
    }
    return result;
}

SubjectFields DirectorySubject()
{
    SubjectFields subject = UkrainianSubject();
    subject.DirectoryDrfo = "9876543210";
    subject.DirectoryEdrpou = "87654321";
    return subject;
}

SubjectFields NamelessSubject()
{
    SubjectFields subject = UkrainianSubject();
    subject.CommonName.clear();
    return subject;
}

}  // namespace

const SharedTestKeys& Keys()
{
    static const SharedTestKeys keys = [] {
        TestAuthority authority;
        TestSigner ec = authority.Issue(TestKeyType::P256, UkrainianSubject(), EcSignerSerial);
        TestSigner rsa = authority.Issue(TestKeyType::Rsa2048, UkrainianSubject(), RsaSignerSerial);
        TestSigner directory = authority.Issue(TestKeyType::P256, DirectorySubject(), "0D");
        TestSigner nameless = authority.Issue(TestKeyType::P256, NamelessSubject(), "0E");
        return SharedTestKeys{std::move(authority), std::move(ec), std::move(rsa), std::move(directory),
                              std::move(nameless)};
    }();
    return keys;
}

void SignLibraryTest::SetUp()
{
    ASSERT_EQ(EUInitialize(), EU_ERROR_NONE);
    ASSERT_EQ(EUCtxCreate(&FContext), EU_ERROR_NONE);
}

void SignLibraryTest::TearDown()
{
    EUCtxFree(FContext);
    EUFinalize();
}

std::filesystem::path SignLibraryTest::Write(const std::string& name, const std::string& bytes) const
{
    std::filesystem::path file = FTemp.Path() / name;
    std::filesystem::create_directories(file.parent_path());
    WriteFileBytes(file, bytes);
    return file;
}

ReadResult SignLibraryTest::ReadFile(const std::filesystem::path& file, const std::string& password) const
{
    void* key = nullptr;
    EU_CERT_OWNER_INFO info{};
    const unsigned long code =
        EUCtxReadPrivateKeyFile(FContext, Ansi(file.string()).c_str(), Ansi(password).c_str(), &key, &info);
    return Collect(code, key, info, FContext);
}

ReadResult SignLibraryTest::ReadBytes(const std::string& bytes, const std::string& password) const
{
    void* key = nullptr;
    EU_CERT_OWNER_INFO info{};
    const unsigned long code =
        EUCtxReadPrivateKeyBinary(FContext, reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<unsigned long>(bytes.size()), Ansi(password).c_str(), &key, &info);
    return Collect(code, key, info, FContext);
}

std::string Ansi(const std::string& utf8)
{
    return Utf8ToAnsi(utf8);
}

OwnCertificate EnumOwnCertificate(void* key, unsigned long index)
{
    OwnCertificate result;
    EU_CERT_INFO_EX* info = nullptr;
    unsigned char* der = nullptr;
    unsigned long length = 0;
    result.Code = EUCtxEnumOwnCertificates(key, index, &info, &der, &length);
    if (result.Code != EU_ERROR_NONE)
        return result;
    result.Texts = TextsOf(*info);
    result.BeginTime = info->stCertBeginTime;
    result.EndTime = info->stCertEndTime;
    result.Der.assign(reinterpret_cast<const char*>(der), length);
    EUCtxFreeCertificateInfoEx(key, info);
    EUCtxFreeMemory(nullptr, der);
    return result;
}

bool KeyMatchesCertificate(void* key, X509* certificate)
{
    auto* context = static_cast<signlib::TPrivateKeyContext*>(key);
    const std::string message = "proof of possession";
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> sign(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    size_t length = 0;
    if (!sign || EVP_DigestSignInit(sign.get(), nullptr, EVP_sha256(), nullptr, context->Key.get()) != 1 ||
        EVP_DigestSign(sign.get(), nullptr, &length, reinterpret_cast<const unsigned char*>(message.data()),
                       message.size()) != 1)
        return false;
    std::vector<unsigned char> signature(length);
    if (EVP_DigestSign(sign.get(), signature.data(), &length, reinterpret_cast<const unsigned char*>(message.data()),
                       message.size()) != 1)
        return false;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> verify(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    return verify &&
           EVP_DigestVerifyInit(verify.get(), nullptr, EVP_sha256(), nullptr, X509_get0_pubkey(certificate)) == 1 &&
           EVP_DigestVerify(verify.get(), signature.data(), length,
                            reinterpret_cast<const unsigned char*>(message.data()), message.size()) == 1;
}

}  // namespace korvel::test
