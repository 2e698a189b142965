#include "foundation/AtomicFile.h"

#include "foundation/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel {
namespace {

bool WriteAll(int AFd, const std::string& ABytes)
{
    std::size_t done = 0;
    while (done < ABytes.size()) {
        const ssize_t n = ::write(AFd, ABytes.data() + done, ABytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string& AFileName)
{
    const auto slash = AFileName.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : AFileName.substr(0, slash);
}

bool IsReadOnly(const std::string& AFileName)
{
    struct stat info {};
    if (::stat(AFileName.c_str(), &info) != 0)
        return false;
    return !S_ISREG(info.st_mode) || (info.st_mode & S_IWUSR) == 0;
}

void SyncFolder(const std::string& AFolder)
{
    TUniqueFd folder(::open(AFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0)
        ::fsync(folder.Get());
}

}  // namespace

bool WriteFileAtomically(const std::string& AFileName, const std::string& ABytes, mode_t AMode)
{
    if (IsReadOnly(AFileName))
        return false;
    std::string temporary = AFileName + ".XXXXXX";
    TUniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.Get() < 0)
        return false;
    const bool written = ::fchmod(fd.Get(), AMode) == 0 && WriteAll(fd.Get(), ABytes) && ::fsync(fd.Get()) == 0;
    if (::close(fd.Release()) != 0 || !written || ::rename(temporary.c_str(), AFileName.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolder(FolderOf(AFileName));
    return true;
}

}  // namespace korvel
