#include "foundation/OsDescription.h"

#include "foundation/TextUtils.h"

#include <sys/utsname.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace korvel {

namespace {

// The value of one KEY=value line; quotes around it are dropped, backslash escapes resolved.
std::string UnquotedValue(std::string AValue)
{
    AValue = Trim(AValue);
    if (AValue.size() < 2 || (AValue.front() != '"' && AValue.front() != '\''))
        return AValue;
    const char quote = AValue.front();
    std::string result;
    for (std::size_t i = 1; i < AValue.size() && AValue[i] != quote; ++i) {
        if (AValue[i] == '\\' && i + 1 < AValue.size())
            ++i;
        result += AValue[i];
    }
    return result;
}

// The first numbers of a kernel release ("6.1.0-18-amd64" gives 6, 1, 0); missing ones are 0.
std::vector<unsigned long> ReleaseNumbers(const std::string& ARelease)
{
    std::vector<unsigned long> numbers;
    const char* at = ARelease.c_str();
    while (numbers.size() < 3) {
        char* end = nullptr;
        const unsigned long number = std::strtoul(at, &end, 10);
        if (end == at)
            break;
        numbers.push_back(number);
        if (*end != '.')
            break;
        at = end + 1;
    }
    numbers.resize(3, 0);
    return numbers;
}

std::string ReadOsReleaseFile()
{
    for (const char* file : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream in(file, std::ios::binary);
        if (in) {
            std::ostringstream text;
            text << in.rdbuf();
            return text.str();
        }
    }
    return {};
}

}  // namespace

std::string OsReleaseName(const std::string& AText)
{
    std::string pretty;
    std::string name;
    std::istringstream lines(AText);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = Trim(line.substr(0, equals));
        if (key == "PRETTY_NAME")
            pretty = UnquotedValue(line.substr(equals + 1));
        else if (key == "NAME")
            name = UnquotedValue(line.substr(equals + 1));
    }
    return pretty.empty() ? name : pretty;
}

std::string FormatOsDescription(const TOsRelease& ARelease)
{
    const auto numbers = ReleaseNumbers(ARelease.Release);
    return (ARelease.Name.empty() ? std::string("Linux") : ARelease.Name) + " (Version " + std::to_string(numbers[0]) +
           "." + std::to_string(numbers[1]) + ", Build " + std::to_string(numbers[2]) + ", " +
           (ARelease.Is64Bit ? "64-bit Edition" : "32-bit Edition") + ")";
}

std::string GetOsDescription()
{
    TOsRelease release;
    release.Name = OsReleaseName(ReadOsReleaseFile());
    utsname system{};
    if (uname(&system) == 0) {
        release.Release = system.release;
        const std::string machine = system.machine;
        release.Is64Bit = machine == "x86_64" || machine == "aarch64" || machine == "ppc64le" || machine == "s390x" ||
                          machine == "riscv64" || machine == "loongarch64";
    }
    return FormatOsDescription(release);
}

}  // namespace korvel
