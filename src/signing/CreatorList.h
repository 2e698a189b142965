#pragma once

// Reading the certification-authority list: a JSON array of objects, each naming its authority
// in the array "issuerCNs".

#include "signing/JsonText.h"

#include <optional>
#include <string>

namespace korvel {

// The list parsed anew. Nothing, with "Не вдалось розпарсити json" logged, when it is JSON but not
// an array; text that is not JSON throws the parser's error.
std::optional<TJson> ParseCreatorList(const std::string& AText);

// The element's "issuerCNs" array; nullptr when the element is not an object or has no such array.
const TJson* IssuerNames(const TJson& AElement);

// Whether one of ANames, read as text, is exactly AName.
bool ListsName(const TJson& ANames, const std::string& AName);

}  // namespace korvel
