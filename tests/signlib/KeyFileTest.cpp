// Key files: every format read with its password, and the failures each gives its own code.

#include "KeyTestSupport.h"

#include "fixtures/TestJks.h"

#include <gtest/gtest.h>

#include <ostream>

#include <atomic>
#include <functional>
#include <thread>

namespace korvel::test {
namespace {

// The certificates of the signer and its CA, as a file store holds them.
std::string StoreBundle(const TestSigner& signer)
{
    return Pkcs7Bundle({Keys().Authority.Certificate(), signer.Certificate.get()});
}

struct FormatCase {
    const char* Name;
    const char* FileName;  // the extension tells nothing: content decides
    std::function<std::string()> Bytes;
    std::string Password;
    bool RsaKey = false;
    bool CertificateInStore = false;  // the container carries no certificate
    bool Unprotected = false;         // any password opens it
};

// Test names in CTest show the case, not its bytes.
void PrintTo(const FormatCase& c, std::ostream* out)
{
    *out << c.Name;
}

const TestSigner& SignerOf(const FormatCase& c)
{
    return c.RsaKey ? Keys().RsaSigner : Keys().EcSigner;
}

std::vector<FormatCase> FormatCases()
{
    const auto& keys = Keys();
    X509* ca = keys.Authority.Certificate();
    return {
        {"Pkcs12ModernCyrillicPassword", "key.pfx",
         [=] { return Pkcs12Bytes(Keys().EcSigner, "Пароль-1", Pkcs12Protection::Modern, {ca}); }, "Пароль-1"},
        {"Pkcs12LegacyRsa", "key.p12",
         [=] { return Pkcs12Bytes(Keys().RsaSigner, "legacy", Pkcs12Protection::Legacy, {ca}); }, "legacy", true},
        {"Pkcs12EmptyPassword", "key.bin",
         [=] { return Pkcs12Bytes(Keys().EcSigner, "", Pkcs12Protection::Modern, {ca}); }, ""},
        {"Pkcs8EncryptedDer", "key.pk8", [] { return Pkcs8Der(Keys().EcSigner.Key.get(), "pass8"); }, "pass8", false,
         true},
        {"Pkcs8PlainDer", "Key-6.dat", [] { return Pkcs8Der(Keys().RsaSigner.Key.get(), ""); }, "any", true, true,
         true},
        {"Pkcs8EncryptedPem", "key.txt", [] { return Pkcs8Pem(Keys().RsaSigner.Key.get(), "pem-pass"); }, "pem-pass",
         true, true},
        {"Pkcs8PlainPemWithCertificates", "key.pem",
         [=] {
             return Pkcs8Pem(Keys().EcSigner.Key.get(), "") + CertificatePem(ca) +
                    CertificatePem(Keys().EcSigner.Certificate.get());
         },
         "x", false, false, true},
        {"JksStore", "store.dat",
         [=] {
             return JksBuilder()
                 .PrivateKey("signer", SunProtectedKeyDer(Keys().EcSigner.Key.get(), "jks-pass"),
                             {CertificateDer(Keys().EcSigner.Certificate.get()), CertificateDer(ca)})
                 .Bytes();
         },
         "jks-pass"},
    };
}

class KeyFormatTest : public SignLibraryTest, public ::testing::WithParamInterface<FormatCase> {
protected:
    void SetUp() override
    {
        SignLibraryTest::SetUp();
        if (GetParam().CertificateInStore)
            Write("Certificates/CACertificates.p7b", StoreBundle(SignerOf(GetParam())));
    }

    void ExpectKeyOfSigner(const ReadResult& read) const
    {
        const TestSigner& signer = SignerOf(GetParam());
        ASSERT_EQ(read.Code, EU_ERROR_NONE);
        ASSERT_NE(read.Key, nullptr);
        EXPECT_EQ(read.Owner.Serial, GetParam().RsaKey ? RsaSignerSerial : EcSignerSerial);
        EXPECT_EQ(read.Owner.SubjFullName, "Шевченко Тарас Григорович");
        EXPECT_TRUE(KeyMatchesCertificate(read.Key.get(), signer.Certificate.get()));

        const OwnCertificate own = EnumOwnCertificate(read.Key.get(), 0);
        ASSERT_EQ(own.Code, EU_ERROR_NONE);
        EXPECT_EQ(own.Der, CertificateDer(signer.Certificate.get()));
        const OwnCertificate issuer = EnumOwnCertificate(read.Key.get(), 1);
        ASSERT_EQ(issuer.Code, EU_ERROR_NONE) << "the chain travels with the key";
        EXPECT_EQ(issuer.Der, CertificateDer(Keys().Authority.Certificate()));
        EXPECT_EQ(EnumOwnCertificate(read.Key.get(), 2).Code, EU_WARNING_END_OF_ENUM);
    }
};

TEST_P(KeyFormatTest, FileReadWithItsPasswordGivesTheSignersKey)
{
    ExpectKeyOfSigner(ReadFile(Write(GetParam().FileName, GetParam().Bytes()), GetParam().Password));
}

TEST_P(KeyFormatTest, BytesReadWithItsPasswordGiveTheSignersKey)
{
    ExpectKeyOfSigner(ReadBytes(GetParam().Bytes(), GetParam().Password));
}

TEST_P(KeyFormatTest, WrongPasswordIsReportedAsSuchUnlessTheKeyIsPlain)
{
    const std::string bytes = GetParam().Bytes();
    const ReadResult read = ReadBytes(bytes, "wrong");
    EXPECT_EQ(read.Code, GetParam().Unprotected ? EU_ERROR_NONE : EU_ERROR_BAD_PASSWORD);
}

INSTANTIATE_TEST_SUITE_P(Formats, KeyFormatTest, ::testing::ValuesIn(FormatCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

struct FailureCase {
    const char* Name;
    std::function<std::string()> Bytes;
    const char* Password;
    unsigned long Code;
};

// Test names in CTest show the case, not its bytes.
void PrintTo(const FailureCase& c, std::ostream* out)
{
    *out << c.Name;
}

std::string Cut(const std::string& bytes, size_t keep)
{
    return bytes.substr(0, keep);
}

std::vector<FailureCase> FailureCases()
{
    return {
        {"Pkcs12WrongPassword", [] { return Pkcs12Bytes(Keys().EcSigner, "right", Pkcs12Protection::Modern); }, "wrong",
         EU_ERROR_BAD_PASSWORD},
        {"Pkcs12LegacyWrongPassword", [] { return Pkcs12Bytes(Keys().EcSigner, "right", Pkcs12Protection::Legacy); },
         "Right", EU_ERROR_BAD_PASSWORD},
        {"Pkcs8WrongPassword", [] { return Pkcs8Der(Keys().EcSigner.Key.get(), "right"); }, "righT",
         EU_ERROR_BAD_PASSWORD},
        {"Pkcs12Truncated",
         [] {
             const std::string whole = Pkcs12Bytes(Keys().EcSigner, "p", Pkcs12Protection::Modern);
             return Cut(whole, whole.size() / 2);
         },
         "p", EU_ERROR_KEY_DAMAGED},
        {"Pkcs12LastByteMissing",
         [] {
             const std::string whole = Pkcs12Bytes(Keys().EcSigner, "p", Pkcs12Protection::Modern);
             return Cut(whole, whole.size() - 1);
         },
         "p", EU_ERROR_KEY_DAMAGED},
        {"Pkcs8Truncated", [] { return Cut(Pkcs8Der(Keys().EcSigner.Key.get(), "p"), 40); }, "p", EU_ERROR_KEY_DAMAGED},
        {"PemBodyBroken",
         [] {
             std::string pem = Pkcs8Pem(Keys().EcSigner.Key.get(), "p");
             pem.replace(pem.find('\n') + 5, 4, "*!*!");
             return pem;
         },
         "p", EU_ERROR_KEY_DAMAGED},
        {"PemWithoutEndLine",
         [] {
             const std::string pem = Pkcs8Pem(Keys().EcSigner.Key.get(), "p");
             return Cut(pem, pem.find("-----END"));
         },
         "p", EU_ERROR_KEY_DAMAGED},
        {"Empty", [] { return std::string(); }, "p", EU_ERROR_BAD_KEY_FORMAT},
        {"Text", [] { return std::string("this is not a key\n"); }, "p", EU_ERROR_BAD_KEY_FORMAT},
        {"CertificateDer", [] { return CertificateDer(Keys().EcSigner.Certificate.get()); }, "p",
         EU_ERROR_BAD_KEY_FORMAT},
        {"CertificatePem", [] { return CertificatePem(Keys().EcSigner.Certificate.get()); }, "p",
         EU_ERROR_BAD_KEY_FORMAT},
        {"Pkcs12WithoutKey",
         [] {
             TestSigner certificateOnly{nullptr, TestCertPtr(X509_dup(Keys().EcSigner.Certificate.get()))};
             return Pkcs12Bytes(certificateOnly, "p", Pkcs12Protection::Modern);
         },
         "p", EU_ERROR_KEY_NOT_FOUND},
        {"KeyWithoutCertificateAnywhere", [] { return Pkcs8Der(Keys().EcSigner.Key.get(), ""); }, "p",
         EU_ERROR_CERT_NOT_FOUND},
    };
}

class KeyFailureTest : public SignLibraryTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(KeyFailureTest, FileGivesItsCodeAndNoKey)
{
    const ReadResult read = ReadFile(Write("key.pfx", GetParam().Bytes()), GetParam().Password);
    EXPECT_EQ(read.Code, GetParam().Code);
    EXPECT_EQ(read.Key, nullptr);
}

TEST_P(KeyFailureTest, BytesGiveTheSameCode)
{
    EXPECT_EQ(ReadBytes(GetParam().Bytes(), GetParam().Password).Code, GetParam().Code);
}

INSTANTIATE_TEST_SUITE_P(Failures, KeyFailureTest, ::testing::ValuesIn(FailureCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

class KeyFileTest : public SignLibraryTest {};

TEST_F(KeyFileTest, MissingFileIsFileNotFound)
{
    EXPECT_EQ(ReadFile(FTemp.Path() / "absent.pfx", "p").Code, EU_ERROR_FILE_NOT_FOUND);
}

TEST_F(KeyFileTest, FolderInsteadOfFileIsReadError)
{
    std::filesystem::create_directories(FTemp.Path() / "folder.pfx");
    EXPECT_EQ(ReadFile(FTemp.Path() / "folder.pfx", "p").Code, EU_ERROR_FILE_READ);
}

TEST_F(KeyFileTest, FileNameInWindows1251IsFound)
{
    const auto file = Write("Ключ Шевченка.pfx", Pkcs12Bytes(Keys().EcSigner, "p", Pkcs12Protection::Modern));
    EXPECT_EQ(ReadFile(file, "p").Code, EU_ERROR_NONE);
}

TEST_F(KeyFileTest, KeysReadTwiceAreIndependent)
{
    const auto file = Write("key.pfx", Pkcs12Bytes(Keys().EcSigner, "p", Pkcs12Protection::Modern));
    ReadResult first = ReadFile(file, "p");
    const ReadResult second = ReadFile(file, "p");
    ASSERT_EQ(first.Code, EU_ERROR_NONE);
    ASSERT_EQ(second.Code, EU_ERROR_NONE);
    first.Key.reset();
    EXPECT_TRUE(KeyMatchesCertificate(second.Key.get(), Keys().EcSigner.Certificate.get()));
}

// Signers load and use keys on several threads at once.
TEST_F(KeyFileTest, KeysAreReadOnSeveralThreadsAtOnce)
{
    const auto container = Write("key.pfx", Pkcs12Bytes(Keys().EcSigner, "p", Pkcs12Protection::Modern));
    Write("Certificates/signer.cer", CertificateDer(Keys().RsaSigner.Certificate.get()));
    const std::string plainKey = Pkcs8Der(Keys().RsaSigner.Key.get(), "");
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10; ++i) {
                const ReadResult fromFile = ReadFile(container, "p");
                const ReadResult fromStore = ReadBytes(plainKey, "");
                if (fromFile.Code == EU_ERROR_NONE && fromStore.Code == EU_ERROR_NONE &&
                    EnumOwnCertificate(fromFile.Key.get(), 0).Code == EU_ERROR_NONE &&
                    fromStore.Owner.Serial == RsaSignerSerial)
                    ++good;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(good, 40);
}

}  // namespace
}  // namespace korvel::test
