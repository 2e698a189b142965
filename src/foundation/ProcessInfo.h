#pragma once

// What the program tells about itself and its machine: its user, the computer's name, its
// thread count and its version.

#include <string>

namespace korvel {

// The account name of the user the process runs as; the user id in decimal when the system
// knows no name for it.
std::string GetCurrentUserName();
// The host name, "" when the system does not give it.
std::string GetLocalComputerName();
// The threads of this process at this moment, 0 when they cannot be counted.
int GetProcessThreadCount();
// Four decimal numbers joined by ".", "" when the built-in version is not of that form.
std::string GetAppVersion();

// Whether AExeName, a file name without folder, is that of the companion service.
bool IsServiceExecutable(const std::string& AExeName);
// The role of this process, judged afresh from its executable's name: the companion service, or
// the desktop program (and every tool built on its core).
bool IsServiceRole();

}  // namespace korvel
