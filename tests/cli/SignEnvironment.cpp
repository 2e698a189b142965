#include "SignEnvironment.h"

#include "fixtures/ChildProcess.h"
#include "fixtures/CmsVerification.h"
#include "fixtures/SoftHsmToken.h"
#include "foundation/Base64.h"
#include "foundation/Log.h"
#include "foundation/Param.h"
#include "signing/Sign.h"

#include <sstream>

namespace korvel::test {

const TestAuthority& SigningAuthority()
{
    static const TestAuthority authority;
    return authority;
}

const TestSigner& Signer()
{
    static const TestSigner signer = SigningAuthority().Issue(TestKeyType::P256, UkrainianSubject(), SignerSerial);
    return signer;
}

SignEnvironment::SignEnvironment()
{
    std::filesystem::create_directories(FFolder.Path() / "Korvel");
    std::filesystem::create_directories(FFolder.Path() / "log");
    FTsa.Start();
    const std::string list = R"([{"issuerCNs": [")" + TestCreator +
                             R"("], "cmpAddress": "127.0.0.1", "tspAddress": "127.0.0.1", "tspAddressPort": ")" +
                             std::to_string(FTsa.Port()) +
                             R"(", "ocspAccessPointAddress": "127.0.0.1", "ocspAccessPointPort": "1"},
        {"issuerCNs": [")" + CloudCreator +
                             R"("], "cloud_type": "vchasno"}])";
    FWeb.Routes().Get("/certs/cas.json", FWeb.Reply(200, list));
    FWeb.Start();
    TParam::WriteValue("SIGN_LIBRARY", REAL_SIGN_LIBRARY);
    TParam::WriteValue("WEB_URL", FWeb.Url(""));
    TParam::WriteValue("WEB_TEST_URL", FWeb.Url(""));
    TParam::WriteValue("TLS_CA_FILE", FCertificates.CaFile().string());
    // Only SoftHSM, with the tokens of the test's own configuration: no token of the machine is looked at.
    TParam::WriteValue("PKCS11_MODULES", SoftHsmToken::ModulePath());
    WriteFileBytes(SignerCaFile(), CertificatePem(SigningAuthority().Certificate()));
}

void SignEnvironment::TearDown()
{
    TSign::ResetForTests();
    TLog::ResetForTests();
}

std::filesystem::path SignEnvironment::WritePkcs12Key() const
{
    const auto file = FFolder.Path() / "ключ.p12";
    WriteFileBytes(file,
                   Pkcs12Bytes(Signer(), KeyPassword, Pkcs12Protection::Modern, {SigningAuthority().Certificate()}));
    return file;
}

std::filesystem::path SignEnvironment::WriteFile(const std::string& AName, const std::string& AText) const
{
    const auto file = FFolder.Path() / AName;
    WriteFileBytes(file, AText);
    return file;
}

std::optional<std::string> SignEnvironment::Verified(const std::string& ABase64,
                                                     const std::optional<std::string>& ADetached) const
{
    const CmsVerification result = VerifyCms(Base64Decode(ABase64), SignerCaFile(), FFolder.Path(), {ADetached});
    if (!result.Verified) {
        ADD_FAILURE() << result.Error;
        return std::nullopt;
    }
    return result.Content;
}

std::vector<std::string> LoggedMessages(const std::string& AText)
{
    std::vector<std::string> messages;
    std::istringstream lines(AText);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto stampEnd = line.find(": ");
        messages.push_back(stampEnd == std::string::npos ? line : line.substr(stampEnd + 2));
    }
    return messages;
}

}  // namespace korvel::test
