#pragma once

// Start at logon: a freedesktop autostart entry "Korvel.desktop" in the user's configuration
// folder ($XDG_CONFIG_HOME/autostart/), whose Exec line holds the executable's path.

#include <string>

namespace korvel {

// Whether the entry starts exactly AExePath (case significant; blanks and control characters
// around the stored value do not count). False when the entry is absent, hidden or empty.
bool IsAutoRunSet(const std::string& AExePath);
// Writes the entry for AExePath, or removes it. Throws "Failed to set data for 'Korvel'" when the
// entry cannot be written or removed.
void SetAutoRun(const std::string& AExePath, bool AEnable);

// The entry's full path.
std::string AutoRunEntryFileName();
// AExePath as an Exec value: quoted when it holds a character the launcher would split or expand.
std::string ExecValueOf(const std::string& AExePath);

}  // namespace korvel
