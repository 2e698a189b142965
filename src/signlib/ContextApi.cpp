// Entry points of the library contexts, memory and base64.

#include "foundation/Base64.h"
#include "signlib/ContextHandles.h"
#include "signlib/EntryPoint.h"
#include "signlib/LibraryMemory.h"
#include "signlib/SignLibrary.h"

#include <string_view>

using namespace korvel::signlib;

extern "C" EU_API unsigned long EUCtxCreate(void** ppvContext)
{
    return RunInitializedEntryPoint([&] {
        RequireArgument(ppvContext, "ppvContext");
        *ppvContext = new TLibraryContext;
    });
}

extern "C" EU_API void EUCtxFree(void* pvContext)
{
    delete static_cast<TLibraryContext*>(pvContext);
}

extern "C" EU_API void EUCtxFreePrivateKey(void* pvPrivateKeyContext)
{
    delete static_cast<TPrivateKeyContext*>(pvPrivateKeyContext);
}

extern "C" EU_API void EUCtxFreeMemory(void* /*pvContext*/, unsigned char* pbMemory)
{
    FreeLibraryMemory(pbMemory);
}

extern "C" EU_API void EUFreeMemory(void* pvMemory)
{
    FreeLibraryMemory(pvMemory);
}

extern "C" EU_API unsigned long EUBASE64Encode(const unsigned char* pbData, unsigned long dwDataLength, char** ppszData)
{
    return RunInitializedEntryPoint([&] {
        RequireArgument(ppszData, "ppszData");
        if (dwDataLength > 0)
            RequireArgument(pbData, "pbData");
        const std::string_view bytes(reinterpret_cast<const char*>(pbData), dwDataLength);
        *ppszData = CopyTextToLibraryMemory(korvel::Base64EncodeLine(dwDataLength > 0 ? bytes : std::string_view()));
    });
}
