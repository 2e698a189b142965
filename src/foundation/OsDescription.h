#pragma once

// How the program names the system it runs on to the server: the distribution's name, then the
// kernel's version numbers in the layout the server already reads from its other agents,
// e.g. "Debian GNU/Linux 12 (bookworm) (Version 6.1, Build 0, 64-bit Edition)".

#include <string>

namespace korvel {

struct TOsRelease {
    std::string Name;     // PRETTY_NAME of os-release, else NAME, else "Linux"
    std::string Release;  // the kernel release, e.g. "6.1.0-18-amd64"
    bool Is64Bit = false;
};

// The description of ARelease.
std::string FormatOsDescription(const TOsRelease& ARelease);
// The name given by the text of an os-release file; "" when it names none.
std::string OsReleaseName(const std::string& AText);
// The description of this machine, read afresh.
std::string GetOsDescription();

}  // namespace korvel
