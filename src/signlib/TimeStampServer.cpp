#include "signlib/TimeStampServer.h"

#include <algorithm>
#include <cctype>

namespace korvel::signlib {

namespace {

std::string Trimmed(const std::string& AText)
{
    const auto isBlank = [](unsigned char ACharacter) { return std::isspace(ACharacter) != 0; };
    const auto first = std::find_if_not(AText.begin(), AText.end(), isBlank);
    const auto last = std::find_if_not(AText.rbegin(), AText.rend(), isBlank).base();
    return first < last ? std::string(first, last) : std::string();
}

bool HasScheme(const std::string& AAddress)
{
    return AAddress.find("://") != std::string::npos;
}

// "host:port" or "[v6]:port"; the brackets of an IPv6 literal hold colons of their own.
bool HasPort(const std::string& AHost)
{
    const auto colon = AHost.rfind(':');
    const auto bracket = AHost.rfind(']');
    return colon != std::string::npos && (bracket == std::string::npos || colon > bracket);
}

}  // namespace

std::string TimeStampServerUrl(const TServerSettings& ASettings)
{
    const std::string address = Trimmed(ASettings.Address);
    if (!ASettings.Use || address.empty())
        return "";
    if (HasScheme(address))
        return address;

    const auto pathStart = address.find('/');
    const std::string host = address.substr(0, pathStart);
    const std::string path = pathStart == std::string::npos ? "/" : address.substr(pathStart);
    const std::string port = Trimmed(ASettings.Port);
    // A port written into the address wins over the separate one.
    return "http://" + host + (port.empty() || HasPort(host) ? "" : ":" + port) + path;
}

}  // namespace korvel::signlib
