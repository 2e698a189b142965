#pragma once

// A key media type: a PKCS#11 module, and the name it is shown by.

#include <string>

namespace korvel::signlib {

struct TMediaType {
    std::string Name;        // UTF-8
    std::string ModulePath;  // what the module is loaded from
};

}  // namespace korvel::signlib
