#include "foundation/ProcessTransport.h"

#include "foundation/Constants.h"
#include "foundation/ProcessInfo.h"
#include "foundation/TextCodec.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace korvel {
namespace {

std::string ObjectName(const std::string& AName)
{
    return "/" + AName;
}

std::size_t PageSize()
{
    const long size = sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<std::size_t>(size) : 4096;
}

bool IsOwnedByThisUser(const struct stat& AInfo)
{
    return AInfo.st_uid == geteuid();
}

}  // namespace

PT_File::~PT_File()
{
    Close();
}

PT_File::PT_File(PT_File&& AOther) noexcept
    : FName(std::move(AOther.FName)), FHandle(std::move(AOther.FHandle)), FSize(std::exchange(AOther.FSize, 0)),
      FMemoryAdress(std::exchange(AOther.FMemoryAdress, nullptr)), FOwner(std::exchange(AOther.FOwner, false))
{
}

PT_File& PT_File::operator=(PT_File&& AOther) noexcept
{
    if (this != &AOther) {
        Close();
        FName = std::move(AOther.FName);
        FHandle = std::move(AOther.FHandle);
        FSize = std::exchange(AOther.FSize, 0);
        FMemoryAdress = std::exchange(AOther.FMemoryAdress, nullptr);
        FOwner = std::exchange(AOther.FOwner, false);
    }
    return *this;
}

PT_File PT_File::Create(const std::string& AName)
{
    PT_File block;
    block.FName = AName;
    const std::string name = ObjectName(AName);
    // A block left by an earlier run is replaced, so that its old readers never share ours.
    ::shm_unlink(name.c_str());
    block.FHandle.Reset(::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!block.FHandle)
        return block;
    block.FOwner = true;
    if (::ftruncate(block.FHandle.Get(), static_cast<off_t>(PageSize())) != 0 || !block.Map(PageSize()))
        block.Close();
    return block;
}

PT_File PT_File::Open(const std::string& AName)
{
    PT_File block;
    block.FName = AName;
    block.FHandle.Reset(::shm_open(ObjectName(AName).c_str(), O_RDWR | O_CLOEXEC, 0));
    struct stat info {};
    if (!block.FHandle || ::fstat(block.FHandle.Get(), &info) != 0 || !IsOwnedByThisUser(info) || info.st_size < 2 ||
        !block.Map(std::min(static_cast<std::size_t>(info.st_size), PageSize()))) {
        block.Close();
    }
    return block;
}

bool PT_File::Map(std::size_t ASize)
{
    void* address = ::mmap(nullptr, ASize, PROT_READ | PROT_WRITE, MAP_SHARED, FHandle.Get(), 0);
    if (address == MAP_FAILED)
        return false;
    FMemoryAdress = address;
    FSize = ASize;
    return true;
}

std::string PT_File::Read() const
{
    if (!IsOpen())
        return "";
    const auto* units = static_cast<const char16_t*>(FMemoryAdress);
    const std::size_t capacity = FSize / sizeof(char16_t);
    std::u16string text;
    // A block without a terminator ends at its last unit.
    for (std::size_t i = 0; i < capacity && units[i] != u'\0'; ++i)
        text.push_back(units[i]);
    return Utf16ToUtf8(text);
}

bool PT_File::Write(const std::string& AText)
{
    if (!IsOpen())
        return false;
    std::u16string units = Utf8ToUtf16(AText);
    units.push_back(u'\0');
    const std::size_t bytes = units.size() * sizeof(char16_t);
    if (bytes > FSize)
        return false;
    std::memcpy(FMemoryAdress, units.data(), bytes);
    return true;
}

bool PT_File::NameStillRefersToThisBlock() const
{
    TUniqueFd named(::shm_open(ObjectName(FName).c_str(), O_RDONLY | O_CLOEXEC, 0));
    struct stat namedInfo {};
    struct stat ownInfo {};
    return named && ::fstat(named.Get(), &namedInfo) == 0 && ::fstat(FHandle.Get(), &ownInfo) == 0 &&
           namedInfo.st_dev == ownInfo.st_dev && namedInfo.st_ino == ownInfo.st_ino;
}

void PT_File::Close()
{
    if (FMemoryAdress != nullptr)
        ::munmap(FMemoryAdress, FSize);
    FMemoryAdress = nullptr;
    FSize = 0;
    if (FOwner && FHandle && NameStillRefersToThisBlock())
        ::shm_unlink(ObjectName(FName).c_str());
    FOwner = false;
    FHandle.Reset();
}

std::string ShowRequestName()
{
    return std::string(constants::AppName) + GetCurrentUserName();
}

}  // namespace korvel
