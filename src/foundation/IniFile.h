#pragma once

// Reads and writes one INI file the way the profile functions of our Windows peers do: section
// lines in square brackets, key=value lines, names compared without regard to case, values
// trimmed. Every call is a complete open, access and close; nothing is cached.

#include <optional>
#include <string>

namespace korvel {

class TIniFile {
public:
    explicit TIniFile(std::string AFileName);

    const std::string& FileName() const { return FFileName; }

    // The value, or nothing when the file, the section or the key is absent.
    std::optional<std::string> Read(const std::string& ASection, const std::string& AKey) const;
    std::string ReadString(const std::string& ASection, const std::string& AKey, const std::string& ADefault) const;

    // Sets the key, keeping every other line as it was. The file is replaced atomically
    // (temporary file, flush, rename) with mode 0600, so a crash never leaves half a file.
    // Throws "Unable to write to <path>" when the folder is missing or the file is read-only,
    // and then leaves the file as it was.
    void Write(const std::string& ASection, const std::string& AKey, const std::string& AValue) const;

private:
    std::string FFileName;
};

}  // namespace korvel
