#include "signlib/EntryPoint.h"

#include "signlib/LibraryState.h"
#include "signlib/SignLibrary.h"

#include <openssl/err.h>

#include <new>
#include <string>

namespace korvel::signlib {

unsigned long CurrentExceptionCode() noexcept
{
    try {
        throw;
    } catch (const TSignLibraryError& error) {
        return error.Code();
    } catch (const std::bad_alloc&) {
        return EU_ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return EU_ERROR_UNKNOWN;
    }
}

void RequireInitialized()
{
    if (!CurrentSettings().Initialized)
        Fail(EU_ERROR_NOT_INITIALIZED, "the library is not initialised");
}

void RequireArgument(const void* AArgument, const char* AName)
{
    if (AArgument == nullptr)
        Fail(EU_ERROR_BAD_PARAMETER, std::string("missing argument ") + AName);
}

void ClearOpenSslErrors() noexcept
{
    ERR_clear_error();
}

}  // namespace korvel::signlib
