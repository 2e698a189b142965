#include "foundation/ZipReplace.h"

#include "foundation/Log.h"
#include "foundation/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <optional>
#include <stdexcept>

namespace korvel {
namespace {

std::runtime_error DamagedArchive(const std::string& AReason)
{
    return std::runtime_error("Damaged zip archive: " + AReason);
}

// A read-only archive over bytes that outlive it.
class TZipReader {
public:
    explicit TZipReader(std::string_view ABytes)
    {
        // libzip would take no bytes for an empty archive; an empty download is not one.
        if (ABytes.empty())
            throw DamagedArchive("no data");
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(ABytes.data(), ABytes.size(), 0, &error);
        if (source != nullptr) {
            FArchive = zip_open_from_source(source, ZIP_RDONLY, &error);
            if (FArchive == nullptr)
                zip_source_free(source);
        }
        if (FArchive == nullptr) {
            const std::string reason = zip_error_strerror(&error);
            zip_error_fini(&error);
            throw DamagedArchive(reason);
        }
        zip_error_fini(&error);
    }
    ~TZipReader() { zip_discard(FArchive); }
    TZipReader(const TZipReader&) = delete;
    TZipReader& operator=(const TZipReader&) = delete;

    // The first entry whose whole stored name equals AName, letters A-Z in any case.
    std::optional<zip_uint64_t> FindEntry(const std::string& AName) const
    {
        const zip_int64_t count = zip_get_num_entries(FArchive, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            const char* name = zip_get_name(FArchive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
            if (name != nullptr && SameNameIgnoringLatinCase(name, AName))
                return static_cast<zip_uint64_t>(i);
        }
        return std::nullopt;
    }

    std::string Extract(zip_uint64_t AIndex) const
    {
        zip_file_t* file = zip_fopen_index(FArchive, AIndex, 0);
        if (file == nullptr)
            throw DamagedArchive(zip_strerror(FArchive));
        std::string content;
        char buffer[65536];
        zip_int64_t got = 0;
        while ((got = zip_fread(file, buffer, sizeof buffer)) > 0)
            content.append(buffer, static_cast<std::size_t>(got));
        const std::string reason = got < 0 ? zip_file_strerror(file) : "";
        zip_fclose(file);
        if (got < 0)
            throw DamagedArchive(reason);
        return content;
    }

private:
    static bool SameNameIgnoringLatinCase(std::string_view A, std::string_view B)
    {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (A.size() != B.size())
            return false;
        for (std::size_t i = 0; i < A.size(); ++i)
            if (lower(A[i]) != lower(B[i]))
                return false;
        return true;
    }

    zip_t* FArchive = nullptr;
};

std::string WithDelimiter(std::string AFolder)
{
    if (!AFolder.empty() && AFolder.back() != '/')
        AFolder += '/';
    return AFolder;
}

std::optional<mode_t> PermissionBitsOfFile(const std::string& AFileName)
{
    struct stat info {};
    if (::stat(AFileName.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return info.st_mode & 07777;
}

// Never over an existing file: two updates in one second must not lose the first backup.
bool RenameWithoutReplacing(const std::string& AFrom, const std::string& ATo)
{
    if (::renameat2(AT_FDCWD, AFrom.c_str(), AT_FDCWD, ATo.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: check first.
    struct stat info {};
    return ::lstat(ATo.c_str(), &info) != 0 && errno == ENOENT && std::rename(AFrom.c_str(), ATo.c_str()) == 0;
}

bool WriteAll(int AFd, std::string_view AContent)
{
    while (!AContent.empty()) {
        const ssize_t written = ::write(AFd, AContent.data(), AContent.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        AContent.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool WriteAndRestoreOnFailure(const std::string& ATarget, const std::string& ABackup, const std::string& AFileName,
                              std::string_view AContent, mode_t AMode, const TZipReplaceSeams& ASeams)
{
    const bool written =
        ASeams.WriteNewFile ? ASeams.WriteNewFile(ATarget, AContent, AMode) : WriteNewFile(ATarget, AContent, AMode);
    if (written) {
        TLog::Log("Оновлення файлу " + AFileName + " виконано успішно");
        return true;
    }
    TLog::Log("Помилка підчас збереження файлу " + AFileName);
    // Over whatever the failed write left behind.
    if (std::rename(ABackup.c_str(), ATarget.c_str()) == 0)
        TLog::Log("Відновлення файлу " + AFileName);
    else
        TLog::Log("Помилка відновлення файлу " + AFileName);
    return false;
}

}  // namespace

std::string BackupFileName(const std::string& AFolder, const std::string& AFileName,
                           std::chrono::system_clock::time_point AWhen)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(AWhen);
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &local);
    return AFolder + std::filesystem::path(AFileName).stem().string() + stamp + ".exe";
}

bool WriteNewFile(const std::string& AFileName, std::string_view AContent, mode_t AMode)
{
    TUniqueFd file(::open(AFileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!file)
        return false;
    // fchmod, not the creation mode: the umask must not strip the old file's bits.
    const bool written = WriteAll(file.Get(), AContent) && ::fchmod(file.Get(), AMode) == 0 && ::fsync(file.Get()) == 0;
    const bool closed = ::close(file.Release()) == 0;
    if (written && closed)
        return true;
    ::unlink(AFileName.c_str());  // half a program must not stay behind
    return false;
}

bool ReplaceFileFromZip(std::string_view AZipBytes, const std::string& AFileName, const std::string& AFolder,
                        const TZipReplaceSeams& ASeams)
{
    const TZipReader archive(AZipBytes);
    const auto entry = archive.FindEntry(AFileName);
    if (!entry)
        return false;
    const std::string content = archive.Extract(*entry);
    const auto now = ASeams.Clock ? ASeams.Clock() : std::chrono::system_clock::now();
    const std::string folder = WithDelimiter(AFolder);
    const std::string target = folder + AFileName;
    const auto mode = PermissionBitsOfFile(target);
    if (!mode)
        return false;
    const std::string backup = BackupFileName(folder, AFileName, now);
    if (!RenameWithoutReplacing(target, backup)) {
        TLog::Log("Не вдалося перейменувати " + AFileName);
        return false;
    }
    return WriteAndRestoreOnFailure(target, backup, AFileName, content, *mode, ASeams);
}

bool ReplaceFileFromZip(std::istream& AZipStream, const std::string& AFileName, const std::string& AFolder,
                        const TZipReplaceSeams& ASeams)
{
    AZipStream.clear();
    AZipStream.seekg(0);
    const std::string bytes{std::istreambuf_iterator<char>(AZipStream), std::istreambuf_iterator<char>()};
    return ReplaceFileFromZip(std::string_view(bytes), AFileName, AFolder, ASeams);
}

}  // namespace korvel
