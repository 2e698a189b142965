#pragma once

// Reading the calling thread's OpenSSL error queue.

namespace korvel::signlib {

// True when the queue tells of an algorithm this build cannot use (an unknown cipher, key
// derivation or key type, or one whose provider is not loaded). Empties the queue.
bool TakeUnsupportedAlgorithmError();

}  // namespace korvel::signlib
