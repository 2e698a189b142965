#include "signlib/TokenPin.h"

#include "foundation/TextCodec.h"
#include "signlib/SignError.h"
#include "signlib/SignLibrary.h"

#include <cstring>
#include <openssl/crypto.h>

namespace korvel::signlib {

TTokenPin TTokenPin::FromAnsiField(const char* AField, std::size_t ASize)
{
    const std::size_t length = strnlen(AField, ASize);
    if (length == ASize)
        throw TSignError(EU_ERROR_BAD_PARAMETER, "the password field holds no terminating zero");
    return TTokenPin(AnsiToUtf8(std::string_view(AField, length)));
}

TTokenPin::TTokenPin(std::string AUtf8) : FText(std::move(AUtf8))
{
}

TTokenPin::TTokenPin(TTokenPin&& AOther) noexcept
{
    // Copy and wipe rather than move: a moved short string leaves its bytes behind.
    FText.assign(AOther.FText);
    AOther.Wipe();
}

TTokenPin::~TTokenPin()
{
    Wipe();
}

void TTokenPin::Wipe() noexcept
{
    OPENSSL_cleanse(FText.data(), FText.size());
    FText.clear();
}

}  // namespace korvel::signlib
