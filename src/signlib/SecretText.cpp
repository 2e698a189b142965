#include "signlib/SecretText.h"

#include <openssl/crypto.h>

namespace korvel::signlib {

TSecretText::TSecretText(std::string_view AText) : FText(AText)
{
}

TSecretText::~TSecretText()
{
    Wipe();
}

TSecretText::TSecretText(const TSecretText& AOther) : FText(AOther.FText)
{
}

TSecretText& TSecretText::operator=(const TSecretText& AOther)
{
    if (this != &AOther) {
        Wipe();
        FText = AOther.FText;
    }
    return *this;
}

void TSecretText::Wipe() noexcept
{
    // The whole capacity: a shorter text may have been assigned over a longer one.
    if (FText.capacity() > 0)
        OPENSSL_cleanse(FText.data(), FText.capacity());
    FText.clear();
}

}  // namespace korvel::signlib
