#include "foundation/AutoRun.h"
#include "foundation/TextUtils.h"

#include "foundation/AtomicFile.h"
#include "foundation/Constants.h"
#include "foundation/ProgramFolders.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace korvel {
namespace {

constexpr std::string_view EntryGroup = "[Desktop Entry]";

std::runtime_error SetDataError()
{
    return std::runtime_error("Failed to set data for '" + std::string(constants::AppName) + "'");
}

bool NeedsQuoting(const std::string& AArgument)
{
    return AArgument.empty() || AArgument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
}

// The escapes of a string value in a desktop entry file.
std::string EscapeString(std::string_view AValue)
{
    std::string result;
    for (const char c : AValue) {
        switch (c) {
        case '\\':
            result += "\\\\";
            break;
        case '\n':
            result += "\\n";
            break;
        case '\t':
            result += "\\t";
            break;
        case '\r':
            result += "\\r";
            break;
        default:
            result += c;
        }
    }
    return result;
}

std::string UnescapeString(std::string_view AValue)
{
    std::string result;
    for (std::size_t i = 0; i < AValue.size(); ++i) {
        if (AValue[i] != '\\' || i + 1 == AValue.size()) {
            result += AValue[i];
            continue;
        }
        switch (const char next = AValue[++i]) {
        case 's':
            result += ' ';
            break;
        case 'n':
            result += '\n';
            break;
        case 't':
            result += '\t';
            break;
        case 'r':
            result += '\r';
            break;
        default:
            result += next;
        }
    }
    return result;
}

struct TEntryLine {
    std::string Key;
    std::string Value;
};

std::optional<TEntryLine> SplitEntryLine(const std::string& ALine)
{
    const auto equals = ALine.find('=');
    if (equals == std::string::npos)
        return std::nullopt;
    return TEntryLine{Trim(std::string_view(ALine).substr(0, equals)), ALine.substr(equals + 1)};
}

struct TEntry {
    std::optional<std::string> Exec;  // as stored, string escapes undone
    bool Hidden = false;
};

TEntry ReadEntry(const std::string& AFileName)
{
    TEntry entry;
    std::ifstream in(AFileName, std::ios::binary);
    bool inEntryGroup = false;
    for (std::string line; std::getline(in, line);) {
        const std::string trimmed = Trim(line);
        if (trimmed.starts_with('[')) {
            inEntryGroup = trimmed == EntryGroup;
            continue;
        }
        const auto keyValue = inEntryGroup ? SplitEntryLine(line) : std::nullopt;
        if (!keyValue)
            continue;
        if (keyValue->Key == "Exec" && !entry.Exec)
            entry.Exec = UnescapeString(keyValue->Value);
        else if (keyValue->Key == "Hidden")
            entry.Hidden = Trim(keyValue->Value) == "true";
    }
    return entry;
}

std::string EntryText(const std::string& AExePath)
{
    std::string text(EntryGroup);
    text += "\nType=Application\n";
    text += "Name=" + std::string(constants::AppName) + "\n";
    text += "Exec=" + EscapeString(ExecValueOf(AExePath)) + "\n";
    text += "Terminal=false\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return text;
}

void WriteEntry(const std::string& AExePath)
{
    const std::string fileName = AutoRunEntryFileName();
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(fileName).parent_path(), error);
    if (error || !WriteFileAtomically(fileName, EntryText(AExePath), 0644))
        throw SetDataError();
}

void RemoveEntry()
{
    std::error_code error;
    std::filesystem::remove(AutoRunEntryFileName(), error);
    if (error)
        throw SetDataError();
}

}  // namespace

std::string AutoRunEntryFileName()
{
    return GetSpecialFolder(TSpecialFolder::UserAppData) + "autostart/" + std::string(constants::AppName) + ".desktop";
}

std::string ExecValueOf(const std::string& AExePath)
{
    std::string value;
    if (!NeedsQuoting(AExePath)) {
        value = AExePath;
    } else {
        value = "\"";
        for (const char c : AExePath) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                value += '\\';
            value += c;
        }
        value += '"';
    }
    // "%" starts a field code of the launcher.
    std::string result;
    for (const char c : value)
        result += c == '%' ? std::string("%%") : std::string(1, c);
    return result;
}

bool IsAutoRunSet(const std::string& AExePath)
{
    const TEntry entry = ReadEntry(AutoRunEntryFileName());
    if (!entry.Exec || entry.Hidden)
        return false;
    const std::string stored = Trim(*entry.Exec);
    return !stored.empty() && stored == ExecValueOf(AExePath);
}

void SetAutoRun(const std::string& AExePath, bool AEnable)
{
    if (AEnable)
        WriteEntry(AExePath);
    else
        RemoveEntry();
}

}  // namespace korvel
