#pragma once

// The program's folders. Each base folder can be redirected by the environment, so tests and
// operators never depend on the real home:
//   machine-wide data   KORVEL_PROGRAMDATA (the Korvel folder itself), default /var/lib/korvel/
//   user's data         $XDG_CONFIG_HOME (default ~/.config) + Korvel/
//   user's documents    XDG documents folder (default ~/Documents) + Korvel/
//   executable folder   KORVEL_LOG_DIR, default the running executable's folder

#include <string>

namespace korvel {

enum class TSpecialFolder {
    UserAppData,    // the user's configuration folder
    Documents,      // the user's documents
    CommonAppData,  // the machine-wide data folder that holds the Korvel folder
};

// The folder's path with a trailing "/", "" when it cannot be told. Never creates anything.
std::string GetSpecialFolder(TSpecialFolder AFolderId);
// The user's folder + "Korvel/", created with all missing parents.
std::string GetAppDataFolder();
// The user's documents + "Korvel/", created only when asked.
std::string GetDocumentsFolder(bool ACreate);
// The machine-wide Korvel folder, with a trailing "/". Never created here.
std::string GetProgramDataFolder();
// The machine-wide Korvel folder + "Certificates", no trailing "/". Created when missing; "" when
// the base folder does not exist or the folder cannot be made.
std::string GetCertificatesFolder();
// The folder of the running executable (or KORVEL_LOG_DIR), with a trailing "/".
std::string GetExeFolder();
// The running executable's full path.
std::string GetExePath();

}  // namespace korvel
