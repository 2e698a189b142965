#include "signlib/SignLibraryError.h"

namespace korvel::signlib {

TSignLibraryError::TSignLibraryError(unsigned long ACode, const std::string& AReason)
    : std::runtime_error(AReason), FCode(ACode)
{
}

void Fail(unsigned long ACode, const std::string& AReason)
{
    throw TSignLibraryError(ACode, AReason);
}

}  // namespace korvel::signlib
