#pragma once

// The key media types in force, in the order their indexes refer to: the modules that config.ini's
// PKCS11_MODULES names, or, when it names none, the modules registered with p11-kit. Read afresh
// at every call, as the settings are.

#include "signlib/MediaType.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::signlib {

std::vector<TMediaType> MediaTypeList();

// The modules of a PKCS11_MODULES value: separated by ";", blanks around each ignored.
std::vector<TMediaType> ConfiguredMediaTypes(std::string_view AList, const std::filesystem::path& AModulePath);

// A module's file name without its folder and its ".so" ending ("libsofthsm2" for
// "/usr/lib/softhsm/libsofthsm2.so").
std::string ModuleDisplayName(const std::string& AModule);

}  // namespace korvel::signlib
