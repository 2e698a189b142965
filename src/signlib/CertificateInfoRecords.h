#pragma once

// The interface's certificate records, filled from a certificate's data with Windows-1251 texts in
// library memory, and released again.

#include "signlib/CertificateData.h"
#include "signlib/SignLibrary.h"

namespace korvel::signlib {

// Fills every text field and sets bFilled; on failure the record is left empty.
void FillOwnerInfo(const TCertificateData& AData, EU_CERT_OWNER_INFO& AInfo);
void ClearOwnerInfo(EU_CERT_OWNER_INFO& AInfo) noexcept;

// A new record in library memory.
EU_CERT_INFO_EX* NewCertificateInfo(const TCertificateData& AData);
void DeleteCertificateInfo(EU_CERT_INFO_EX* AInfo) noexcept;

}  // namespace korvel::signlib
