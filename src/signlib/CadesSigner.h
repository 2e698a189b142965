#pragma once

// CMS SignedData in the CAdES forms the library makes: CAdES-BES (content-type, message-digest,
// signing-time, signing-certificate-v2, SHA-256) and CAdES-T (plus a signature time-stamp),
// either with an optional content time-stamp.

#include "signlib/LibraryState.h"
#include "signlib/PrivateKeyContext.h"
#include "signlib/SignBytes.h"
#include "signlib/SignType.h"

#include <openssl/cms.h>

#include <cstddef>
#include <string>

namespace korvel::signlib {

// What is signed: always the content's SHA-256 value; the content itself only when it goes
// inside the signature.
struct TCadesContent {
    TBytes Sha256;
    const unsigned char* Embedded = nullptr;
    std::size_t EmbeddedLength = 0;
};

class TCadesSigner {
public:
    // Settles the signature type and, when a time-stamp is asked for, the server to ask, before any
    // signing work: raises the type's error code, or EU_ERROR_TSP_SERVER without a server in use.
    TCadesSigner(const TPrivateKeyContext& AKey, const TRuntimeParameters& AParameters,
                 const TLibrarySettings& ASettings);

    // The DER SignedData; the signer's certificate inside when AAppendCertificate.
    TBytes Sign(const TCadesContent& AContent, bool AAppendCertificate) const;

private:
    CMS_SignerInfo* AddSigner(CMS_ContentInfo* ASignedData, bool AAppendCertificate) const;
    void AddSignedAttributes(CMS_SignerInfo* ASigner, const TBytes& ASha256) const;
    void StampSignature(CMS_SignerInfo* ASigner) const;
    TBytes TimeStampToken(const TBytes& ASha256) const;

    const TPrivateKeyContext& FKey;
    TSignType FType;
    bool FContentTimeStamp;
    std::string FTimeStampUrl;
    TServerSettings FProxy;
};

}  // namespace korvel::signlib
