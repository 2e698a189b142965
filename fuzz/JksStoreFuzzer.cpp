// Any bytes as a JKS key store file: its aliases are listed, each alias's key bytes and
// certificates are taken, and the key bytes are opened as a signer opens them. The file is an
// in-memory one, rewritten for every input.

#include "KeyFuzzSupport.h"

#include "signlib/SignLibrary.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace {

int StoreFile = -1;
std::string StorePath;

// More aliases than this tell nothing new.
constexpr unsigned long MaxAliases = 16;

void Rewrite(const std::uint8_t* AData, std::size_t ASize)
{
    if (ftruncate(StoreFile, 0) != 0 ||
        (ASize > 0 && pwrite(StoreFile, AData, ASize, 0) != static_cast<ssize_t>(ASize)))
        throw std::runtime_error("the in-memory store cannot be written");
}

void TakeEntry(const char* AAlias)
{
    unsigned char* key = nullptr;
    unsigned long length = 0;
    unsigned long count = 0;
    unsigned char** certificates = nullptr;
    unsigned long* lengths = nullptr;
    if (EUGetJKSPrivateKeyFile(StorePath.c_str(), AAlias, &key, &length, &count, &certificates, &lengths) !=
        EU_ERROR_NONE)
        return;
    korvel::fuzz::OpenKeyBytes(std::string_view(reinterpret_cast<const char*>(key), length));
    EUFreeMemory(certificates);
    EUFreeMemory(lengths);
    EUFreeMemory(key);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    korvel::fuzz::PrepareSigningLibrary();
    StoreFile = memfd_create("korvel-fuzz-store", MFD_CLOEXEC);
    if (StoreFile < 0)
        throw std::runtime_error("no in-memory file");
    StorePath = "/proc/self/fd/" + std::to_string(StoreFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize)
{
    Rewrite(AData, ASize);
    for (unsigned long index = 0; index < MaxAliases; ++index) {
        char* alias = nullptr;
        if (EUEnumJKSPrivateKeysFile(StorePath.c_str(), index, &alias) != EU_ERROR_NONE)
            break;
        TakeEntry(alias);
        EUFreeMemory(alias);
    }
    return 0;
}
