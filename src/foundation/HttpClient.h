#pragma once

// The program's own HTTPS traffic with the maker's web servers. Each call builds its own client,
// makes one request, frees the client and never retries; success is status 200. The server's
// certificate and host name must be trusted by the system or by the CA file of the TLS_CA_FILE
// setting.

#include <ostream>
#include <string>
#include <vector>

namespace korvel {

// POSTs AFields ("name=value" lines) as a URL-encoded form and expects JSON back. AResponse gets
// the body whatever the status, or the error text when the request fails. Never raises.
bool HttpPostForm(const std::string& AURL, const std::vector<std::string>& AFields, std::string& AResponse);

// GETs AURL into AStream as the body arrives, whatever the status. ATimeoutSeconds above 0 limits
// the wait for the response. Request failures raise std::runtime_error.
bool HttpGetToStream(const std::string& AURL, std::ostream& AStream, int ATimeoutSeconds);

// GETs AURL and, on status 200 only and when AFileName is not empty, replaces that file with the
// body. Request and file failures raise std::runtime_error.
bool HttpGetToFile(const std::string& AURL, const std::string& AFileName);

// Whether the maker's API server answers 200. Offline: false at once, nothing logged. A failed
// request: false and one log line.
bool IsServerReachable();

}  // namespace korvel
