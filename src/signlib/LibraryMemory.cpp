#include "signlib/LibraryMemory.h"

#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <cstdlib>
#include <cstring>

namespace korvel::signlib {

void* AllocateLibraryMemory(std::size_t ASize)
{
    // calloc(0) may give nullptr; a one-byte block keeps "nullptr means failure" true.
    void* memory = std::calloc(ASize == 0 ? 1 : ASize, 1);
    if (memory == nullptr)
        Fail(EU_ERROR_NOT_ENOUGH_MEMORY, "out of memory");
    return memory;
}

unsigned char* CopyToLibraryMemory(std::string_view ABytes)
{
    auto* memory = static_cast<unsigned char*>(AllocateLibraryMemory(ABytes.size()));
    if (!ABytes.empty())
        std::memcpy(memory, ABytes.data(), ABytes.size());
    return memory;
}

char* CopyTextToLibraryMemory(std::string_view AText)
{
    auto* memory = static_cast<char*>(AllocateLibraryMemory(AText.size() + 1));
    if (!AText.empty())
        std::memcpy(memory, AText.data(), AText.size());
    return memory;
}

void FreeLibraryMemory(void* AMemory) noexcept
{
    std::free(AMemory);
}

}  // namespace korvel::signlib
