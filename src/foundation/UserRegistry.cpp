#include "foundation/UserRegistry.h"

#include "foundation/IniFile.h"
#include "foundation/ProgramFolders.h"

namespace korvel {
namespace {

// "\SOFTWARE\Tessaro" and "SOFTWARE\Tessaro\" name the same key.
std::string SectionOf(const std::string& AKey)
{
    const auto first = AKey.find_first_not_of('\\');
    if (first == std::string::npos)
        return "";
    const auto last = AKey.find_last_not_of('\\');
    return AKey.substr(first, last - first + 1);
}

}  // namespace

std::string UserRegistryFileName()
{
    const std::string config = GetSpecialFolder(TSpecialFolder::UserAppData);
    return config.empty() ? "" : config + "Tessaro/registry.ini";
}

std::string ReadUserRegistryString(const std::string& AKey, const std::string& AValueName)
{
    const std::string fileName = UserRegistryFileName();
    if (fileName.empty())
        return "";
    return TIniFile(fileName).ReadString(SectionOf(AKey), AValueName, "");
}

std::string GetCodeWord()
{
    return ReadUserRegistryString("\\SOFTWARE\\Tessaro", "sa");
}

}  // namespace korvel
