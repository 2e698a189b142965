// A key that carries no certificate finds it in the file store folder by its public key.

#include "KeyTestSupport.h"

#include <gtest/gtest.h>

#include <ostream>

#include <functional>

namespace korvel::test {
namespace {

const TestSigner& Signer()
{
    return Keys().EcSigner;
}

std::string PlainKey()
{
    return Pkcs8Der(Signer().Key.get(), "");
}

struct StoreCase {
    const char* Name;
    const char* FileName;
    std::function<std::string()> Bytes;
    bool HoldsAuthority;
};

// Test names in CTest show the case, not its bytes.
void PrintTo(const StoreCase& c, std::ostream* out)
{
    *out << c.Name;
}

std::vector<StoreCase> StoreCases()
{
    return {
        {"Pkcs7Bundle", "CACertificates.p7b",
         [] {
             return Pkcs7Bundle({Keys().Authority.Certificate(), Signer().Certificate.get()});
         },
         true},
        {"DerCer", "signer.cer", [] { return CertificateDer(Signer().Certificate.get()); }, false},
        {"PemCrt", "signer.crt", [] { return CertificatePem(Signer().Certificate.get()); }, false},
        {"PemWithSeveral", "all.pem",
         [] { return CertificatePem(Keys().Authority.Certificate()) + CertificatePem(Signer().Certificate.get()); },
         true},
        {"UpperCaseExtension", "SIGNER.CER", [] { return CertificateDer(Signer().Certificate.get()); }, false},
    };
}

class FileStoreFormatTest : public SignLibraryTest, public ::testing::WithParamInterface<StoreCase> {};

TEST_P(FileStoreFormatTest, CertificateIsFoundByPublicKey)
{
    const std::filesystem::path store = FTemp.Path() / "store";
    Write("store/" + std::string(GetParam().FileName), GetParam().Bytes());
    ASSERT_EQ(EUSetFileStoreSettings(Ansi(store.string()).c_str(), 0, 1, 0, 0, 0, 1, 3600), EU_ERROR_NONE);

    const ReadResult read = ReadBytes(PlainKey(), "p");
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    EXPECT_EQ(read.Owner.Serial, EcSignerSerial);
    EXPECT_EQ(EnumOwnCertificate(read.Key.get(), 0).Der, CertificateDer(Signer().Certificate.get()));
    const OwnCertificate issuer = EnumOwnCertificate(read.Key.get(), 1);
    if (GetParam().HoldsAuthority) {
        ASSERT_EQ(issuer.Code, EU_ERROR_NONE) << "the store's issuer completes the chain";
        EXPECT_EQ(issuer.Der, CertificateDer(Keys().Authority.Certificate()));
        EXPECT_EQ(EnumOwnCertificate(read.Key.get(), 2).Code, EU_WARNING_END_OF_ENUM);
    } else {
        EXPECT_EQ(issuer.Code, EU_WARNING_END_OF_ENUM);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, FileStoreFormatTest, ::testing::ValuesIn(StoreCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

class FileStoreTest : public SignLibraryTest {
protected:
    void UseStore(const std::filesystem::path& folder) const
    {
        ASSERT_EQ(EUSetFileStoreSettings(Ansi(folder.string()).c_str(), 0, 1, 0, 0, 0, 1, 3600), EU_ERROR_NONE);
    }
};

TEST_F(FileStoreTest, OtherFilesAndCertificatesAreNoObstacle)
{
    Write("store/notes.txt", "not a certificate");
    Write("store/broken.cer", "-----BEGIN CERTIFICATE-----\n!!!!\n-----END CERTIFICATE-----\n");
    Write("store/garbage.crt", std::string(100, '\x30'));
    Write("store/other.crt", CertificatePem(Keys().RsaSigner.Certificate.get()));
    Write("store/sub/signer.cer", CertificateDer(Signer().Certificate.get()));
    Write("store/z-signer.pem", CertificatePem(Signer().Certificate.get()));
    UseStore(FTemp.Path() / "store");
    const ReadResult read = ReadBytes(PlainKey(), "p");
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    EXPECT_TRUE(KeyMatchesCertificate(read.Key.get(), Signer().Certificate.get()));
}

TEST_F(FileStoreTest, StoreWithoutTheCertificateGivesCertNotFound)
{
    Write("store/other.crt", CertificatePem(Keys().RsaSigner.Certificate.get()));
    Write("store/sub/signer.cer", CertificateDer(Signer().Certificate.get()));  // subfolders are not searched
    UseStore(FTemp.Path() / "store");
    EXPECT_EQ(ReadBytes(PlainKey(), "p").Code, EU_ERROR_CERT_NOT_FOUND);
}

TEST_F(FileStoreTest, MissingStoreFolderGivesCertNotFound)
{
    UseStore(FTemp.Path() / "absent");
    EXPECT_EQ(ReadBytes(PlainKey(), "p").Code, EU_ERROR_CERT_NOT_FOUND);
}

TEST_F(FileStoreTest, FolderNameArrivesInWindows1251)
{
    Write("Сертифікати/signer.cer", CertificateDer(Signer().Certificate.get()));
    UseStore(FTemp.Path() / "Сертифікати");
    EXPECT_EQ(ReadBytes(PlainKey(), "p").Code, EU_ERROR_NONE);
}

// The program gives the library its store once per installation; a new process must still find it.
TEST_F(FileStoreTest, UnsetStoreIsTheProgramsCertificatesFolder)
{
    Write("Certificates/CACertificates.p7b", Pkcs7Bundle({Signer().Certificate.get()}));
    EXPECT_EQ(ReadBytes(PlainKey(), "p").Code, EU_ERROR_NONE);
}

TEST_F(FileStoreTest, CertificateInTheContainerWinsOverTheStore)
{
    Write("Certificates/signer.cer", CertificateDer(Signer().Certificate.get()));
    const ReadResult read = ReadBytes(Pkcs12Bytes(Signer(), "p", Pkcs12Protection::Modern), "p");
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    EXPECT_EQ(EnumOwnCertificate(read.Key.get(), 1).Code, EU_WARNING_END_OF_ENUM) << "a container's chain is its own";
}

}  // namespace
}  // namespace korvel::test
