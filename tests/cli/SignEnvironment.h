#pragma once

// The ground of korvelctl's signing tests, for the tool run as a child and for its parts run in this process:
// temporary program-data, log and configuration folders (the child inherits the environment), config.ini naming
// the real signing library, an HTTPS web server that serves the authority list, a time-stamp authority, and a test
// CA with one signer whose PKCS#12 file can be written.

#include "fixtures/HttpsServer.h"
#include "fixtures/TempDir.h"
#include "fixtures/TestCertificates.h"
#include "fixtures/TestKeys.h"
#include "fixtures/TimeStampAuthority.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace korvel::test {

// The authority that issues the test signer, and a cloud-signing authority.
inline const std::string TestCreator = "Тестовий ЦСК";
inline const std::string CloudCreator = "Хмарний ЦСК";
inline const std::string SignerSerial = "5E984D526F82F38F0400000012345678ABCDEF01";
inline const std::string KeyPassword = "пароль ключа";

// One CA and signer for the whole program: key generation is the slow part.
const TestAuthority& SigningAuthority();
const TestSigner& Signer();

class SignEnvironment : public ::testing::Test {
protected:
    SignEnvironment();
    void TearDown() override;

    // A PKCS#12 file of the signer (password KeyPassword) in the test's folder.
    std::filesystem::path WritePkcs12Key() const;
    // A file holding AText, e.g. a password file.
    std::filesystem::path WriteFile(const std::string& AName, const std::string& AText) const;
    // The test CA of the signer, as a PEM file.
    std::filesystem::path SignerCaFile() const { return FFolder.Path() / "signing-ca.crt"; }

    // The signed content when `openssl cms -verify` accepts the base64 signature against the signer's CA;
    // ADetached: the content of a signature that does not carry it.
    std::optional<std::string> Verified(const std::string& ABase64,
                                        const std::optional<std::string>& ADetached = std::nullopt) const;

    TempDir FFolder;
    EnvGuard FProgramData{"KORVEL_PROGRAMDATA", FFolder.Folder() + "Korvel/"};
    EnvGuard FLogDir{"KORVEL_LOG_DIR", FFolder.Folder() + "log"};
    EnvGuard FConfigHome{"XDG_CONFIG_HOME", FFolder.Folder() + "config"};
    TestCertificates FCertificates{FFolder.Path()};
    HttpsServer FWeb{FCertificates.For(ServerIdentity::Trusted)};
    TimeStampAuthority FTsa{FFolder.Path()};
};

// The messages of the log lines in AText (one per line, stamps removed).
std::vector<std::string> LoggedMessages(const std::string& AText);

}  // namespace korvel::test
