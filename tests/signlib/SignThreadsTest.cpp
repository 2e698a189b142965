// Signers on different threads at once, each with the runtime parameters its own thread set.

#include "SignatureChecks.h"

#include "fixtures/TempDir.h"
#include "fixtures/TimeStampAuthority.h"
#include "signlib/SignLibrary.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace korvel::test {
namespace {

constexpr int SignaturesPerThread = 8;

struct ThreadOutcome {
    std::vector<unsigned long> Codes;
    std::vector<bool> Stamped;  // whether each signature carries a signature time-stamp
};

bool HasSignatureTimeStamp(const std::string& der)
{
    CmsPtr cms = ParseSignedData(der);
    CMS_SignerInfo* signer = cms ? OnlySigner(cms.get()) : nullptr;
    return signer != nullptr && UnsignedSequence(signer, NID_id_smime_aa_timeStampToken).has_value();
}

// Sets the thread's signature type once, then signs repeatedly with its own key.
void SignRepeatedly(signlib::TPrivateKeyContext* key, std::uint32_t signType, ThreadOutcome* outcome)
{
    const std::int32_t noContentTimeStamp = 0;
    EUSetRuntimeParameter("SignType", &signType, sizeof signType);
    EUSetRuntimeParameter("SignIncludeContentTimeStamp", &noContentTimeStamp, sizeof noContentTimeStamp);
    for (int i = 0; i < SignaturesPerThread; ++i) {
        const std::string data = "signature " + std::to_string(i) + " of type " + std::to_string(signType);
        const SignResult result = i % 2 == 0 ? SignData(key, data, false, true) : SignHash(key, Sha256Of(data), true);
        outcome->Codes.push_back(result.Code);
        outcome->Stamped.push_back(result.Code == EU_ERROR_NONE && HasSignatureTimeStamp(result.Der));
    }
}

TEST(SignThreadsTest, EachThreadSignsWithItsOwnSignType)
{
    const InitializedLibrary library;
    TempDir folder;
    const TestSigningKeys& keys = SharedSigningKeys();
    TimeStampAuthority authority(folder.Path());
    authority.Start();
    SetTimeStampServer(true, "127.0.0.1", std::to_string(authority.Port()));

    struct Signer {
        TestKeyType Key;
        std::uint32_t Type;
        unsigned long ExpectedCode;
        bool ExpectedStamp;
    };
    const Signer signers[] = {
        {TestKeyType::P256, EU_SIGN_TYPE_CADES_BES, EU_ERROR_NONE, false},
        {TestKeyType::Rsa2048, EU_SIGN_TYPE_CADES_T, EU_ERROR_NONE, true},
        {TestKeyType::P256, EU_SIGN_TYPE_CADES_T, EU_ERROR_NONE, true},
        {TestKeyType::Rsa2048, EU_SIGN_TYPE_CADES_BES, EU_ERROR_NONE, false},
        {TestKeyType::P256, EU_SIGN_TYPE_CADES_C, EU_ERROR_SIGN_TYPE_NOT_SUPPORTED, false},
    };
    std::vector<std::unique_ptr<signlib::TPrivateKeyContext>> contexts;
    std::vector<ThreadOutcome> outcomes(std::size(signers));
    std::vector<std::thread> threads;
    for (const Signer& signer : signers)
        contexts.push_back(MakeKeyContext(keys, signer.Key));
    for (std::size_t i = 0; i < std::size(signers); ++i)
        threads.emplace_back(SignRepeatedly, contexts[i].get(), signers[i].Type, &outcomes[i]);
    for (std::thread& thread : threads)
        thread.join();

    for (std::size_t i = 0; i < std::size(signers); ++i) {
        ASSERT_EQ(std::size_t{SignaturesPerThread}, outcomes[i].Codes.size());
        for (int n = 0; n < SignaturesPerThread; ++n) {
            EXPECT_EQ(signers[i].ExpectedCode, outcomes[i].Codes[n]) << "thread " << i << ", signature " << n;
            EXPECT_EQ(signers[i].ExpectedStamp, outcomes[i].Stamped[n]) << "thread " << i << ", signature " << n;
        }
    }
    EXPECT_EQ(std::size_t{2 * SignaturesPerThread}, authority.QueryCount());
    SetTimeStampServer(false, "", "");
}

TEST(SignThreadsTest, NewThreadStartsWithCadesBesAndNoContentTimeStamp)
{
    const InitializedLibrary library;
    auto key = MakeKeyContext(SharedSigningKeys(), TestKeyType::P256);
    SetTimeStampServer(false, "", "");
    SetSignType(EU_SIGN_TYPE_CADES_T);
    SetContentTimeStamp(true);

    SignResult result;
    std::thread([&] { result = SignData(key.get(), "TEST", false, true); }).join();

    EXPECT_EQ(EU_ERROR_NONE, result.Code);
    EXPECT_FALSE(HasSignatureTimeStamp(result.Der));
}

}  // namespace
}  // namespace korvel::test
