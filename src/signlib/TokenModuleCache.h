#pragma once

// The loaded PKCS#11 modules of the process, one per module file. A module can be initialised only
// once in a process and finalising it ends every session in it, so everyone who uses a module
// shares its one TTokenModule. The module is unloaded when the last user lets go (a read key holds
// it as its token session), and loaded afresh, with a fresh look at its tokens, by the next.

#include "signlib/TokenModule.h"

#include <memory>
#include <string>

namespace korvel::signlib {

// Throws EU_ERROR_MEDIA when the module cannot be loaded.
std::shared_ptr<TTokenModule> AcquireTokenModule(const std::string& AModulePath);

}  // namespace korvel::signlib
