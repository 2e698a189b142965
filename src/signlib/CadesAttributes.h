#pragma once

// The attributes of a CAdES SignerInfo. Signed ones go in before the SignerInfo is signed; the
// signature time-stamp, unsigned, after.

#include "signlib/SignBytes.h"

#include <openssl/cms.h>
#include <openssl/x509.h>

namespace korvel::signlib {

// content-type: id-data, the only content the library signs.
void AddContentType(CMS_SignerInfo* ASigner);
// message-digest: the SHA-256 value of the content.
void AddMessageDigest(CMS_SignerInfo* ASigner, const TBytes& ASha256);
// signing-time: now.
void AddSigningTime(CMS_SignerInfo* ASigner);
// signing-certificate-v2 naming ACertificate by its SHA-256 hash, unless it is already there.
void EnsureSigningCertificateV2(CMS_SignerInfo* ASigner, X509* ACertificate);
// id-aa-ets-contentTimestamp: a time-stamp token over the content's SHA-256 value.
void AddContentTimeStamp(CMS_SignerInfo* ASigner, const TBytes& AToken);
// id-aa-timeStampToken (unsigned): a time-stamp token over the signature value.
void AddSignatureTimeStamp(CMS_SignerInfo* ASigner, const TBytes& AToken);

}  // namespace korvel::signlib
