// JKS key stores: aliases, key bytes that open with the key password, and hostile stores.

#include "KeyTestSupport.h"

#include "fixtures/TestJks.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstdint>
#include <set>

namespace korvel::test {
namespace {

const std::filesystem::path DataFolder = KORVEL_SIGNLIB_TEST_DATA;

// What make-jks.sh put into korvel-test.jks.
struct StoreEntry {
    const char* Alias;
    const char* KeyPassword;  // UTF-8
    const char* Certificate;  // file beside the store
    const char* Issuer;       // "" for a self-signed key
};

const StoreEntry Entries[] = {
    {"second", "другий-пароль", "second.crt", ""},
    {"signer", "signerpass", "signer.crt", "ca.crt"},
};

std::string CommittedDer(const char* file)
{
    return CertificateDer(ParseCertificate(ReadFileBytes(DataFolder / file)).get());
}

class JksTest : public SignLibraryTest {
protected:
    std::string StorePath() const { return Ansi((DataFolder / "korvel-test.jks").string()); }

    // The alias at the index, or the code.
    static unsigned long Alias(const std::string& file, unsigned long index, std::string& alias)
    {
        char* text = nullptr;
        const unsigned long code = EUEnumJKSPrivateKeysFile(file.c_str(), index, &text);
        if (code == EU_ERROR_NONE) {
            alias = text;
            EUFreeMemory(text);
        }
        return code;
    }

    static unsigned long KeyBytes(const std::string& file, const std::string& alias, std::string& bytes)
    {
        unsigned char* key = nullptr;
        unsigned long length = 0;
        const unsigned long code =
            EUGetJKSPrivateKeyFile(file.c_str(), alias.c_str(), &key, &length, nullptr, nullptr, nullptr);
        if (code == EU_ERROR_NONE) {
            bytes.assign(reinterpret_cast<const char*>(key), length);
            EUFreeMemory(key);
        }
        return code;
    }

    std::string WriteStore(const std::string& bytes) const { return Ansi(Write("store.jks", bytes).string()); }
};

TEST_F(JksTest, PrivateKeyAliasesAreEnumeratedInStoreOrderThenTheEnd)
{
    std::string alias;
    for (unsigned long i = 0; i < std::size(Entries); ++i) {
        ASSERT_EQ(Alias(StorePath(), i, alias), EU_ERROR_NONE) << i;
        EXPECT_EQ(alias, Entries[i].Alias);
    }
    EXPECT_EQ(Alias(StorePath(), std::size(Entries), alias), EU_WARNING_END_OF_ENUM) << "the trusted CA is no key";
    EXPECT_EQ(Alias(StorePath(), 1000, alias), EU_WARNING_END_OF_ENUM);
}

TEST_F(JksTest, KeyBytesOpenWithTheKeyPasswordAndMatchTheirCertificate)
{
    for (const StoreEntry& entry : Entries) {
        SCOPED_TRACE(entry.Alias);
        std::string bytes;
        ASSERT_EQ(KeyBytes(StorePath(), entry.Alias, bytes), EU_ERROR_NONE);
        const ReadResult read = ReadBytes(bytes, entry.KeyPassword);
        ASSERT_EQ(read.Code, EU_ERROR_NONE);
        const TestCertPtr certificate = ParseCertificate(ReadFileBytes(DataFolder / entry.Certificate));
        EXPECT_TRUE(KeyMatchesCertificate(read.Key.get(), certificate.get()));
        EXPECT_EQ(EnumOwnCertificate(read.Key.get(), 0).Der, CertificateDer(certificate.get()));
        unsigned long next = 1;
        if (*entry.Issuer != '\0') {
            EXPECT_EQ(EnumOwnCertificate(read.Key.get(), next++).Der, CommittedDer(entry.Issuer));
        }
        EXPECT_EQ(EnumOwnCertificate(read.Key.get(), next).Code, EU_WARNING_END_OF_ENUM);
    }
}

TEST_F(JksTest, OwnerOfTheKeytoolCertificateIsReadFromItsSubject)
{
    std::string bytes;
    ASSERT_EQ(KeyBytes(StorePath(), "signer", bytes), EU_ERROR_NONE);
    const ReadResult read = ReadBytes(bytes, "signerpass");
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    EXPECT_EQ(read.Owner.SubjFullName, "Шевченко Тарас Григорович");
    EXPECT_EQ(read.Owner.SubjOrg, "ТОВ Кобзар");
    EXPECT_EQ(read.Owner.SubjDRFOCode, "1234567890");
    EXPECT_EQ(read.Owner.SubjEDRPOUCode, "12345678");
    EXPECT_EQ(read.Owner.IssuerCN, "Тестовий ЦСК");
}

TEST_F(JksTest, CertificatesOfTheEntryMayBeAskedWithTheKey)
{
    unsigned char* key = nullptr;
    unsigned long length = 0;
    unsigned long count = 0;
    unsigned char** certificates = nullptr;
    unsigned long* lengths = nullptr;
    ASSERT_EQ(EUGetJKSPrivateKeyFile(StorePath().c_str(), "signer", &key, &length, &count, &certificates, &lengths),
              EU_ERROR_NONE);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(certificates[0]), lengths[0]), CommittedDer("signer.crt"));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(certificates[1]), lengths[1]), CommittedDer("ca.crt"));
    EUFreeMemory(certificates);
    EUFreeMemory(lengths);
    EUFreeMemory(key);
    EXPECT_EQ(EUGetJKSPrivateKeyFile(StorePath().c_str(), "signer", &key, &length, &count, nullptr, &lengths),
              EU_ERROR_BAD_PARAMETER)
        << "the certificate outputs go together";
}

TEST_F(JksTest, AliasesCompareAsJavaDoesIgnoringCase)
{
    std::string bytes;
    EXPECT_EQ(KeyBytes(StorePath(), "SIGNER", bytes), EU_ERROR_NONE);
}

TEST_F(JksTest, FailuresGiveTheirCodes)
{
    std::string bytes;
    EXPECT_EQ(KeyBytes(StorePath(), "nobody", bytes), EU_ERROR_JKS_ALIAS_NOT_FOUND);
    EXPECT_EQ(KeyBytes(StorePath(), "ca", bytes), EU_ERROR_JKS_ALIAS_NOT_FOUND) << "a trusted certificate has no key";

    const std::string absent = Ansi((FTemp.Path() / "absent.jks").string());
    std::string alias;
    EXPECT_EQ(Alias(absent, 0, alias), EU_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(KeyBytes(absent, "signer", bytes), EU_ERROR_FILE_NOT_FOUND);

    const std::string pkcs12 = WriteStore(Pkcs12Bytes(Keys().EcSigner, "p", Pkcs12Protection::Modern));
    EXPECT_EQ(Alias(pkcs12, 0, alias), EU_ERROR_JKS_FORMAT);
    EXPECT_EQ(KeyBytes(pkcs12, "signer", bytes), EU_ERROR_JKS_FORMAT);

    ASSERT_EQ(KeyBytes(StorePath(), "signer", bytes), EU_ERROR_NONE);
    EXPECT_EQ(ReadBytes(bytes, "signerPass").Code, EU_ERROR_BAD_PASSWORD);
    EXPECT_EQ(ReadBytes(bytes, "storepass").Code, EU_ERROR_BAD_PASSWORD);
}

TEST_F(JksTest, StoreReadAsKeyFileOpensItsFirstPrivateKey)
{
    const ReadResult read = ReadFile(DataFolder / "korvel-test.jks", Entries[0].KeyPassword);
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    EXPECT_EQ(EnumOwnCertificate(read.Key.get(), 0).Der, CommittedDer(Entries[0].Certificate));
}

TEST_F(JksTest, VersionOneStoresAreRead)
{
    const TestSigner& signer = Keys().RsaSigner;
    const std::string store = WriteStore(JksBuilder(1)
                                             .TrustedCertificate("ca", CertificateDer(Keys().Authority.Certificate()))
                                             .PrivateKey("old key", SunProtectedKeyDer(signer.Key.get(), "v1"),
                                                         {CertificateDer(signer.Certificate.get())})
                                             .Bytes());
    std::string alias;
    ASSERT_EQ(Alias(store, 0, alias), EU_ERROR_NONE);
    EXPECT_EQ(alias, "old key");
    std::string bytes;
    ASSERT_EQ(KeyBytes(store, alias, bytes), EU_ERROR_NONE);
    const ReadResult read = ReadBytes(bytes, "v1");
    ASSERT_EQ(read.Code, EU_ERROR_NONE);
    EXPECT_TRUE(KeyMatchesCertificate(read.Key.get(), signer.Certificate.get()));
}

TEST_F(JksTest, EmptyStoreEndsAtOnce)
{
    std::string alias;
    EXPECT_EQ(Alias(WriteStore(JksBuilder().Bytes()), 0, alias), EU_WARNING_END_OF_ENUM);
}

// Every shorter prefix of a real store lacks at least part of its check value.
TEST_F(JksTest, EveryTruncationIsAFormatError)
{
    const std::string whole = ReadFileBytes(DataFolder / "korvel-test.jks");
    for (size_t keep = 0; keep < whole.size(); ++keep) {
        const std::string store = WriteStore(whole.substr(0, keep));
        std::string alias;
        std::string bytes;
        ASSERT_EQ(Alias(store, 0, alias), EU_ERROR_JKS_FORMAT) << keep;
        ASSERT_EQ(KeyBytes(store, "signer", bytes), EU_ERROR_JKS_FORMAT) << keep;
    }
}

// A store with one private-key entry, alias "k": the offsets of its fields.
struct OneKeyStore {
    std::string Bytes;
    size_t KeyLength = 0;

    static OneKeyStore Make()
    {
        const TestSigner& signer = Keys().EcSigner;
        const std::string key = SunProtectedKeyDer(signer.Key.get(), "p");
        return {JksBuilder().PrivateKey("k", key, {CertificateDer(signer.Certificate.get())}).Bytes(), key.size()};
    }
    size_t ChainCount() const { return 31 + KeyLength; }
    size_t CertificateLength() const { return ChainCount() + 4 + 2 + 5; }
};

struct LieCase {
    const char* Name;
    size_t (*Offset)(const OneKeyStore&);
    std::uint32_t Value;
};

// Test names in CTest show the case, not its bytes.
void PrintTo(const LieCase& c, std::ostream* out)
{
    *out << c.Name;
}

const LieCase Lies[] = {
    {"WrongMagic", [](const OneKeyStore&) -> size_t { return 0; }, 0xFEEDFEEE},
    {"UnknownVersion", [](const OneKeyStore&) -> size_t { return 4; }, 3},
    {"HugeEntryCount", [](const OneKeyStore&) -> size_t { return 8; }, 0xFFFFFFFF},
    {"TwoEntriesForOne", [](const OneKeyStore&) -> size_t { return 8; }, 2},
    {"UnknownEntryTag", [](const OneKeyStore&) -> size_t { return 12; }, 3},
    {"AliasLengthPastTheEnd", [](const OneKeyStore&) -> size_t { return 16; }, 0xFFFF0000 | ('k' << 8)},
    {"HugeKeyLength", [](const OneKeyStore&) -> size_t { return 27; }, 0xFFFFFFFF},
    {"KeyLengthPastTheEnd", [](const OneKeyStore&) -> size_t { return 27; }, 0x7FFFFFF0},
    {"HugeChainCount", [](const OneKeyStore& s) { return s.ChainCount(); }, 0xFFFFFFFF},
    {"HugeCertificateLength", [](const OneKeyStore& s) { return s.CertificateLength(); }, 0xFFFFFFFF},
};

class JksLieTest : public JksTest, public ::testing::WithParamInterface<LieCase> {};

TEST_P(JksLieTest, LyingFieldIsAFormatError)
{
    OneKeyStore store = OneKeyStore::Make();
    {
        std::string alias;
        ASSERT_EQ(Alias(WriteStore(store.Bytes), 0, alias), EU_ERROR_NONE) << "the honest store reads";
        ASSERT_EQ(alias, "k");
    }
    PutU32(store.Bytes, GetParam().Offset(store), GetParam().Value);
    const std::string file = WriteStore(store.Bytes);
    std::string alias;
    std::string bytes;
    EXPECT_EQ(Alias(file, 0, alias), EU_ERROR_JKS_FORMAT);
    EXPECT_EQ(KeyBytes(file, "k", bytes), EU_ERROR_JKS_FORMAT);
}

INSTANTIATE_TEST_SUITE_P(Lies, JksLieTest, ::testing::ValuesIn(Lies),
                         [](const auto& info) { return std::string(info.param.Name); });

// Length of the leading DER element (a definite length of at most four bytes).
size_t DerElementLength(const std::string& der)
{
    const auto first = static_cast<unsigned char>(der.at(1));
    if (first < 0x80)
        return 2 + first;
    size_t length = 0;
    for (size_t i = 0; i < (first & 0x7Fu); ++i)
        length = (length << 8) | static_cast<unsigned char>(der.at(2 + i));
    return 2 + (first & 0x7Fu) + length;
}

// Key bytes cut inside the protected key are damaged; cut right after it, the key opens but its
// certificate is gone.
TEST_F(JksTest, CutKeyBytesAreDamaged)
{
    std::string bytes;
    ASSERT_EQ(KeyBytes(StorePath(), "signer", bytes), EU_ERROR_NONE);
    const size_t keyLength = DerElementLength(bytes);
    ASSERT_GT(bytes.size(), keyLength);
    for (size_t keep = 1; keep < keyLength; ++keep)
        ASSERT_EQ(ReadBytes(bytes.substr(0, keep), "signerpass").Code, EU_ERROR_KEY_DAMAGED) << keep;
    EXPECT_EQ(ReadBytes(bytes.substr(0, keyLength), "signerpass").Code, EU_ERROR_CERT_NOT_FOUND);
}

// Random byte changes: whatever happens, an answer and no crash (the sanitizer builds watch reads).
TEST_F(JksTest, CorruptedStoresNeverCrash)
{
    const std::string whole = ReadFileBytes(DataFolder / "korvel-test.jks");
    const std::set<unsigned long> allowed = {EU_ERROR_NONE, EU_WARNING_END_OF_ENUM, EU_ERROR_JKS_FORMAT,
                                             EU_ERROR_JKS_ALIAS_NOT_FOUND};
    const std::set<unsigned long> keyCodes = {EU_ERROR_NONE, EU_ERROR_BAD_PASSWORD, EU_ERROR_BAD_KEY_FORMAT,
                                              EU_ERROR_KEY_DAMAGED, EU_ERROR_CERT_NOT_FOUND};
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (int round = 0; round < 300; ++round) {
        std::string corrupted = whole;
        for (int change = 0; change < 1 + round % 4; ++change)
            corrupted[next() % corrupted.size()] = static_cast<char>(next());
        const std::string store = WriteStore(corrupted);
        std::string alias;
        const unsigned long code = Alias(store, 1, alias);
        ASSERT_TRUE(allowed.count(code)) << code;
        std::string bytes;
        const unsigned long keyCode = KeyBytes(store, code == EU_ERROR_NONE ? alias : "signer", bytes);
        ASSERT_TRUE(allowed.count(keyCode)) << keyCode;
        if (keyCode == EU_ERROR_NONE) {
            ASSERT_TRUE(keyCodes.count(ReadBytes(bytes, "signerpass").Code));
        }
    }
}

}  // namespace
}  // namespace korvel::test
