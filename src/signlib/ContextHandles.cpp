#include "signlib/ContextHandles.h"

#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

namespace korvel::signlib {

TLibraryContext& LibraryContextOf(void* AHandle)
{
    auto* context = static_cast<TLibraryContext*>(AHandle);
    if (context == nullptr || context->Magic != TLibraryContext{}.Magic)
        Fail(EU_ERROR_BAD_PARAMETER, "not a library context");
    return *context;
}

TPrivateKeyContext& PrivateKeyContextOf(void* AHandle)
{
    auto* context = static_cast<TPrivateKeyContext*>(AHandle);
    if (context == nullptr || !context->Key || !context->Certificate)
        Fail(EU_ERROR_BAD_PARAMETER, "not a private-key context");
    return *context;
}

}  // namespace korvel::signlib
