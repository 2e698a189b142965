#include "signlib/MediaTypeList.h"

#include "foundation/Param.h"
#include "foundation/TextUtils.h"
#include "signlib/MediaRegistry.h"

#include <algorithm>

namespace korvel::signlib {

std::vector<TMediaType> MediaTypeList()
{
    const TMediaRegistryFolders folders = DefaultMediaRegistryFolders();
    std::vector<TMediaType> configured = ConfiguredMediaTypes(TParam::GetPkcs11Modules(), folders.ModulePath);
    return configured.empty() ? RegisteredMediaTypes(folders) : configured;
}

std::vector<TMediaType> ConfiguredMediaTypes(std::string_view AList, const std::filesystem::path& AModulePath)
{
    std::vector<TMediaType> types;
    std::size_t start = 0;
    while (start <= AList.size()) {
        const auto end = std::min(AList.find(';', start), AList.size());
        const std::string module = Trim(AList.substr(start, end - start));
        if (!module.empty())
            types.push_back({ModuleDisplayName(module), ResolveModuleName(module, AModulePath)});
        start = end + 1;
    }
    return types;
}

std::string ModuleDisplayName(const std::string& AModule)
{
    std::string name = std::filesystem::path(AModule).filename().string();
    for (auto at = name.find(".so"); at != std::string::npos; at = name.find(".so", at + 1))
        if (at + 3 == name.size() || name[at + 3] == '.')
            return name.substr(0, at);
    return name;
}

}  // namespace korvel::signlib
