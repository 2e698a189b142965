#pragma once

// The file store: a folder of certificate files (.p7b, .cer, .crt, .pem; DER or PEM), where the
// certificate of a key that carries none is looked up.

#include "signlib/OpenSslPtr.h"

#include <filesystem>
#include <string>
#include <vector>

namespace korvel::signlib {

// The folder in force: the one set with EUSetFileStoreSettings, else the program's certificates
// folder. The program sets the folder only once per installation, so a fresh process must find it
// without being told again.
std::filesystem::path FileStoreFolder();

// Every certificate of the certificate files directly in the folder, in name order; files that do
// not read are skipped. Empty when the folder does not exist.
std::vector<TX509Ptr> LoadFileStoreCertificates(const std::filesystem::path& AFolder);

}  // namespace korvel::signlib
