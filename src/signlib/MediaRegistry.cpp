#include "signlib/MediaRegistry.h"

#include "foundation/TextUtils.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <string_view>
#include <system_error>

namespace korvel::signlib {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view RegistrationExtension = ".module";
constexpr std::string_view ProxyName = "p11-kit-proxy";

// The "key: value" lines of a registration; "#" starts a comment line.
std::map<std::string, std::string, std::less<>> ReadRegistration(const fs::path& AFile)
{
    std::map<std::string, std::string, std::less<>> options;
    std::ifstream in(AFile);
    std::string line;
    while (std::getline(in, line)) {
        const std::string text = Trim(line);
        const auto colon = text.find(':');
        if (text.empty() || text.front() == '#' || colon == std::string::npos)
            continue;
        options.insert_or_assign(Trim(std::string_view(text).substr(0, colon)),
                                 Trim(std::string_view(text).substr(colon + 1)));
    }
    return options;
}

// Program names in an "enable-in"/"disable-in" value, separated by commas or blanks.
bool NamesProgram(std::string_view AList, std::string_view AProgram)
{
    constexpr std::string_view separators = ", \t";
    std::size_t start = 0;
    while (start < AList.size()) {
        const auto end = std::min(AList.find_first_of(separators, start), AList.size());
        if (AList.substr(start, end - start) == AProgram)
            return true;
        start = end + 1;
    }
    return false;
}

// p11-kit's proxy offers every module that is not kept out of it; the key media are the same set.
bool OfferedByProxy(const std::map<std::string, std::string, std::less<>>& AOptions)
{
    const auto enabled = AOptions.find("enable-in");
    if (enabled != AOptions.end() && !NamesProgram(enabled->second, ProxyName))
        return false;
    const auto disabled = AOptions.find("disable-in");
    return disabled == AOptions.end() || !NamesProgram(disabled->second, ProxyName);
}

bool IsProxyModule(const std::string& APath)
{
    return fs::path(APath).stem() == ProxyName;
}

std::optional<TMediaType> MediaTypeOfRegistration(const fs::path& AFile, const fs::path& AModulePath)
{
    const auto options = ReadRegistration(AFile);
    const auto module = options.find("module");
    if (module == options.end() || module->second.empty() || !OfferedByProxy(options))
        return std::nullopt;
    const fs::path modulePath(module->second);
    const std::string path = modulePath.is_absolute() ? modulePath.string() : (AModulePath / modulePath).string();
    if (IsProxyModule(path))
        return std::nullopt;
    return TMediaType{AFile.stem().string(), path};
}

// The ".module" files of the folders by name, a later folder's file replacing an earlier one's.
std::map<std::string, fs::path> RegistrationFiles(const std::vector<fs::path>& AFolders)
{
    std::map<std::string, fs::path> files;
    for (const fs::path& folder : AFolders) {
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            const fs::path& file = it->path();
            if (file.extension() == RegistrationExtension && it->is_regular_file(error))
                files.insert_or_assign(file.stem().string(), file);
        }
    }
    return files;
}

}  // namespace

std::vector<TMediaType> RegisteredMediaTypes(const TMediaRegistryFolders& AFolders)
{
    std::vector<TMediaType> types;
    for (const auto& [name, file] : RegistrationFiles(AFolders.Configs))
        if (auto type = MediaTypeOfRegistration(file, AFolders.ModulePath))
            types.push_back(std::move(*type));
    return types;
}

std::string ResolveModuleName(const std::string& AModule, const fs::path& AModulePath)
{
    if (AModule.find('/') != std::string::npos)
        return AModule;
    std::error_code error;
    const fs::path candidate = AModulePath / AModule;
    return fs::exists(candidate, error) ? candidate.string() : AModule;
}

}  // namespace korvel::signlib
