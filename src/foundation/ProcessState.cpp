#include "foundation/ProcessState.h"

namespace korvel {

std::atomic<bool> UnloadRequested{false};

}  // namespace korvel
