#pragma once

// The PKCS#11 modules registered with p11-kit: one "<name>.module" file per module in p11-kit's
// folders, with a "module:" line naming the module file.

#include "signlib/MediaType.h"

#include <filesystem>
#include <string>
#include <vector>

namespace korvel::signlib {

struct TMediaRegistryFolders {
    // Folders of ".module" files; a file replaces the file of the same name in an earlier folder.
    std::vector<std::filesystem::path> Configs;
    // Where a module named without a folder lives.
    std::filesystem::path ModulePath;
};

// p11-kit's own folders on this system.
TMediaRegistryFolders DefaultMediaRegistryFolders();

// The registered modules, ordered by name (the ".module" file's name without its extension),
// without those that p11-kit keeps out of its proxy and without the proxy itself.
std::vector<TMediaType> RegisteredMediaTypes(const TMediaRegistryFolders& AFolders);

// A module named without a folder, looked up where p11-kit keeps modules; when it is not there,
// the name is left for the dynamic loader's search.
std::string ResolveModuleName(const std::string& AModule, const std::filesystem::path& AModulePath);

}  // namespace korvel::signlib
