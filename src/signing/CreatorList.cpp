#include "signing/CreatorList.h"

#include "foundation/Log.h"

#include <algorithm>

namespace korvel {

std::optional<TJson> ParseCreatorList(const std::string& AText)
{
    TJson list = ParseJsonText(AText);
    if (!list.is_array()) {
        TLog::Log("Не вдалось розпарсити json");
        return std::nullopt;
    }
    return list;
}

const TJson* IssuerNames(const TJson& AElement)
{
    if (!AElement.is_object())
        return nullptr;
    const auto names = AElement.find("issuerCNs");
    return names != AElement.end() && names->is_array() ? &*names : nullptr;
}

bool ListsName(const TJson& ANames, const std::string& AName)
{
    return std::any_of(ANames.begin(), ANames.end(),
                       [&AName](const TJson& AEntry) { return JsonValueAsText(AEntry) == AName; });
}

}  // namespace korvel
