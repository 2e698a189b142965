#include "channel/ChannelState.h"

namespace korvel {

TChannelState& ChannelState()
{
    static TChannelState state;
    return state;
}

}  // namespace korvel
