#include "signlib/KeyFile.h"

#include "foundation/TextCodec.h"
#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace korvel::signlib {

namespace {

// Key files and key stores hold a few keys and certificates: kilobytes. The limit only keeps a
// wrong file from filling memory.
constexpr std::uintmax_t MaxKeyFileSize = std::uintmax_t{16} * 1024 * 1024;

}  // namespace

std::string ReadKeyFile(const char* AAnsiFileName)
{
    const std::filesystem::path file(AnsiToUtf8(AAnsiFileName));
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (!std::filesystem::exists(status))
        Fail(EU_ERROR_FILE_NOT_FOUND, "no such file");
    if (!std::filesystem::is_regular_file(status))
        Fail(EU_ERROR_FILE_READ, "not a file");
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > MaxKeyFileSize)
        Fail(EU_ERROR_FILE_READ, "file too large or unreadable");
    std::ifstream in(file, std::ios::binary);
    if (!in)
        Fail(EU_ERROR_FILE_READ, "file cannot be opened");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        Fail(EU_ERROR_FILE_READ, "file cannot be read");
    return bytes;
}

}  // namespace korvel::signlib
