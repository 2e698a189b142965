#include "signing/LibraryError.h"

#include "foundation/TextCodec.h"
#include "signing/SignState.h"

namespace korvel {

std::string LibraryErrorDescription(unsigned long ACode)
{
    const TEUSignInterface* library = SignState().CPInterface;
    if (!library)
        return {};
    const char* description = library->GetErrorLangDesc(ACode, EU_LANG_UA);
    return description ? AnsiToUtf8(description) : std::string();
}

std::string LibraryError(const std::string& APrefix, unsigned long ACode)
{
    return APrefix + LibraryErrorDescription(ACode) + " (" + std::to_string(ACode) + ")";
}

}  // namespace korvel
