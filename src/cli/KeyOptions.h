#pragma once

// One key's settings from korvelctl options, for every command that loads keys:
//
//   --creator NAME                       the issuing authority, as the authority list names it (required)
//   --file PATH                          a key file (PKCS#12, PKCS#8, JKS ...)
//   --device-type TYPE --device DEVICE   a key on a token; each a name or a 0-based index of the library's lists
//   --login TEXT --token-env VAR         a cloud key: its key id or the owner's DRFO code, and the name of an
//                                        environment variable that holds its access token
//   --login TEXT                         also the user of a network key device
//   --edrpou CODE                        the owner's organisation code (optional)
//   --password-env VAR | --password-file PATH
//                                        the password (or PIN), from an environment variable or from a file
//                                        without one trailing line end ("-": the whole standard input, so for one
//                                        key only). Never on the command line, where every local user can read it.
//   A TYPE or DEVICE of decimal digits only is an index.
//
// Parsing knows nothing of the library; names of media are looked up afterwards, once it is started.

#include "CommandOptions.h"

#include "signing/PrivateKey.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {
class TSign;
}

namespace korvel::cli {

// The usage lines of the key options, for the groups' usage texts.
extern const char* const KeyOptionsUsage;

// Whether AName is one of the options above (each takes a value).
bool IsKeyOption(std::string_view AName);

// The usage error for an option that is none of the above, saying why when it is one that is refused.
EUsage NotAKeyOption(const std::string& AName);

// The key that the options describe; raises EUsage with the reason on bad usage. A device key is not resolved
// yet: pkDeviceName holds "[" + DEVICE + "] " + TYPE as given, and pkTypeIndex / pkDeviceIndex the indices given,
// or -1 where a name was given.
TPrivateKey ParseKeyOptions(const std::vector<std::string>& AArgs);

// With the library started: a device key gets the indices and the display name ("[" + device + "] " + media type)
// of the one medium its options name; a key without file or device must belong to a cloud authority. Raises with
// the reason when the options name no medium, more than one, or a key the authority cannot have. Nothing changes
// for a file key, nor for a device key whose indices are both known.
void ResolveKeyMedia(TPrivateKey& AKey);

// A signer with the key loaded, as the program loads it. Raises the signer's reason when the key cannot be loaded,
// and the logged reason when loading gives false.
std::shared_ptr<TSign> LoadKey(const TPrivateKey& AKey);

}  // namespace korvel::cli
