#pragma once

// The maker's web server: it serves the certification-authority list, the certificates file and
// the cloud-signing interface. In test mode (DEBUG) all three come from its test twin, so a test
// key's authority, its servers and its cloud service always belong to the same installation.

#include <string>

namespace korvel {

// WEB_URL, or WEB_TEST_URL while DEBUG is true, + APath (which begins with "/").
std::string MakerWebUrl(const std::string& APath);

}  // namespace korvel
