#pragma once

// The product family's per-user settings, kept where the family's programs on this system keep
// them: the INI file $XDG_CONFIG_HOME/Tessaro/registry.ini, one section per key path
// ("\SOFTWARE\Tessaro" is section [SOFTWARE\Tessaro]). This program only reads it.

#include <string>

namespace korvel {

// The value, "" when the file, the key or the value is absent.
std::string ReadUserRegistryString(const std::string& AKey, const std::string& AValueName);
// The access code word ("sa" of "\SOFTWARE\Tessaro"); "" means no guard.
std::string GetCodeWord();

// The file's full path, "" when the user's configuration folder is unknown.
std::string UserRegistryFileName();

}  // namespace korvel
