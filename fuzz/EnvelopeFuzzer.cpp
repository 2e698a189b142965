// Any bytes as a message received on the own channel. Most inputs stop at the checksum; the
// seeds carry correct checksums for the default salt, and SignedEnvelopeFuzzer gets past it always.

#include "QuietChannel.h"

#include "channel/Envelope.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    korvel::fuzz::PrepareQuietChannel();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize)
{
    korvel::HandleEnvelope(korvel::fuzz::OwnChannel, std::string(reinterpret_cast<const char*>(AData), ASize));
    korvel::fuzz::AfterInput();
    return 0;
}
