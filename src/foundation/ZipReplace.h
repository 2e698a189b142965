#pragma once

// Swaps a program file for its counterpart in an update archive, keeping the old file as a
// time-stamped backup beside it and moving the backup back when the new file cannot be written.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <istream>
#include <string>
#include <string_view>

namespace korvel {

// Seams for tests; an empty member means the real one.
struct TZipReplaceSeams {
    // The moment of the backup's name.
    std::function<std::chrono::system_clock::time_point()> Clock;
    // Creates AFileName anew with AContent and the permission bits AMode; false when it fails.
    std::function<bool(const std::string& AFileName, std::string_view AContent, mode_t AMode)> WriteNewFile;
};

// Replaces AFolder + AFileName by the archive's top-level entry of that name (letters A-Z in any
// case). False, and nothing changed, when the archive has no such entry or the file is not already
// there; false after a failed rename or write, which is logged and undone. The new file keeps the
// old one's permission bits. Throws when the archive is damaged.
bool ReplaceFileFromZip(std::string_view AZipBytes, const std::string& AFileName, const std::string& AFolder,
                        const TZipReplaceSeams& ASeams = {});
// The same for the whole stream, read from its start.
bool ReplaceFileFromZip(std::istream& AZipStream, const std::string& AFileName, const std::string& AFolder,
                        const TZipReplaceSeams& ASeams = {});

// AFolder + AFileName without its extension + "yyyyMMdd_hhnnss" (local time) + ".exe".
std::string BackupFileName(const std::string& AFolder, const std::string& AFileName,
                           std::chrono::system_clock::time_point AWhen);

// The real writer: the whole content, flushed to disk, with exactly AMode.
bool WriteNewFile(const std::string& AFileName, std::string_view AContent, mode_t AMode);

}  // namespace korvel
