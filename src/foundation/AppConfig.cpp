#include "foundation/AppConfig.h"

namespace korvel {

TAppCongif& AppConfig()
{
    static TAppCongif config;
    return config;
}

}  // namespace korvel
