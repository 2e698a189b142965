#pragma once

// Making keys active and inactive: a key is loaded into a signer of its own, proven with a test
// signature, put among the active keys and announced to the server; deactivation announces the
// end and lets the signer go once no request uses it any more.

#include "channel/ActiveKeys.h"
#include "signing/CertInfo.h"
#include "signing/PrivateKey.h"

#include <string>

namespace korvel {

// Loads and tests the key; unless ACheckOnly, makes it active and announces it. ASN: the serial
// the key must have ("" for any); on success the key's serial, with its certificate data in
// ACertInfo. False, with the reason logged as "ActivateKey: ...", when it fails.
bool ActivateKey(TActiveKeys& AKeys, const TPrivateKey& APrivateKey, bool ACheckOnly, std::string& ASN,
                 TCertInfoRec& ACertInfo);
// Announces the end of the key's activity and takes it out; nothing when it is not active.
void DeactivateKey(TActiveKeys& AKeys, const std::string& ASN);
// DeactivateKey for every key active at this moment.
void DeactivateAllKeys(TActiveKeys& AKeys);

}  // namespace korvel
