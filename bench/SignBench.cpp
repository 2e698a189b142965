// Signatures per second through the signing library's EUCtxSignData (CAdES-BES, content inside,
// certificate included), beside the bare OpenSSL signature of the same data with the same key
// (EVP_DigestSign, SHA-256), both measured in the same run for P-256 and RSA-2048 keys. The gap is
// what the CMS structure, its attributes and the encoding cost.

#include "fixtures/TempDir.h"
#include "fixtures/TestKeys.h"
#include "signlib/PrivateKeyContext.h"
#include "signlib/SignLibrary.h"

#include "BenchOptions.h"

#include <openssl/evp.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvel::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t WarmUpSignatures = 20;

struct TOptions {
    std::size_t Count = 1000;
    std::size_t DataBytes = 256;
};

const char* Usage = "usage: korvel_sign_bench [--count N] [--data BYTES]\n"
                    "  --count  signatures per row (default 1000)\n"
                    "  --data   bytes of data signed (default 256)\n";

TOptions ParseOptions(int AArgc, char** AArgv)
{
    TOptions options;
    bench::ForEachOption(AArgc, AArgv, Usage, [&](const std::string& AName, const std::string& AValue) {
        if (AName == "--count")
            options.Count = bench::PositiveNumber(AValue, Usage);
        else if (AName == "--data")
            options.DataBytes = bench::PositiveNumber(AValue, Usage);
        else
            return false;
        return true;
    });
    return options;
}

// One signature; false when it failed.
using TSignOnce = std::function<bool()>;

struct TRate {
    std::size_t Failures = 0;
    double Seconds = 0;
};

TRate Measure(const TSignOnce& ASign, std::size_t ACount)
{
    for (std::size_t i = 0; i < WarmUpSignatures; ++i)
        ASign();
    TRate rate;
    const auto start = Clock::now();
    for (std::size_t i = 0; i < ACount; ++i)
        rate.Failures += ASign() ? 0 : 1;
    rate.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return rate;
}

void PrintRow(const char* AKey, const char* APath, std::size_t ACount, const TRate& ARate)
{
    std::printf("%-9s %-20s %8zu %9.3f %11.1f %10.1f\n", AKey, APath, ACount, ARate.Seconds, ACount / ARate.Seconds,
                ARate.Seconds * 1e6 / ACount);
}

TSignOnce LibrarySignature(signlib::TPrivateKeyContext& AKey, const std::string& AData)
{
    return [&AKey, &AData] {
        unsigned char* sign = nullptr;
        unsigned long length = 0;
        const unsigned long code =
            EUCtxSignData(&AKey, EU_SIGN_ALGO_DEFAULT, reinterpret_cast<const unsigned char*>(AData.data()),
                          AData.size(), false, true, &sign, &length);
        std::free(sign);
        return code == EU_ERROR_NONE;
    };
}

TSignOnce RawSignature(EVP_PKEY* AKey, const std::string& AData)
{
    return [AKey, &AData] {
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
        std::vector<unsigned char> signature(EVP_PKEY_get_size(AKey));
        std::size_t length = signature.size();
        return context != nullptr && EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, AKey) == 1 &&
               EVP_DigestSign(context.get(), signature.data(), &length,
                              reinterpret_cast<const unsigned char*>(AData.data()), AData.size()) == 1;
    };
}

std::unique_ptr<signlib::TPrivateKeyContext> KeyContext(const test::TestSigningKeys& AKeys, test::TestKeyType AType)
{
    auto context = std::make_unique<signlib::TPrivateKeyContext>();
    EVP_PKEY_up_ref(AKeys.Key(AType));
    X509_up_ref(AKeys.Certificate(AType));
    context->Key.reset(AKeys.Key(AType));
    context->Certificate.reset(AKeys.Certificate(AType));
    return context;
}

int Run(const TOptions& AOptions)
{
    const test::TempDir folder;
    const test::TestSigningKeys keys(folder.Path());
    const std::string data(AOptions.DataBytes, 'd');
    const std::uint32_t cadesBes = EU_SIGN_TYPE_CADES_BES;
    const std::int32_t noContentTimeStamp = 0;
    if (EUInitialize() != EU_ERROR_NONE)
        throw std::runtime_error("the signing library does not start");
    EUSetRuntimeParameter("SignType", &cadesBes, sizeof cadesBes);
    EUSetRuntimeParameter("SignIncludeContentTimeStamp", &noContentTimeStamp, sizeof noContentTimeStamp);

    std::printf("Signatures on one thread, %zu bytes of data, %zu per row after %zu warm-up signatures.\n",
                AOptions.DataBytes, AOptions.Count, WarmUpSignatures);
    std::printf("  EUCtxSignData  CAdES-BES SignedData, content inside, signer certificate included, DER\n"
                "  raw OpenSSL    EVP_DigestSign with SHA-256 over the same data, same key\n\n");
    std::printf("%-9s %-20s %8s %9s %11s %10s\n", "key", "path", "count", "seconds", "per second", "mean us");

    std::size_t failures = 0;
    const struct {
        const char* Name;
        test::TestKeyType Type;
    } rows[] = {{"P-256", test::TestKeyType::P256}, {"RSA-2048", test::TestKeyType::Rsa2048}};
    for (const auto& row : rows) {
        auto context = KeyContext(keys, row.Type);
        const TRate library = Measure(LibrarySignature(*context, data), AOptions.Count);
        PrintRow(row.Name, "EUCtxSignData", AOptions.Count, library);
        const TRate raw = Measure(RawSignature(keys.Key(row.Type), data), AOptions.Count);
        PrintRow(row.Name, "raw OpenSSL", AOptions.Count, raw);
        std::fflush(stdout);
        failures += library.Failures + raw.Failures;
    }
    if (failures > 0)
        std::printf("\n%zu signatures failed\n", failures);
    EUFinalize();
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace korvel::bench

int main(int AArgc, char** AArgv)
{
    return korvel::bench::RunBenchMain("korvel_sign_bench",
                                       [&] { return korvel::bench::Run(korvel::bench::ParseOptions(AArgc, AArgv)); });
}
