#include "signlib/MediaTypeList.h"

#include "foundation/Param.h"
#include "signlib/MediaRegistry.h"

namespace korvel::signlib {

namespace {

std::string_view Trimmed(std::string_view AText)
{
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = AText.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return AText.substr(first, AText.find_last_not_of(blanks) - first + 1);
}

}  // namespace

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
        const std::string module(Trimmed(AList.substr(start, end - start)));
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
