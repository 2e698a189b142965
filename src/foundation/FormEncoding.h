#pragma once

// The body of an HTML-style form post (application/x-www-form-urlencoded, UTF-8).

#include <string>
#include <vector>

namespace korvel {

// AFields are "name=value" lines, split at the first "="; a line without one is a name with an
// empty value; empty lines are skipped. Names and values are percent-encoded, a space as "+", fields joined by "&".
std::string EncodeFormFields(const std::vector<std::string>& AFields);

// Percent-encodes one name or value; letters, digits and "*-._" stay as they are.
std::string EncodeFormComponent(const std::string& AText);

}  // namespace korvel
