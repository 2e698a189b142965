#pragma once

// The opaque handles of the interface and the objects behind them.

#include "signlib/PrivateKeyContext.h"

namespace korvel::signlib {

// Throw EU_ERROR_BAD_PARAMETER for a missing handle, or a library context handle that is not one.
TLibraryContext& LibraryContextOf(void* AHandle);
TPrivateKeyContext& PrivateKeyContextOf(void* AHandle);

}  // namespace korvel::signlib
