#include "foundation/IniFile.h"

#include "foundation/AtomicFile.h"
#include "foundation/TextUtils.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>
#include <utility>
#include <vector>

namespace korvel {
namespace {

// "[name]" gives name; any other line gives nothing.
std::optional<std::string> SectionName(const std::string& ALine)
{
    const std::string line = Trim(ALine);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return std::nullopt;
    return Trim(line.substr(1, line.size() - 2));
}

// "key=value" gives key; comments and lines without "=" give nothing.
std::optional<std::string> KeyName(const std::string& ALine)
{
    const std::string line = Trim(ALine);
    if (line.empty() || line.front() == ';' || line.front() == '#')
        return std::nullopt;
    const auto equals = line.find('=');
    if (equals == std::string::npos)
        return std::nullopt;
    return Trim(line.substr(0, equals));
}

std::vector<std::string> ReadLines(const std::string& AFileName)
{
    std::vector<std::string> lines;
    std::ifstream in(AFileName, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    if (!lines.empty() && lines.front().rfind("\xEF\xBB\xBF", 0) == 0)
        lines.front().erase(0, 3);
    return lines;
}

void SetKey(std::vector<std::string>& ALines, const std::string& ASection, const std::string& AKey,
            const std::string& AValue)
{
    const std::string entry = AKey + "=" + AValue;
    bool inSection = false;
    std::optional<std::size_t> sectionEnd;  // where a new key of the section goes
    for (std::size_t i = 0; i < ALines.size(); ++i) {
        if (auto section = SectionName(ALines[i])) {
            if (inSection)
                break;
            inSection = SameTextAscii(*section, ASection);
            if (inSection)
                sectionEnd = i + 1;
            continue;
        }
        if (!inSection)
            continue;
        if (auto key = KeyName(ALines[i]); key && SameTextAscii(*key, AKey)) {
            ALines[i] = entry;
            return;
        }
        if (!Trim(ALines[i]).empty())
            sectionEnd = i + 1;
    }
    if (sectionEnd) {
        ALines.insert(ALines.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), entry);
        return;
    }
    ALines.push_back("[" + ASection + "]");
    ALines.push_back(entry);
}

}  // namespace

TIniFile::TIniFile(std::string AFileName) : FFileName(std::move(AFileName))
{
}

std::optional<std::string> TIniFile::Read(const std::string& ASection, const std::string& AKey) const
{
    bool inSection = false;
    for (const std::string& line : ReadLines(FFileName)) {
        if (auto section = SectionName(line)) {
            inSection = SameTextAscii(*section, ASection);
            continue;
        }
        if (!inSection)
            continue;
        if (auto key = KeyName(line); key && SameTextAscii(*key, AKey))
            return Trim(line.substr(line.find('=') + 1));
    }
    return std::nullopt;
}

std::string TIniFile::ReadString(const std::string& ASection, const std::string& AKey,
                                 const std::string& ADefault) const
{
    return Read(ASection, AKey).value_or(ADefault);
}

void TIniFile::Write(const std::string& ASection, const std::string& AKey, const std::string& AValue) const
{
    if (AKey.empty() || AKey.find_first_of("=\r\n") != std::string::npos ||
        AValue.find_first_of("\r\n") != std::string::npos)
        throw std::runtime_error("Unable to write to " + FFileName);
    // A file that exists but cannot be read must not be replaced by one holding only this key.
    if (::access(FFileName.c_str(), F_OK) == 0 && ::access(FFileName.c_str(), R_OK) != 0)
        throw std::runtime_error("Unable to write to " + FFileName);
    std::vector<std::string> lines = ReadLines(FFileName);
    SetKey(lines, ASection, AKey, AValue);
    std::ostringstream text;
    for (const std::string& line : lines)
        text << line << '\n';
    if (!WriteFileAtomically(FFileName, text.str()))
        throw std::runtime_error("Unable to write to " + FFileName);
}

}  // namespace korvel
