#include "foundation/ProgramFolders.h"

#include "foundation/Constants.h"
#include "foundation/TextUtils.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace korvel {
namespace {

namespace fs = std::filesystem;

std::string EnvValue(const char* AName)
{
    const char* value = std::getenv(AName);
    return value ? std::string(value) : std::string();
}

std::string WithDelimiter(std::string APath)
{
    if (!APath.empty() && APath.back() != '/')
        APath += '/';
    return APath;
}

std::string HomeFolder()
{
    std::string home = EnvValue("HOME");
    if (home.empty()) {
        if (const passwd* entry = getpwuid(getuid()))
            home = entry->pw_dir ? entry->pw_dir : "";
    }
    return home;
}

// XDG_DOCUMENTS_DIR from the environment or the user-dirs file, "$HOME" expanded.
std::string DocumentsFromUserDirs(const std::string& AHome)
{
    std::string value = EnvValue("XDG_DOCUMENTS_DIR");
    if (value.empty()) {
        const std::string config = GetSpecialFolder(TSpecialFolder::UserAppData);
        std::ifstream in(config + "user-dirs.dirs");
        for (std::string line; std::getline(in, line);) {
            line = Trim(line);
            const std::string prefix = "XDG_DOCUMENTS_DIR=";
            if (line.rfind(prefix, 0) == 0) {
                value = line.substr(prefix.size());
                if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                    value = value.substr(1, value.size() - 2);
            }
        }
    }
    if (value.rfind("$HOME", 0) == 0)
        value = AHome + value.substr(5);
    return value;
}

bool MakeFolders(const std::string& APath)
{
    std::error_code error;
    fs::create_directories(APath, error);
    return fs::is_directory(APath, error);
}

}  // namespace

std::string GetSpecialFolder(TSpecialFolder AFolderId)
{
    switch (AFolderId) {
    case TSpecialFolder::UserAppData: {
        const std::string config = EnvValue("XDG_CONFIG_HOME");
        if (!config.empty())
            return WithDelimiter(Trim(config));
        const std::string home = HomeFolder();
        return home.empty() ? std::string() : WithDelimiter(home) + ".config/";
    }
    case TSpecialFolder::Documents: {
        const std::string home = HomeFolder();
        const std::string documents = Trim(DocumentsFromUserDirs(home));
        if (!documents.empty())
            return WithDelimiter(documents);
        return home.empty() ? std::string() : WithDelimiter(home) + "Documents/";
    }
    case TSpecialFolder::CommonAppData: {
        const std::string programData = Trim(EnvValue("KORVEL_PROGRAMDATA"));
        if (!programData.empty())
            return WithDelimiter(
                fs::path(WithDelimiter(programData)).lexically_normal().parent_path().parent_path().string());
        return "/var/lib/";
    }
    }
    return {};
}

std::string GetAppDataFolder()
{
    const std::string base = GetSpecialFolder(TSpecialFolder::UserAppData);
    if (base.empty())
        return {};
    const std::string folder = base + std::string(constants::AppName) + "/";
    MakeFolders(folder);
    return folder;
}

std::string GetDocumentsFolder(bool ACreate)
{
    const std::string base = GetSpecialFolder(TSpecialFolder::Documents);
    if (base.empty())
        return {};
    const std::string folder = base + std::string(constants::AppName) + "/";
    if (ACreate)
        MakeFolders(folder);
    return folder;
}

std::string GetProgramDataFolder()
{
    const std::string programData = Trim(EnvValue("KORVEL_PROGRAMDATA"));
    if (!programData.empty())
        return WithDelimiter(programData);
    return "/var/lib/korvel/";
}

std::string GetCertificatesFolder()
{
    const std::string programData = GetProgramDataFolder();
    std::error_code error;
    const fs::path base = fs::path(programData).parent_path().parent_path();
    if (!fs::is_directory(base, error))
        return {};
    const std::string folder = programData + "Certificates";
    return MakeFolders(folder) ? folder : std::string();
}

std::string GetExePath()
{
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.string();
}

std::string GetExeFolder()
{
    const std::string logFolder = Trim(EnvValue("KORVEL_LOG_DIR"));
    if (!logFolder.empty())
        return WithDelimiter(logFolder);
    const std::string exe = GetExePath();
    return exe.empty() ? std::string() : WithDelimiter(fs::path(exe).parent_path().string());
}

}  // namespace korvel
