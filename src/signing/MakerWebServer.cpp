#include "signing/MakerWebServer.h"

#include "foundation/Param.h"

namespace korvel {

std::string MakerWebUrl(const std::string& APath)
{
    std::string base = TParam::GetDebug() ? TParam::GetWebTestUrl() : TParam::GetWebUrl();
    // An address written with a closing "/" still gives one "/" before the path.
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base + APath;
}

}  // namespace korvel
