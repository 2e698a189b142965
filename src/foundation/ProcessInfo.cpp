#include "foundation/ProcessInfo.h"

#include "foundation/Constants.h"
#include "foundation/ProgramFolders.h"
#include "foundation/TextUtils.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <regex>
#include <system_error>
#include <vector>

namespace korvel {

std::string GetCurrentUserName()
{
    const uid_t user = geteuid();
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(user, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name[0] != '\0')
        return found->pw_name;
    return std::to_string(user);
}

std::string GetLocalComputerName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "";
    return name;
}

int GetProcessThreadCount()
{
    std::error_code error;
    int count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/task", error), end; !error && it != end;
         it.increment(error))
        ++count;
    return error ? 0 : count;
}

std::string GetAppVersion()
{
    static const std::regex FourNumbers(R"(\d+\.\d+\.\d+\.\d+)");
    std::string version(constants::AppVersion);
    return std::regex_match(version, FourNumbers) ? version : "";
}

bool IsServiceExecutable(const std::string& AExeName)
{
    return AsciiLower(AExeName) == "korvelservice";
}

bool IsServiceRole()
{
    return IsServiceExecutable(std::filesystem::path(GetExePath()).filename().string());
}

}  // namespace korvel
