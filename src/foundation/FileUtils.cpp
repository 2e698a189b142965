#include "foundation/FileUtils.h"

#include "foundation/TextCodec.h"
#include "foundation/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace korvel {
namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LeMark = "\xFF\xFE";
constexpr std::string_view Utf16BeMark = "\xFE\xFF";

std::string WithoutTrailingDelimiters(std::string APath)
{
    // "folder/" of a link to a folder would name the linked folder's contents.
    while (APath.size() > 1 && APath.back() == '/')
        APath.pop_back();
    return APath;
}

std::string ReadWholeFile(const std::string& AFileName)
{
    const auto fail = [&AFileName](int AErrno) {
        return std::runtime_error("Cannot open file \"" + AFileName + "\". " + std::strerror(AErrno));
    };
    TUniqueFd file(::open(AFileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file)
        throw fail(errno);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        throw fail(errno);
    if (S_ISDIR(info.st_mode))
        throw fail(EISDIR);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got == 0)
            return bytes;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw fail(errno);
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string Utf16ToText(std::string_view ABytes, bool ABigEndian)
{
    std::u16string units;
    units.reserve(ABytes.size() / 2);
    for (std::size_t i = 0; i + 1 < ABytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(ABytes[i]);
        const auto second = static_cast<unsigned char>(ABytes[i + 1]);
        units.push_back(static_cast<char16_t>(ABigEndian ? (first << 8) | second : (second << 8) | first));
    }
    if (ABytes.size() % 2 != 0)
        units.push_back(u'\uFFFD');  // a cut-off last unit is not dropped silently
    return Utf16ToUtf8(units);
}

std::string DecodeText(std::string_view ABytes)
{
    if (ABytes.starts_with(Utf8Mark))
        return Utf16ToUtf8(Utf8ToUtf16(ABytes.substr(Utf8Mark.size())));  // invalid sequences become U+FFFD
    if (ABytes.starts_with(Utf16LeMark))
        return Utf16ToText(ABytes.substr(Utf16LeMark.size()), false);
    if (ABytes.starts_with(Utf16BeMark))
        return Utf16ToText(ABytes.substr(Utf16BeMark.size()), true);
    return AnsiToUtf8(ABytes);
}

// Lines end at CR LF, LF or CR; each line is given back followed by CR LF.
std::string WithCrLfLines(std::string_view AText)
{
    std::string result;
    result.reserve(AText.size() + AText.size() / 16 + 2);
    std::size_t start = 0;
    while (start < AText.size()) {
        const std::size_t end = AText.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            result.append(AText.substr(start)).append("\r\n");
            break;
        }
        result.append(AText.substr(start, end - start)).append("\r\n");
        start = end + (AText.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return result;
}

}  // namespace

void DeleteDirectory(const std::string& APath, std::string& AError)
{
    AError.clear();
    if (APath.empty()) {
        AError = "DeleteDirectory - не вказано папку для видалення";
        return;
    }
    std::error_code error;
    std::filesystem::remove_all(WithoutTrailingDelimiters(APath), error);
    if (error)
        AError = "DeleteDirectory - " + error.message();
}

std::string LoadTextFile(const std::string& AFileName)
{
    return WithCrLfLines(DecodeText(ReadWholeFile(AFileName)));
}

}  // namespace korvel
