#pragma once

// JKS key stores, as Java's keytool writes them:
//   magic FE ED FE ED, version (1 or 2), entry count, the entries, a 20-byte SHA-1 check value.
//   private-key entry: tag 1, alias, date (8 bytes), protected key (length + EncryptedPrivateKeyInfo),
//     certificate count, certificates (version 2: type name first; then length + encoding).
//   trusted-certificate entry: tag 2, alias, date, certificate (as above).
// Numbers are big-endian; texts are Java's modified UTF-8 with a 2-byte length. The check value
// needs the store password, which callers do not have; it is not verified.

#include <string>
#include <string_view>
#include <vector>

namespace korvel::signlib {

struct TJksPrivateKeyEntry {
    std::string Alias;                    // UTF-8
    std::string_view ProtectedKey;        // DER EncryptedPrivateKeyInfo, a view into the store's bytes
    std::vector<std::string_view> Chain;  // DER X.509 certificates, the key's own first
};

struct TJksKeyStore {
    std::vector<TJksPrivateKeyEntry> PrivateKeys;  // in the store's order
};

bool IsJksKeyStore(std::string_view ABytes);
// The views point into ABytes, which must outlive the result. Throws EU_ERROR_JKS_FORMAT for
// anything that is not a whole, well-formed store.
TJksKeyStore ParseJksKeyStore(std::string_view ABytes);

// The entry whose alias matches (compared as Java does, ignoring ASCII case); nullptr when none.
const TJksPrivateKeyEntry* FindJksPrivateKey(const TJksKeyStore& AStore, std::string_view AAlias);

// What the library hands out as an entry's key bytes: the protected key directly followed by the
// entry's certificates, all DER, so that the chain travels with the key. Key readers take the
// first DER element as the key and the certificates that follow as its companions.
std::string JksKeyBytes(const TJksPrivateKeyEntry& AEntry);

}  // namespace korvel::signlib
