#include "foundation/SingleInstance.h"

#include "foundation/ProcessInfo.h"
#include "foundation/ProgramFolders.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cstdlib>
#include <filesystem>

namespace korvel {
namespace {

bool IsPlainFileName(const std::string& AName)
{
    return !AName.empty() && AName != "." && AName != ".." && AName.find('/') == std::string::npos;
}

TUniqueFd OpenLockFile(const std::string& AName)
{
    const std::string path = SingleInstanceFolder() + AName;
    // No link is followed: in /tmp another user could plant one.
    return TUniqueFd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
}

}  // namespace

bool TSingleInstanceMutex::Acquire(const std::string& AName)
{
    if (!IsPlainFileName(AName))
        return false;
    std::scoped_lock guard(FLock);
    if (FHeld.contains(AName))
        return false;
    TUniqueFd file = OpenLockFile(AName);
    if (!file || ::flock(file.Get(), LOCK_EX | LOCK_NB) != 0)
        return false;
    FHeld.emplace(AName, std::move(file));
    return true;
}

bool TSingleInstanceMutex::Holds(const std::string& AName) const
{
    std::scoped_lock guard(FLock);
    return FHeld.contains(AName);
}

void TSingleInstanceMutex::Close()
{
    std::scoped_lock guard(FLock);
    FHeld.clear();
}

TSingleInstanceMutex& SingleInstanceMutex()
{
    static TSingleInstanceMutex instance;
    return instance;
}

bool CheckSingleInstance(const std::string& AName)
{
    return SingleInstanceMutex().Acquire(AName);
}

std::string SingleInstanceFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/')
        return "/tmp/";
    std::string folder(runtime);
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

std::string SingleInstanceName(const std::string& AExePath, const std::string& AUserName)
{
    return std::filesystem::path(AExePath).stem().string() + "_" + AUserName;
}

std::string ProgramInstanceName()
{
    return SingleInstanceName(GetExePath(), GetCurrentUserName());
}

}  // namespace korvel
