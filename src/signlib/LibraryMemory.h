#pragma once

// Memory handed to the caller. Everything the library gives out comes from malloc, so that one
// release (free) serves EUFreeMemory and EUCtxFreeMemory alike, whichever operation made it.

#include <cstddef>
#include <string_view>

namespace korvel::signlib {

// A zero-filled block of ASize bytes; throws EU_ERROR_NOT_ENOUGH_MEMORY when none is left.
void* AllocateLibraryMemory(std::size_t ASize);
// A copy of the bytes.
unsigned char* CopyToLibraryMemory(std::string_view ABytes);
// A zero-terminated copy of the text.
char* CopyTextToLibraryMemory(std::string_view AText);
void FreeLibraryMemory(void* AMemory) noexcept;

}  // namespace korvel::signlib
