#include "signing/AnsiSecret.h"

#include "foundation/TextCodec.h"

#include <openssl/crypto.h>

namespace korvel {

TAnsiSecret::TAnsiSecret(std::string_view AUtf8) : FText(Utf8ToAnsi(AUtf8))
{
}

TAnsiSecret::~TAnsiSecret()
{
    WipeText(FText);
}

void WipeText(std::string& AText)
{
    if (!AText.empty())
        OPENSSL_cleanse(AText.data(), AText.size());
    AText.clear();
}

}  // namespace korvel
