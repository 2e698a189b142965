#include "signlib/MediaError.h"

#include "signlib/SignLibrary.h"

#include <new>

namespace korvel::signlib {

TMediaError::TMediaError(unsigned long ACode, const std::string& AReason) : std::runtime_error(AReason), FCode(ACode)
{
}

void FailMedia(unsigned long ACode, const std::string& AReason)
{
    throw TMediaError(ACode, AReason);
}

unsigned long CurrentMediaErrorCode() noexcept
{
    try {
        throw;
    } catch (const TMediaError& error) {
        return error.Code();
    } catch (const std::bad_alloc&) {
        return EU_ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return EU_ERROR_UNKNOWN;
    }
}

}  // namespace korvel::signlib
