// korvelctl secret: enciphers and deciphers the stored secrets (the Redis passwords), for operators who
// set REDIS_PASSWORD / REDIS_TEST_PASSWORD in config.ini or the build settings.

#include "CommandRegistry.h"

#include "foundation/SecretScrambler.h"

#include <iostream>

namespace korvel::cli {

namespace {

int RunSecret(const std::vector<std::string>& AArgs);

const TCommandGroup SecretGroup{"secret",
                                "secret encipher TEXT    print the enciphered form of TEXT, on one line\n"
                                "secret decipher TEXT    print the secret that an enciphered form holds",
                                RunSecret};

[[maybe_unused]] const bool Registered = RegisterCommandGroup(SecretGroup);

int RunSecret(const std::vector<std::string>& AArgs)
{
    if (AArgs.size() != 2)
        return UsageError(SecretGroup);
    if (AArgs[0] == "encipher") {
        // Throws with its reason when the text cannot be enciphered; main prints it and exits with ExitFailure.
        std::cout << EncipherStoredSecret(AArgs[1]) << '\n';
        return ExitOk;
    }
    if (AArgs[0] == "decipher") {
        std::cout << DecipherStoredSecret(AArgs[1]) << '\n';
        return ExitOk;
    }
    return UsageError(SecretGroup);
}

}  // namespace

}  // namespace korvel::cli
