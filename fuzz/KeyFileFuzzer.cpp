// Any bytes as a key file: PKCS#12, PKCS#8 (DER or PEM), a JKS store or a JKS entry's key bytes,
// recognised by content as the signing library does for every key file.

#include "KeyFuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    korvel::fuzz::PrepareSigningLibrary();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize)
{
    korvel::fuzz::OpenKeyBytes(std::string_view(reinterpret_cast<const char*>(AData), ASize));
    return 0;
}
